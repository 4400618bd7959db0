// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QPointer>
#include <QWidget>

#include "chart/chartseries.h"
#include "chart/plotlayout.h"

// A step chart of one series under a title. The axes scale to the points; there is no legend
// and no zooming or panning. Repaints on every change of the series or the title.
class ChartWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ChartWidget(QWidget *parent = nullptr);

    // The series is not owned; the chart forgets it when it is destroyed.
    void setSeries(ChartSeries *series);
    ChartSeries *series() const { return m_series; }

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

    QSize sizeHint() const override { return QSize(449, 505); }
    QSize minimumSizeHint() const override { return QSize(120, 100); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void seriesChanged();
    void updateDescription();
    QFont titleFont() const;
    QStringList titleLines() const;
    PlotTextMetrics textMetrics() const;
    PlotGeometry layout() const;
    const QList<ChartPoint> &points() const;

    QPointer<ChartSeries> m_series;
    QString m_title;
    QString m_xTitle;
    QString m_yTitle;
    PlotLimits m_limits;
};
