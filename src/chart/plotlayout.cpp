// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "chart/plotlayout.h"

#include <algorithm>
#include <cmath>

static constexpr int kOuterMargin = kPlotOuterMargin;
static constexpr int kTitleGap = 4;
static constexpr int kTickLength = 4;
static constexpr int kLabelGap = 3;
// Data area edge to frame edge: the border line plus the marker room.
static constexpr int kFrameInset = 1 + kPlotMarkerRoom;
static constexpr double kDefaultMin = 0;
static constexpr double kDefaultMax = 10;
// Coordinates beyond this are clamped so that range arithmetic cannot overflow.
static constexpr double kLargest = 1e300;
static constexpr int kMostIntervals = 200;

struct Extent
{
    double min = kDefaultMin;
    double max = kDefaultMax;
};

static Extent extentOf(const QList<ChartPoint> &points, double ChartPoint::*coordinate,
                       double lowest, double highest)
{
    bool any = false;
    Extent e;
    for (const ChartPoint &p : points) {
        // The chart leaves out a point it cannot place, so the range does too.
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            continue;
        const double v = p.*coordinate;
        const double c = std::clamp(v, std::max(lowest, -kLargest), std::min(highest, kLargest));
        e.min = any ? std::min(e.min, c) : c;
        e.max = any ? std::max(e.max, c) : c;
        any = true;
    }
    if (!any)
        return Extent{};
    // A single value, or values too close for the number format, get a range around them.
    const double magnitude = std::max(std::abs(e.min), std::abs(e.max));
    if (e.max - e.min <= magnitude * 1e-9 || e.max - e.min < 1e-200) {
        const double half = std::max(magnitude * 0.05, 1.0);
        e.min -= half;
        e.max += half;
    }
    return e;
}

static QString tickLabel(double value, int decimals, const QLocale &locale)
{
    return locale.toString(value, 'f', decimals);
}

static int labelWidth(const QString &label, const PlotTextMetrics &text)
{
    return int(label.size()) * text.charWidth;
}

static int widestLabel(const AxisScale &axis, const PlotTextMetrics &text)
{
    int widest = 0;
    for (const QString &label : axis.labels)
        widest = std::max(widest, labelWidth(label, text));
    return widest;
}

// The decimals of the tick labels of a step of 10^exponent.
static int labelDecimals(int exponent)
{
    return std::clamp(-exponent, 0, 20);
}

// The tick at k steps; a rounding residue around zero is zero, so that no label reads "-0".
static double tickAt(double k, double step)
{
    const double v = k * step;
    return std::abs(v) < step * 1e-6 ? 0 : v;
}

// The axis over [lo, hi] with ticks on multiples of step, range widened to whole steps.
static AxisScale roundedScale(double lo, double hi, double step, int exponent,
                              const QLocale &locale)
{
    const double kLo = std::floor(lo / step);
    const double kHi = std::ceil(hi / step);
    AxisScale axis;
    axis.step = step;
    axis.min = kLo * step;
    axis.max = kHi * step;
    const int decimals = labelDecimals(exponent);
    const int intervals = int(kHi - kLo);
    axis.ticks.reserve(intervals + 1);
    axis.labels.reserve(intervals + 1);
    for (int i = 0; i <= intervals; ++i) {
        const double v = tickAt(kLo + i, step);
        axis.ticks.append(v);
        axis.labels.append(tickLabel(v, decimals, locale));
    }
    return axis;
}

// The width of the widest tick label of a scale, without formatting every label: a label
// holds the same number of decimals at every tick and no more integer digits than the one of
// largest magnitude, so the widest label is the lowest tick's (the most negative one, with
// the sign) or the highest tick's.
static int widestEndLabel(double lo, double hi, double step, int exponent, const QLocale &locale,
                          const PlotTextMetrics &text)
{
    const int decimals = labelDecimals(exponent);
    const auto endLabel = [&](double k) {
        return labelWidth(tickLabel(tickAt(k, step), decimals, locale), text);
    };
    return std::max(endLabel(std::floor(lo / step)), endLabel(std::ceil(hi / step)));
}

// The finest step of 1, 2 or 5 times a power of ten whose tick labels stay readable over
// `pixels`; when even a step as large as the range is too fine, that step. Only the chosen
// step's labels are formatted.
static AxisScale scaleAxis(const Extent &extent, int pixels, bool horizontal,
                           const PlotTextMetrics &text)
{
    QLocale locale = text.locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    const double range = extent.max - extent.min;
    const int top = int(std::floor(std::log10(range)));
    for (int exponent = top - 3;; ++exponent) {
        for (const int mantissa : {1, 2, 5}) {
            const double step = mantissa * std::pow(10.0, exponent);
            const double kLo = std::floor(extent.min / step);
            const double kHi = std::ceil(extent.max / step);
            if (kHi - kLo > kMostIntervals)
                continue;
            // As the scale's max - min.
            const double spacing = pixels * step / (kHi * step - kLo * step);
            const double needed =
                horizontal ? widestEndLabel(extent.min, extent.max, step, exponent, locale, text) +
                                 2 * text.charWidth
                           : 2.5 * text.lineHeight;
            if (spacing >= needed || step >= range)
                return roundedScale(extent.min, extent.max, step, exponent, locale);
        }
    }
}

QPoint PlotGeometry::toPixel(double xValue, double yValue) const
{
    // Points beyond the axes' limits are drawn on the edge; the clamp also keeps stray values
    // off the int conversion.
    const auto fraction = [](double v, const AxisScale &axis) {
        const double f = (v - axis.min) / (axis.max - axis.min);
        return f > 0 ? std::min(f, 1.0) : 0.0;
    };
    return QPoint(data.left() + int(std::lround(fraction(xValue, x) * (data.width() - 1))),
                  data.bottom() - int(std::lround(fraction(yValue, y) * (data.height() - 1))));
}

PlotGeometry layoutPlot(const QList<ChartPoint> &points, QSize widgetSize,
                        const PlotTextMetrics &text, const PlotLimits &limits)
{
    const int width = std::max(widgetSize.width(), 0);
    const int height = std::max(widgetSize.height(), 0);
    const Extent xExtent = extentOf(points, &ChartPoint::x, limits.xMin, limits.xMax);
    const Extent yExtent = extentOf(points, &ChartPoint::y, limits.yMin, limits.yMax);
    const int smallest = 2 * kFrameInset + 1; // a frame around a data area of one pixel

    PlotGeometry g;
    g.title = QRect(kOuterMargin, kOuterMargin, std::max(width - 2 * kOuterMargin, 0),
                    std::max(text.titleHeight, 0));

    // The top Y label is centred on the data area's top and needs half a line above it.
    const int titleBand = kOuterMargin + (text.titleHeight > 0 ? text.titleHeight + kTitleGap : 0);
    const int axisTitleLine = text.axisTitles ? text.lineHeight : 0;
    const int top = titleBand + axisTitleLine + std::max(text.lineHeight / 2 - kFrameInset, 0);
    const int below = kTickLength + kLabelGap + text.lineHeight + axisTitleLine + kOuterMargin;
    const int bottom = std::max(top + smallest, height - below) - 1;
    const int dataHeight = bottom - top + 1 - 2 * kFrameInset;
    g.y = scaleAxis(yExtent, dataHeight - 1, false, text);

    // The outer X labels are centred on the data area's edges; widen the side margins until
    // they fit. A few rounds settle it, as wider margins only make the labels fewer.
    const int yLabels = widestLabel(g.y, text);
    int left = kOuterMargin + yLabels + kLabelGap + kTickLength;
    int right = kOuterMargin;
    for (int round = 0; round < 4; ++round) {
        const int frameRight = std::max(left + smallest, width - right) - 1;
        g.frame = QRect(QPoint(left, top), QPoint(frameRight, bottom));
        g.data = g.frame.adjusted(kFrameInset, kFrameInset, -kFrameInset, -kFrameInset);
        g.x = scaleAxis(xExtent, g.data.width() - 1, true, text);
        const int needLeft =
            kOuterMargin + labelWidth(g.x.labels.first(), text) / 2 + 1 - kFrameInset;
        const int needRight =
            kOuterMargin + labelWidth(g.x.labels.last(), text) / 2 + 1 - kFrameInset;
        if (needLeft <= left && needRight <= right)
            break;
        left = std::max(left, needLeft);
        right = std::max(right, needRight);
    }
    if (text.axisTitles) {
        g.yTitle =
            QRect(kOuterMargin, titleBand, std::max(width - 2 * kOuterMargin, 0), text.lineHeight);
        g.xTitle =
            QRect(kOuterMargin, g.frame.bottom() + kTickLength + kLabelGap + text.lineHeight + 1,
                  std::max(g.frame.right() + 1 - kOuterMargin, 0), text.lineHeight);
    }
    return g;
}

PlotGeometry layoutPlot(const ChartSeries &series, QSize widgetSize, const PlotTextMetrics &text,
                        const PlotLimits &limits)
{
    return layoutPlot(series.points(), widgetSize, text, limits);
}
