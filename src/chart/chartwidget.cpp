// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "chart/chartwidget.h"

#include <QColor>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>

#include <cmath>
#include <optional>

static constexpr int kMostTitleLines = 3;

ChartWidget::ChartWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
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

int ChartWidget::addBackdrop(ChartSeries *series, quint32 colour, Qt::PenStyle style,
                             const QString &name)
{
    m_backdrops.push_back(Backdrop{series, colour, style, name, true});
    if (series) {
        connect(series, &ChartSeries::changed, this, &ChartWidget::invalidate);
        connect(series, &QObject::destroyed, this, &ChartWidget::invalidate);
    }
    invalidate();
    return int(m_backdrops.size()) - 1;
}

void ChartWidget::setBackdropVisible(int backdrop, bool visible)
{
    if (backdrop < 0 || backdrop >= int(m_backdrops.size()) ||
        m_backdrops[std::size_t(backdrop)].visible == visible)
        return;
    m_backdrops[std::size_t(backdrop)].visible = visible;
    invalidate();
}

bool ChartWidget::backdropVisible(int backdrop) const
{
    return backdrop >= 0 && backdrop < int(m_backdrops.size()) &&
           m_backdrops[std::size_t(backdrop)].visible;
}

void ChartWidget::setBackdropName(int backdrop, const QString &name)
{
    if (backdrop < 0 || backdrop >= int(m_backdrops.size()))
        return;
    m_backdrops[std::size_t(backdrop)].name = name;
    update();
}

void ChartWidget::setSeriesName(const QString &name)
{
    m_seriesName = name;
    update();
}

std::vector<const ChartWidget::Backdrop *> ChartWidget::shownBackdrops() const
{
    std::vector<const Backdrop *> shown;
    for (const Backdrop &b : m_backdrops) {
        if (b.visible && b.series && b.series->count() > 0)
            shown.push_back(&b);
    }
    return shown;
}

bool ChartWidget::legendShown() const
{
    return !shownBackdrops().empty() || !m_overlayLegend.isEmpty() || traceView();
}

void ChartWidget::setTraces(const QList<Trace> &traces)
{
    m_traces = traces;
    invalidate();
    emit tracesChanged();
}

void ChartWidget::setTraceView(bool on)
{
    if (m_traceView == on)
        return;
    m_traceView = on;
    invalidate();
}

QColor ChartWidget::traceColour(int index) const
{
    // Darker hues on a light background, lighter ones on a dark background; each far from the
    // series' red and from the other traces.
    static constexpr QRgb kOnLight[] = {0x0050E0, 0xB85C00, 0x8A00B8};
    static constexpr QRgb kOnDark[] = {0x66AAFF, 0xFFB347, 0xE58CFF};
    const bool dark = palette().color(QPalette::Base).lightness() < 128;
    const auto &colours = dark ? kOnDark : kOnLight;
    const std::size_t count = std::size(colours);
    return QColor::fromRgb(colours[std::size_t(std::max(index, 0)) % count]);
}

QColor ChartWidget::overlayColour() const
{
    const bool dark = palette().color(QPalette::Base).lightness() < 128;
    return dark ? QColor::fromRgb(0x66AAFF) : QColor::fromRgb(kOverlayColour);
}

QPointF ChartWidget::tracePosition(int trace, int index) const
{
    if (trace < 0 || trace >= m_traces.size() || index < 0 ||
        index >= m_traces.at(trace).points.size())
        return QPointF(-1, -1);
    const QPointF p = m_traces.at(trace).points.at(index);
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
        return QPointF(-1, -1);
    return QPointF(layout().geometry.toPixel(p.x(), p.y()));
}

void ChartWidget::setOverlay(const QList<QPointF> &points, const QString &seriesLegend,
                             const QString &overlayLegend)
{
    m_overlay = points;
    m_seriesLegend = seriesLegend;
    m_overlayLegend = overlayLegend;
    invalidate();
}

void ChartWidget::clearOverlay()
{
    if (m_overlay.isEmpty() && m_overlayLegend.isEmpty() && m_traces.isEmpty())
        return;
    m_overlay.clear();
    m_seriesLegend.clear();
    m_overlayLegend.clear();
    const bool hadTraces = !m_traces.isEmpty();
    m_traces.clear();
    invalidate();
    if (hadTraces)
        emit tracesChanged();
}

QStringList ChartWidget::legend() const
{
    if (m_overlayLegend.isEmpty())
        return {};
    return {m_seriesLegend, m_overlayLegend};
}

void ChartWidget::setTitle(const QString &title)
{
    m_title = title;
    setAccessibleName(title);
    invalidate();
}

void ChartWidget::invalidate()
{
    m_layout.reset();
    update();
}

void ChartWidget::setAxisTitles(const QString &xTitle, const QString &yTitle)
{
    m_xTitle = xTitle;
    m_yTitle = yTitle;
    invalidate();
}

void ChartWidget::seriesChanged()
{
    // A rebuilt series ends any drag of its old points.
    if (m_drag) {
        m_drag.reset();
        releaseKeyboard();
    }
    m_hovered = -1;
    updateDescription();
    invalidate();
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

QStringList ChartWidget::titleLines() const
{
    if (m_title.isEmpty())
        return {};
    const int width = std::max(this->width() - 2 * kPlotOuterMargin, 1);
    QString text = m_title;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(text, font());
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
        lines.last() = QFontMetrics(font()).elidedText(rest, Qt::ElideRight, width);
    }
    return lines;
}

PlotTextMetrics ChartWidget::textMetrics(qsizetype titleLineCount) const
{
    const QFontMetrics labelMetrics(font());
    PlotTextMetrics m;
    m.titleHeight = int(titleLineCount) * labelMetrics.height();
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
    invalidate();
}

const ChartWidget::Layout &ChartWidget::layout() const
{
    if (!m_layout) {
        Layout l;
        l.titleLines = titleLines();
        const auto backdrops = shownBackdrops();
        const PlotTextMetrics metrics = textMetrics(l.titleLines.size());
        if (backdrops.empty() && m_overlay.isEmpty() && !traceView()) {
            l.geometry = layoutPlot(points(), size(), metrics, m_limits);
        } else {
            // The axes take in the backdrops' and the overlay's (or the traces') points too.
            QList<ChartPoint> all = points();
            for (const Backdrop *b : backdrops)
                all.append(b->series->points());
            if (traceView()) {
                for (const Trace &t : m_traces) {
                    for (const QPointF &p : t.points)
                        all.append(ChartPoint{p.x(), p.y(), QString(), 0});
                }
            } else {
                for (const QPointF &p : m_overlay)
                    all.append(
                        ChartPoint{p.x(), p.y(), QString(), quint32(kOverlayColour & 0xFFFFFFu)});
            }
            l.geometry = layoutPlot(all, size(), metrics, m_limits);
        }
        m_layout = std::move(l);
    }
    return *m_layout;
}

QPointF ChartWidget::pointPosition(int index) const
{
    const QList<ChartPoint> &all = points();
    if (index < 0 || index >= all.size() || !isFinite(all.at(index)))
        return QPointF(-1, -1);
    const double y = m_drag && m_drag->index == index ? m_drag->y : all.at(index).y;
    return QPointF(layout().geometry.toPixel(all.at(index).x, y));
}

int ChartWidget::pointAt(QPoint at) const
{
    constexpr int kReach = 5;
    const QList<ChartPoint> &all = points();
    const PlotGeometry &g = layout().geometry;
    int best = -1;
    int bestDistance = kReach * kReach + 1;
    for (int i = 0; i < int(all.size()); ++i) {
        if (!isFinite(all.at(i)))
            continue;
        const QPoint d = g.toPixel(all.at(i).x, all.at(i).y) - at;
        const int distance = d.x() * d.x() + d.y() * d.y();
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

double ChartWidget::valueAtY(int y) const
{
    const PlotGeometry &g = layout().geometry;
    const int span = std::max(g.data.height() - 1, 1);
    return g.y.min + double(g.data.bottom() - y) / span * (g.y.max - g.y.min);
}

void ChartWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LocaleChange)
        updateDescription();
    if (event->type() == QEvent::LocaleChange || event->type() == QEvent::FontChange)
        invalidate();
    QWidget::changeEvent(event);
}

void ChartWidget::resizeEvent(QResizeEvent *event)
{
    m_layout.reset();
    QWidget::resizeEvent(event);
}

void ChartWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragRule || m_drag) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int index = pointAt(event->position().toPoint());
    if (index < 0)
        return;
    const auto target = m_dragRule(index, points().at(index).y);
    if (!target)
        return;
    m_drag = Drag{index, target->y, target->text};
    setHovered(-1, {});
    // Escape must reach the chart, which never takes the focus.
    grabKeyboard();
    update();
}

void ChartWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (!m_drag) {
        setHovered(pointAt(at), event->globalPosition().toPoint());
        return;
    }
    const auto target = m_dragRule(m_drag->index, valueAtY(at.y()));
    if (target && (target->y != m_drag->y || target->text != m_drag->text)) {
        m_drag->y = target->y;
        m_drag->text = target->text;
        update();
    }
}

void ChartWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_drag && event->button() == Qt::LeftButton)
        endDrag(true);
    else
        QWidget::mouseReleaseEvent(event);
}

void ChartWidget::keyPressEvent(QKeyEvent *event)
{
    if (m_drag && event->key() == Qt::Key_Escape) {
        endDrag(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

void ChartWidget::leaveEvent(QEvent *event)
{
    setHovered(-1, {});
    QWidget::leaveEvent(event);
}

void ChartWidget::setHovered(int index, QPoint globalPosition)
{
    if (index == m_hovered)
        return;
    m_hovered = index;
    emit pointHovered(index, globalPosition);
}

void ChartWidget::endDrag(bool keep)
{
    releaseKeyboard();
    const Drag drag = *m_drag;
    m_drag.reset();
    update();
    const QList<ChartPoint> &all = points();
    if (keep && drag.index < all.size() && drag.y != all.at(drag.index).y)
        emit pointDragged(drag.index, drag.y);
}
