// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QList>
#include <QLocale>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>

#include "chart/chartseries.h"

// Sizes of the texts the chart draws, measured by the widget from its fonts, so that the
// layout itself needs no font and is computed and tested without painting.
struct PlotTextMetrics
{
    int titleHeight = 16;    // height of the title's lines; 0 for no title
    int lineHeight = 14;     // height of a tick label
    int charWidth = 7;       // width of the widest character a tick label can hold
    bool axisTitles = false; // a line for the Y axis's title above the frame, one for the X
                             // axis's title below its tick labels
    QLocale locale = QLocale::c();
};

// One axis: the value range it spans and its ticks, which lie on whole multiples of step.
struct AxisScale
{
    double min = 0;
    double max = 1;
    double step = 1;
    QList<double> ticks;
    QStringList labels; // one per tick
};

// The most the axes may span: coordinates beyond a limit count as the limit, so that a stray
// value cannot stretch the axes until the other points and the tick labels are useless.
struct PlotLimits
{
    double xMin = -1e300;
    double xMax = 1e300;
    double yMin = -1e300;
    double yMax = 1e300;
};

// Everything the chart draws, in widget pixels.
struct PlotGeometry
{
    QRect title;  // the title's lines, across the widget inside the outer margins
    QRect frame;  // the axes frame; its border lines lie on its outermost pixels
    QRect data;   // where the axes' ranges map; inset in the frame so edge markers fit
    QRect yTitle; // the Y axis's title, left-aligned above the frame; empty without titles
    QRect xTitle; // the X axis's title, right-aligned below the X labels; empty without titles
    AxisScale x;
    AxisScale y;

    // The pixel a value pair is drawn at (snapped to whole pixels).
    QPoint toPixel(double xValue, double yValue) const;
};

// Blank space along the widget's edges.
inline constexpr int kPlotOuterMargin = 6;

// Gap between the frame's border line and the data area: a 3-pixel marker centred on the
// data area's edge stays off the border line.
inline constexpr int kPlotMarkerRoom = 3;

// The layout of a chart of these points in a widget of this size. Points with a non-finite
// coordinate are not drawn and left out of the ranges; no points, one point, or points that
// all share an X or a Y still give a proper range with at least two ticks.
PlotGeometry layoutPlot(const QList<ChartPoint> &points, QSize widgetSize,
                        const PlotTextMetrics &text = {}, const PlotLimits &limits = {});
PlotGeometry layoutPlot(const ChartSeries &series, QSize widgetSize,
                        const PlotTextMetrics &text = {}, const PlotLimits &limits = {});
