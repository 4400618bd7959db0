// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The chart's painting: frame, grid, labels, backdrops, series, traces and legend.
#include "chart/chartwidget.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>

#include <cmath>

static constexpr int kTickLength = 4;
static constexpr int kLabelGap = 3;

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

// A horizontal or vertical line one pixel wide, both ends included, as an aliased pen draws it;
// filled as a rectangle, which takes a fraction of the pen's pixel-by-pixel stroking.
static void fillLine(QPainter &painter, QPoint from, QPoint to, const QColor &colour)
{
    painter.fillRect(QRect(from, to).normalized(), colour);
}

// A round dot 5 pixels across in full colour, centred on `at`.
static void fillDot(QPainter &painter, QPoint at, const QColor &colour)
{
    painter.fillRect(QRect(at.x() - 2, at.y() - 1, 5, 3), colour);
    painter.fillRect(QRect(at.x() - 1, at.y() - 2, 3, 5), colour);
}

void ChartWidget::paintLegend(QPainter &painter, const PlotGeometry &g) const
{
    const auto backdrops = shownBackdrops();
    const QFontMetrics metrics(font());
    constexpr int kSample = 18;
    constexpr int kPad = 4;
    struct Entry
    {
        QColor colour;
        Qt::PenStyle style;
        QString name;
        bool ring = false;
        bool dot = false;
    };
    const bool withTraces = traceView();
    const bool withOverlay = !m_overlayLegend.isEmpty() && !withTraces;
    std::vector<Entry> entries{
        {pointColour(kChartRed), Qt::SolidLine,
         withOverlay || (withTraces && !m_seriesLegend.isEmpty()) ? m_seriesLegend : m_seriesName}};
    for (const Backdrop *b : backdrops)
        entries.push_back({pointColour(b->colour), b->style, b->name});
    if (withOverlay)
        entries.push_back({overlayColour(), Qt::SolidLine, m_overlayLegend, true});
    if (withTraces) {
        for (int i = 0; i < m_traces.size(); ++i)
            entries.push_back({traceColour(i), Qt::SolidLine, m_traces.at(i).name, false, true});
    }
    int textWidth = 0;
    for (const Entry &e : entries)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(e.name));
    const int lineHeight = metrics.height();
    const QRect box(g.frame.right() - kPad - (kPad + kSample + kPad + textWidth + kPad),
                    g.frame.top() + kPad, kPad + kSample + kPad + textWidth + kPad,
                    int(entries.size()) * lineHeight + 2 * kPad);
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int y = box.top() + kPad + int(i) * lineHeight;
        if (entries[i].dot) {
            fillDot(painter, QPoint(box.left() + kPad + kSample / 2, y + lineHeight / 2),
                    entries[i].colour);
        } else if (entries[i].ring) {
            painter.setPen(QPen(entries[i].colour, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.drawEllipse(QPointF(box.left() + kPad + kSample / 2.0, y + lineHeight / 2.0),
                                3.5, 3.5);
            painter.setRenderHint(QPainter::Antialiasing, false);
        } else {
            QPen pen(entries[i].colour, 2, entries[i].style);
            painter.setPen(pen);
            painter.drawLine(box.left() + kPad, y + lineHeight / 2, box.left() + kPad + kSample,
                             y + lineHeight / 2);
        }
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(box.left() + 2 * kPad + kSample, y, textWidth + kPad, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entries[i].name);
    }
}

void ChartWidget::paintEvent(QPaintEvent *)
{
    const Layout &l = layout();
    const PlotGeometry &g = l.geometry;
    const QList<ChartPoint> &all = points();
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));

    // The title in the labels' own face: a bold one would be a second face of the font to
    // find and prepare before the first frame.
    // Its font and pen serve every text of the chart: the lines below are filled, not stroked.
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics labelMetrics(font());
    const int titleLineHeight = labelMetrics.height();
    for (qsizetype i = 0; i < l.titleLines.size(); ++i) {
        const QRect line(g.title.left(), g.title.top() + int(i) * titleLineHeight, g.title.width(),
                         titleLineHeight);
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                         l.titleLines.at(i));
    }

    // Grid lines and ticks at each tick value, then the frame over the grid lines' ends.
    const QColor gridColour =
        blend(palette().color(QPalette::Base), palette().color(QPalette::Text), 0.12);
    const QColor axisColour = palette().color(QPalette::Dark);
    for (qsizetype i = 0; i < g.x.ticks.size(); ++i) {
        const int px = g.toPixel(g.x.ticks.at(i), g.y.min).x();
        fillLine(painter, {px, g.frame.top() + 1}, {px, g.frame.bottom() - 1}, gridColour);
        fillLine(painter, {px, g.frame.bottom() + 1}, {px, g.frame.bottom() + kTickLength},
                 axisColour);
        const QString &label = g.x.labels.at(i);
        // Each label is one line whose width is known: drawn from its baseline, the same
        // pixels as centred in a box, without laying it out as a paragraph first.
        const int w = labelMetrics.horizontalAdvance(label);
        painter.drawText(QPoint(px - w / 2, g.frame.bottom() + kTickLength + kLabelGap + 1 +
                                                labelMetrics.ascent()),
                         label);
    }
    for (qsizetype i = 0; i < g.y.ticks.size(); ++i) {
        const int py = g.toPixel(g.x.min, g.y.ticks.at(i)).y();
        fillLine(painter, {g.frame.left() + 1, py}, {g.frame.right() - 1, py}, gridColour);
        fillLine(painter, {g.frame.left() - kTickLength, py}, {g.frame.left() - 1, py}, axisColour);
        const QString &label = g.y.labels.at(i);
        const int right = g.frame.left() - kTickLength - kLabelGap;
        const int w = labelMetrics.horizontalAdvance(label);
        painter.drawText(QPoint(right - w, py - labelMetrics.height() / 2 + labelMetrics.ascent()),
                         label);
    }
    painter.drawText(g.yTitle, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_yTitle);
    painter.drawText(g.xTitle, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, m_xTitle);
    fillLine(painter, g.frame.topLeft(), g.frame.topRight(), axisColour);
    fillLine(painter, g.frame.bottomLeft(), g.frame.bottomRight(), axisColour);
    fillLine(painter, g.frame.topLeft(), g.frame.bottomLeft(), axisColour);
    fillLine(painter, g.frame.topRight(), g.frame.bottomRight(), axisColour);

    painter.setClipRect(g.frame.adjusted(1, 1, -1, -1));
    // Backdrops first, thin and faint, so that the main series stays on top.
    const auto backdrops = shownBackdrops();
    for (const Backdrop *b : backdrops) {
        QColor colour = pointColour(b->colour);
        colour.setAlpha(b->style == Qt::SolidLine ? 110 : 220);
        painter.setPen(QPen(colour, 1, b->style));
        std::optional<QPoint> previous;
        for (const ChartPoint &p : b->series->points()) {
            if (!isFinite(p))
                continue;
            const QPoint at = g.toPixel(p.x, p.y);
            if (previous) {
                const QPoint corner(at.x(), previous->y());
                painter.drawLine(*previous, corner);
                painter.drawLine(corner, at);
            }
            previous = at;
        }
    }

    // Stairs: level from the previous point to this point's X, then up or down to its Y, in
    // this point's colour. Lines first, markers after, each in series order, so that a later
    // marker covers an earlier one at the same place and no line crosses a marker.
    const auto yOf = [this](int index, const ChartPoint &p) {
        return m_drag && m_drag->index == index ? m_drag->y : p.y;
    };
    std::optional<QPoint> previous;
    for (int i = 0; i < int(all.size()); ++i) {
        const ChartPoint &p = all.at(i);
        if (!isFinite(p))
            continue;
        const QPoint at = g.toPixel(p.x, yOf(i, p));
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
    for (int i = 0; i < int(all.size()); ++i) {
        const ChartPoint &p = all.at(i);
        if (!isFinite(p))
            continue;
        const QPoint at = g.toPixel(p.x, yOf(i, p));
        painter.fillRect(QRect(at.x() - 1, at.y() - 1, 3, 3), pointColour(p.colour));
    }
    if (traceView()) {
        // The timing light: every measured revolution as a dot 5 pixels across over the steps.
        for (int t = 0; t < m_traces.size(); ++t) {
            const QColor colour = traceColour(t);
            for (const QPointF &p : m_traces.at(t).points) {
                if (std::isfinite(p.x()) && std::isfinite(p.y()))
                    fillDot(painter, g.toPixel(p.x(), p.y()), colour);
            }
        }
    } else if (!m_overlayLegend.isEmpty()) {
        // The overlay: rings 7 pixels across, so that a point on the series stays visible
        // inside.
        painter.setPen(QPen(overlayColour(), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.setRenderHint(QPainter::Antialiasing, true);
        for (const QPointF &p : m_overlay) {
            if (std::isfinite(p.x()) && std::isfinite(p.y()))
                painter.drawEllipse(QPointF(g.toPixel(p.x(), p.y())), 3.5, 3.5);
        }
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    painter.setClipping(false);

    if (legendShown())
        paintLegend(painter, g);

    if (m_drag) {
        const QPoint at = g.toPixel(all.at(m_drag->index).x, m_drag->y);
        const QString text = m_drag->text + QChar(0x00B0);
        const int w = labelMetrics.horizontalAdvance(text) + 6;
        const int h = labelMetrics.height() + 2;
        QRect box(at.x() + 6, at.y() - h - 4, w, h);
        if (box.right() > width() - 1)
            box.moveRight(at.x() - 6);
        if (box.top() < 0)
            box.moveTop(at.y() + 4);
        painter.setPen(palette().color(QPalette::Dark));
        painter.setBrush(palette().color(QPalette::ToolTipBase));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::ToolTipText));
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
}
