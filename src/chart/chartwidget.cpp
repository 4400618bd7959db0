// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "chart/chartwidget.h"

#include <QColor>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <cmath>
#include <optional>

static constexpr int kTickLength = 4;
static constexpr int kLabelGap = 3;
static constexpr int kMostTitleLines = 3;

static bool isFinite(const ChartPoint &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

static QColor pointColour(quint32 colour)
{
    return QColor::fromRgb(QRgb(0xFF000000u | (colour & 0xFFFFFFu)));
}

// A faint line colour that follows the palette: `share` of `ink` over `paper`.
static QColor blend(const QColor &paper, const QColor &ink, double share)
{
    const auto mix = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
    return QColor(mix(paper.red(), ink.red()), mix(paper.green(), ink.green()),
                  mix(paper.blue(), ink.blue()));
}

ChartWidget::ChartWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateDescription();
}

void ChartWidget::setSeries(ChartSeries *series)
{
    if (m_series == series)
        return;
    if (m_series)
        disconnect(m_series, nullptr, this, nullptr);
    m_series = series;
    if (m_series) {
        connect(m_series, &ChartSeries::changed, this, &ChartWidget::seriesChanged);
        // QPointer clears itself; the chart still has to show that the points are gone.
        connect(m_series, &QObject::destroyed, this, &ChartWidget::seriesChanged);
    }
    seriesChanged();
}

void ChartWidget::setTitle(const QString &title)
{
    m_title = title;
    setAccessibleName(title);
    update();
}

void ChartWidget::setAxisTitles(const QString &xTitle, const QString &yTitle)
{
    m_xTitle = xTitle;
    m_yTitle = yTitle;
    update();
}

void ChartWidget::seriesChanged()
{
    updateDescription();
    update();
}

const QList<ChartPoint> &ChartWidget::points() const
{
    static const QList<ChartPoint> none;
    return m_series ? m_series->points() : none;
}

void ChartWidget::updateDescription()
{
    const QList<ChartPoint> &all = points();
    qsizetype shown = 0;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    for (const ChartPoint &p : all) {
        if (!isFinite(p))
            continue;
        xMin = shown ? std::min(xMin, p.x) : p.x;
        xMax = shown ? std::max(xMax, p.x) : p.x;
        yMin = shown ? std::min(yMin, p.y) : p.y;
        yMax = shown ? std::max(yMax, p.y) : p.y;
        ++shown;
    }
    if (shown == 0) {
        setAccessibleDescription(QStringLiteral("Step chart with no points"));
        return;
    }
    const QLocale l = locale();
    const auto number = [&l](double v) {
        return l.toString(v, 'g', QLocale::FloatingPointShortest);
    };
    setAccessibleDescription(
        QStringLiteral("Step chart of %1 %2, X from %3 to %4, Y from %5 to %6")
            .arg(shown)
            .arg(shown == 1 ? QStringLiteral("point") : QStringLiteral("points"))
            .arg(number(xMin), number(xMax), number(yMin), number(yMax)));
}

QFont ChartWidget::titleFont() const
{
    QFont f = font();
    f.setBold(true);
    return f;
}

QStringList ChartWidget::titleLines() const
{
    if (m_title.isEmpty())
        return {};
    const int width = std::max(this->width() - 2 * kPlotOuterMargin, 1);
    QString text = m_title;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, titleFont());
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    if (lines.size() > kMostTitleLines) {
        const QString rest = lines.mid(kMostTitleLines - 1).join(QLatin1Char(' '));
        lines.resize(kMostTitleLines);
        lines.last() = QFontMetrics(titleFont()).elidedText(rest, Qt::ElideRight, width);
    }
    return lines;
}

PlotTextMetrics ChartWidget::textMetrics() const
{
    const QFontMetrics titleMetrics(titleFont());
    const QFontMetrics labelMetrics(font());
    PlotTextMetrics m;
    m.titleHeight = int(titleLines().size()) * titleMetrics.height();
    m.lineHeight = labelMetrics.height();
    m.locale = locale();
    m.axisTitles = !m_xTitle.isEmpty() || !m_yTitle.isEmpty();
    int widest = 0;
    const QString chars =
        QStringLiteral("0123456789-") + m.locale.decimalPoint() + m.locale.negativeSign();
    for (const QChar c : chars)
        widest = std::max(widest, labelMetrics.horizontalAdvance(c));
    m.charWidth = widest;
    return m;
}

void ChartWidget::setLimits(const PlotLimits &limits)
{
    m_limits = limits;
    update();
}

PlotGeometry ChartWidget::layout() const
{
    return layoutPlot(points(), size(), textMetrics(), m_limits);
}

QPointF ChartWidget::pointPosition(int index) const
{
    const QList<ChartPoint> &all = points();
    if (index < 0 || index >= all.size() || !isFinite(all.at(index)))
        return QPointF(-1, -1);
    return QPointF(layout().toPixel(all.at(index).x, all.at(index).y));
}

void ChartWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LocaleChange)
        updateDescription();
    QWidget::changeEvent(event);
}

void ChartWidget::paintEvent(QPaintEvent *)
{
    const PlotGeometry g = layout();
    const QList<ChartPoint> &all = points();
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));

    painter.setFont(titleFont());
    painter.setPen(palette().color(QPalette::Text));
    const int titleLineHeight = QFontMetrics(titleFont()).height();
    const QStringList lines = titleLines();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRect line(g.title.left(), g.title.top() + int(i) * titleLineHeight, g.title.width(),
                         titleLineHeight);
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                         lines.at(i));
    }

    // Grid lines and ticks at each tick value, then the frame over the grid lines' ends.
    painter.setFont(font());
    const QFontMetrics labelMetrics(font());
    const QColor gridColour =
        blend(palette().color(QPalette::Base), palette().color(QPalette::Text), 0.12);
    const QColor axisColour = palette().color(QPalette::Dark);
    for (qsizetype i = 0; i < g.x.ticks.size(); ++i) {
        const int px = g.toPixel(g.x.ticks.at(i), g.y.min).x();
        painter.setPen(gridColour);
        painter.drawLine(px, g.frame.top() + 1, px, g.frame.bottom() - 1);
        painter.setPen(axisColour);
        painter.drawLine(px, g.frame.bottom() + 1, px, g.frame.bottom() + kTickLength);
        painter.setPen(palette().color(QPalette::Text));
        const QString &label = g.x.labels.at(i);
        const int w = labelMetrics.horizontalAdvance(label);
        painter.drawText(QRect(px - w / 2 - 1, g.frame.bottom() + kTickLength + kLabelGap + 1,
                               w + 2, labelMetrics.height()),
                         Qt::AlignCenter | Qt::TextSingleLine, label);
    }
    for (qsizetype i = 0; i < g.y.ticks.size(); ++i) {
        const int py = g.toPixel(g.x.min, g.y.ticks.at(i)).y();
        painter.setPen(gridColour);
        painter.drawLine(g.frame.left() + 1, py, g.frame.right() - 1, py);
        painter.setPen(axisColour);
        painter.drawLine(g.frame.left() - kTickLength, py, g.frame.left() - 1, py);
        painter.setPen(palette().color(QPalette::Text));
        const QString &label = g.y.labels.at(i);
        const int right = g.frame.left() - kTickLength - kLabelGap;
        const int w = labelMetrics.horizontalAdvance(label);
        painter.drawText(QRect(right - w, py - labelMetrics.height() / 2, w, labelMetrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, label);
    }
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(g.yTitle, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_yTitle);
    painter.drawText(g.xTitle, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, m_xTitle);
    painter.setPen(axisColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(g.frame.adjusted(0, 0, -1, -1));

    // Stairs: level from the previous point to this point's X, then up or down to its Y, in
    // this point's colour. Lines first, markers after, each in series order, so that a later
    // marker covers an earlier one at the same place and no line crosses a marker.
    painter.setClipRect(g.frame.adjusted(1, 1, -1, -1));
    std::optional<QPoint> previous;
    for (const ChartPoint &p : all) {
        if (!isFinite(p))
            continue;
        const QPoint at = g.toPixel(p.x, p.y);
        if (previous) {
            painter.setPen(pointColour(p.colour));
            const QPoint corner(at.x(), previous->y());
            painter.drawLine(*previous, corner);
            painter.drawLine(corner, at);
        }
        previous = at;
    }
    // A disc 3 pixels across covers the centres of all nine pixels around its own, so the
    // marker is those nine pixels in full colour; an antialiased or aliased ellipse this small
    // comes out blended or lopsided, and a later marker would not cover an earlier one.
    for (const ChartPoint &p : all) {
        if (!isFinite(p))
            continue;
        const QPoint at = g.toPixel(p.x, p.y);
        painter.fillRect(QRect(at.x() - 1, at.y() - 1, 3, 3), pointColour(p.colour));
    }
}
