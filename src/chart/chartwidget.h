// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "chart/chartseries.h"
#include "chart/plotlayout.h"

// A step chart of one main series under a title, with optional backdrop series drawn faintly
// behind it in colours of their own (a legend names them while any is shown). The axes scale
// to every shown point; there is no zooming or panning. The layout of title and ticks is worked
// out once per change of size, data, title or font, not on every paint.
//
// With a drag rule set, a point of the main series can be dragged up or down: the rule snaps
// the value and names it while the mouse moves, Escape cancels, and the release reports the
// new value through pointDragged().
class ChartWidget : public QWidget
{
    Q_OBJECT
public:
    // Where a dragged point may go: the snapped value and its text; nothing when the point
    // cannot be dragged at all.
    struct DragTarget
    {
        double y = 0;
        QString text;
    };
    using DragRule = std::function<std::optional<DragTarget>(int index, double y)>;

    explicit ChartWidget(QWidget *parent = nullptr);

    // The series is not owned; the chart forgets it when it is destroyed.
    void setSeries(ChartSeries *series);
    ChartSeries *series() const { return m_series; }

    // A backdrop series, drawn behind the main one as a thin line in `colour` (solid or dashed),
    // without markers, named `name` in the legend. Not owned. Returns its number.
    int addBackdrop(ChartSeries *series, quint32 colour, Qt::PenStyle style, const QString &name);
    void setBackdropVisible(int backdrop, bool visible);
    void setBackdropName(int backdrop, const QString &name);
    bool backdropVisible(int backdrop) const;
    // The legend's name of the main series.
    void setSeriesName(const QString &name);
    // True while some backdrop with points or an overlay is shown, and with it the legend.
    bool legendShown() const;

    // A second set of points over the series, in a colour of its own, with a legend naming the
    // series and this set (such as angles measured on a simulated chip). Not joined by lines.
    void setOverlay(const QList<QPointF> &points, const QString &seriesLegend,
                    const QString &overlayLegend);
    void clearOverlay();
    const QList<QPointF> &overlay() const { return m_overlay; }
    // The names of the overlay's legend: the series and the overlay; empty without an overlay.
    QStringList legend() const;
    static constexpr QRgb kOverlayColour = 0xFF0050E0; // blue, apart from red, green and yellow
    // The overlay's colour on the current palette: kOverlayColour on a light background, a
    // lighter blue on a dark one, where the dark blue would hardly show.
    QColor overlayColour() const;

    // The timing-light view: sets of measured points (such as every revolution of ramps through
    // the whole speed range), each in a colour of its own and named in the legend, drawn over
    // the series instead of the overlay while the view is on. clearOverlay() drops them too.
    struct Trace
    {
        QString name;
        QList<QPointF> points;
    };
    void setTraces(const QList<Trace> &traces);
    const QList<Trace> &traces() const { return m_traces; }
    void setTraceView(bool on);
    bool traceView() const { return m_traceView && !m_traces.isEmpty(); }
    // The colour of trace `index` on the current palette: darker hues on a light background,
    // lighter ones on a dark background, so that every point stands out on both.
    QColor traceColour(int index) const;
    // The pixel at the centre of a trace point, as pointPosition() gives for the series.
    QPointF tracePosition(int trace, int index) const;

    // One line of text; wrapped onto further lines only where it is wider than the chart, so
    // that a long file name does not push a warning at its end out of sight.
    void setTitle(const QString &title);
    QString title() const { return m_title; }

    // Titles of the axes, with their units; empty texts leave the room to the plot.
    void setAxisTitles(const QString &xTitle, const QString &yTitle);
    QString xAxisTitle() const { return m_xTitle; }
    QString yAxisTitle() const { return m_yTitle; }
    // The most the axes span, whatever the points; points beyond are drawn at the edge.
    void setLimits(const PlotLimits &limits);

    // The pixel at the centre of point `index`'s marker at the widget's current size;
    // QPointF(-1, -1) for an index out of range or a point with a non-finite coordinate.
    QPointF pointPosition(int index) const;
    // The main series' point whose marker is nearest to `at` within a few pixels, or -1. Of
    // points at one place the first is taken.
    int pointAt(QPoint at) const;
    // The value on the vertical axis at a widget row.
    double valueAtY(int y) const;

    void setDragRule(DragRule rule) { m_dragRule = std::move(rule); }
    bool dragging() const { return m_drag.has_value(); }
    // Text shown beside the dragged point, empty when no drag is on.
    QString dragText() const { return m_drag ? m_drag->text : QString(); }

    QSize sizeHint() const override { return QSize(449, 505); }
    QSize minimumSizeHint() const override { return QSize(120, 100); }

signals:
    // The mouse rests on point `index` of the main series (-1: on none).
    void pointHovered(int index, QPoint globalPosition);
    // A drag of point `index` ended on value y.
    void pointDragged(int index, double y);
    // Traces were set or cleared.
    void tracesChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Backdrop
    {
        QPointer<ChartSeries> series;
        quint32 colour;
        Qt::PenStyle style;
        QString name;
        bool visible = true;
    };
    struct Drag
    {
        int index;
        double y;
        QString text;
    };
    struct Layout
    {
        PlotGeometry geometry;
        QStringList titleLines;
    };

    void seriesChanged();
    void invalidate();
    void updateDescription();
    QStringList titleLines() const;
    PlotTextMetrics textMetrics(qsizetype titleLineCount) const;
    const Layout &layout() const;
    const QList<ChartPoint> &points() const;
    std::vector<const Backdrop *> shownBackdrops() const;
    void paintLegend(QPainter &painter, const PlotGeometry &g) const;
    void endDrag(bool keep);
    void setHovered(int index, QPoint globalPosition);

    QPointer<ChartSeries> m_series;
    std::vector<Backdrop> m_backdrops;
    QString m_title;
    QString m_xTitle;
    QString m_yTitle;
    QString m_seriesName;
    mutable std::optional<Layout> m_layout;
    DragRule m_dragRule;
    std::optional<Drag> m_drag;
    int m_hovered = -1;
    PlotLimits m_limits;
    QList<QPointF> m_overlay;
    QString m_seriesLegend;
    QString m_overlayLegend;
    QList<Trace> m_traces;
    bool m_traceView = false;
};
