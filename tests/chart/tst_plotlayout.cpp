// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/plotlayout.h"

class TestPlotLayout : public QObject
{
    Q_OBJECT
private slots:
    void rpmAxisInNiceSteps();
    void degreesAxisInNiceSteps();
    void fractionalStepsKeepTheirDecimals();
    void labelsUseTheLocaleWithoutGrouping();
    void ticksAreReadableAndCoverThePoints_data();
    void ticksAreReadableAndCoverThePoints();
    void edgeMarkersFitInsideTheFrame();
    void valuesMapOntoTheDataArea();
    void degenerateRanges_data();
    void degenerateRanges();
    void nonFinitePointsAreLeftOut();
    void tinyWidgetStillLaysOut();
    void axisTitlesGetALineEachOutsideTheLabels();
    void limitsClipTheAxes();
};

static QList<ChartPoint> pointsAt(const QList<QPointF> &xy)
{
    QList<ChartPoint> out;
    for (const QPointF &p : xy)
        out.append(ChartPoint{p.x(), p.y(), QString(), kChartRed});
    return out;
}

// Wide characters and tall lines, so that every step choice below clears its limit by far.
static PlotTextMetrics roomyText()
{
    PlotTextMetrics m;
    m.titleHeight = 20;
    m.lineHeight = 20;
    m.charWidth = 10;
    m.locale = QLocale::c();
    return m;
}

void TestPlotLayout::rpmAxisInNiceSteps()
{
    // About 940 pixels wide: "20000" needs 50 + 20 pixels; steps of 1000 would give 47.
    const PlotGeometry g =
        layoutPlot(pointsAt({{600, 0}, {20000, 30}}), QSize(1000, 600), roomyText());
    QCOMPARE(g.x.min, 0.0);
    QCOMPARE(g.x.max, 20000.0);
    QCOMPARE(g.x.step, 2000.0);
    QCOMPARE(g.x.ticks,
             (QList<double>{0, 2000, 4000, 6000, 8000, 10000, 12000, 14000, 16000, 18000, 20000}));
    QCOMPARE(g.x.labels, (QStringList{"0", "2000", "4000", "6000", "8000", "10000", "12000",
                                      "14000", "16000", "18000", "20000"}));
}

void TestPlotLayout::degreesAxisInNiceSteps()
{
    // About 520 pixels high and 50 needed per step: steps of 2 would give 29, of 5 give 74.
    const PlotGeometry g =
        layoutPlot(pointsAt({{600, 10.5}, {15000, 35}}), QSize(1000, 600), roomyText());
    QCOMPARE(g.y.min, 10.0);
    QCOMPARE(g.y.max, 35.0);
    QCOMPARE(g.y.step, 5.0);
    QCOMPARE(g.y.labels, (QStringList{"10", "15", "20", "25", "30", "35"}));
}

void TestPlotLayout::fractionalStepsKeepTheirDecimals()
{
    // Steps of 0.05 give 7 intervals of about 74 pixels; steps of 0.02 would give 32.
    const PlotGeometry g =
        layoutPlot(pointsAt({{0, 0.12}, {1, 0.43}}), QSize(1000, 600), roomyText());
    QCOMPARE(g.y.step, 0.05);
    QCOMPARE(g.y.labels,
             (QStringList{"0.10", "0.15", "0.20", "0.25", "0.30", "0.35", "0.40", "0.45"}));
    QCOMPARE(g.y.ticks.size(), 8);
    QCOMPARE(g.y.ticks.first(), 0.1);
    QCOMPARE(g.y.ticks.last(), 0.45);
}

void TestPlotLayout::labelsUseTheLocaleWithoutGrouping()
{
    PlotTextMetrics text = roomyText();
    text.locale = QLocale(QLocale::German, QLocale::Germany);
    const PlotGeometry g =
        layoutPlot(pointsAt({{600, 0.12}, {20000, 0.43}}), QSize(1000, 600), text);
    QCOMPARE(g.x.labels.last(), QStringLiteral("20000"));
    QCOMPARE(g.y.labels.first(), QStringLiteral("0,10"));
}

void TestPlotLayout::ticksAreReadableAndCoverThePoints_data()
{
    QTest::addColumn<QList<QPointF>>("xy");
    QTest::addColumn<QSize>("size");
    QTest::newRow("rpm table") << QList<QPointF>{{600, 12}, {1500, 20.3}, {9000, 33.6}, {15000, 28}}
                               << QSize(449, 505);
    QTest::newRow("negative angles")
        << QList<QPointF>{{250, -7.7}, {12000, 4.2}} << QSize(449, 505);
    QTest::newRow("small fractions")
        << QList<QPointF>{{0.001, 0.003}, {0.0042, 0.0071}} << QSize(449, 505);
    QTest::newRow("huge numbers") << QList<QPointF>{{1e12, -3e9}, {7.5e12, 4e9}} << QSize(449, 505);
    QTest::newRow("narrow") << QList<QPointF>{{600, 0}, {20000, 40}} << QSize(200, 150);
    // The widest X label is the lowest one, with its sign.
    QTest::newRow("negative speeds") << QList<QPointF>{{-19000, 1}, {900, 2}} << QSize(449, 505);
}

void TestPlotLayout::ticksAreReadableAndCoverThePoints()
{
    QFETCH(QList<QPointF>, xy);
    QFETCH(QSize, size);
    PlotTextMetrics text; // the defaults stand in for a widget font
    const PlotGeometry g = layoutPlot(pointsAt(xy), size, text);
    for (const AxisScale *axis : {&g.x, &g.y}) {
        QVERIFY(axis->ticks.size() >= 2);
        QCOMPARE(axis->labels.size(), axis->ticks.size());
        QCOMPARE(axis->ticks.first(), axis->min);
        QCOMPARE(axis->ticks.last(), axis->max);
        // The step is 1, 2 or 5 times a power of ten, and the ticks lie one step apart.
        const double mantissa = axis->step / std::pow(10.0, std::floor(std::log10(axis->step)));
        QVERIFY2(qFuzzyCompare(mantissa, 1.0) || qFuzzyCompare(mantissa, 2.0) ||
                     qFuzzyCompare(mantissa, 5.0),
                 qPrintable(QString::number(axis->step)));
        for (qsizetype i = 1; i < axis->ticks.size(); ++i)
            QVERIFY(qFuzzyCompare(axis->ticks.at(i) - axis->ticks.at(i - 1), axis->step));
    }
    for (const QPointF &p : xy) {
        QVERIFY(g.x.min <= p.x() && p.x() <= g.x.max);
        QVERIFY(g.y.min <= p.y() && p.y() <= g.y.max);
    }
    // Neighbouring labels do not touch unless only the two range ends are left.
    if (g.x.ticks.size() > 2) {
        const int spacing = g.toPixel(g.x.ticks.at(1), 0).x() - g.toPixel(g.x.ticks.at(0), 0).x();
        int widest = 0;
        for (const QString &label : g.x.labels)
            widest = std::max(widest, int(label.size()) * text.charWidth);
        QVERIFY2(spacing > widest, qPrintable(QStringLiteral("%1 <= %2").arg(spacing).arg(widest)));
    }
    if (g.y.ticks.size() > 2) {
        const int spacing = g.toPixel(0, g.y.ticks.at(0)).y() - g.toPixel(0, g.y.ticks.at(1)).y();
        QVERIFY(spacing > text.lineHeight);
    }
    // Labels stay in the widget: the Y labels left of the frame, the outer X labels centred
    // on the data area's edges.
    QVERIFY(g.frame.left() > int(g.y.labels.last().size()) * text.charWidth);
    QVERIFY(g.data.left() - int(g.x.labels.first().size()) * text.charWidth / 2 >= 0);
    QVERIFY(g.data.right() + int(g.x.labels.last().size()) * text.charWidth / 2 < size.width());
    QVERIFY(g.frame.bottom() + text.lineHeight < size.height());
    QVERIFY(g.frame.top() >= g.title.bottom());
}

void TestPlotLayout::edgeMarkersFitInsideTheFrame()
{
    // The extreme points sit exactly on the axes' ends.
    const PlotGeometry g = layoutPlot(pointsAt({{0, 0}, {20000, 40}}), QSize(449, 505));
    QCOMPARE(g.x.min, 0.0);
    QCOMPARE(g.x.max, 20000.0);
    QCOMPARE(g.y.min, 0.0);
    QCOMPARE(g.y.max, 40.0);
    const QPoint low = g.toPixel(0, 0);
    const QPoint high = g.toPixel(20000, 40);
    // A 3 x 3 marker around each keeps clear of the frame's border line.
    QVERIFY(low.x() - 1 > g.frame.left());
    QVERIFY(low.y() + 1 < g.frame.bottom());
    QVERIFY(high.x() + 1 < g.frame.right());
    QVERIFY(high.y() - 1 > g.frame.top());
    QVERIFY(g.frame.right() < 449);
    QVERIFY(g.frame.bottom() < 505);
}

void TestPlotLayout::valuesMapOntoTheDataArea()
{
    const PlotGeometry g = layoutPlot(pointsAt({{0, 0}, {20000, 40}}), QSize(449, 505));
    QCOMPARE(g.toPixel(0, 0), g.data.bottomLeft());
    QCOMPARE(g.toPixel(20000, 40), g.data.topRight());
    const QPoint middle = g.toPixel(10000, 20);
    QVERIFY(std::abs(middle.x() - g.data.center().x()) <= 1);
    QVERIFY(std::abs(middle.y() - g.data.center().y()) <= 1);
    // Larger X to the right, larger Y upwards.
    QVERIFY(g.toPixel(5000, 10).x() < g.toPixel(5100, 10).x());
    QVERIFY(g.toPixel(5000, 10).y() > g.toPixel(5000, 10.5).y());
}

void TestPlotLayout::limitsClipTheAxes()
{
    // An angle of 1e308 and an RPM of 90000 stretch the axes no further than the limits; the
    // points beyond them are drawn on the edge.
    const QList<ChartPoint> points = pointsAt({{460, 10}, {19500, 1e308}, {90000, -400}});
    const PlotLimits limits{0, 25000, -180, 180};
    const PlotGeometry g = layoutPlot(points, QSize(1000, 600), roomyText(), limits);
    // The limits, widened to whole steps.
    QCOMPARE(g.y.step, 50.0);
    QCOMPARE(g.y.min, -200.0);
    QCOMPARE(g.y.max, 200.0);
    QCOMPARE(g.x.min, 0.0);
    QCOMPARE(g.x.max, 26000.0);
    QCOMPARE(g.toPixel(19500, 1e308).y(), g.data.top());
    QCOMPARE(g.toPixel(90000, -400), g.data.bottomRight());
    // Within the limits nothing changes.
    const QList<ChartPoint> inside = pointsAt({{600, 10.5}, {15000, 35}});
    QCOMPARE(layoutPlot(inside, QSize(1000, 600), roomyText(), limits).y.labels,
             layoutPlot(inside, QSize(1000, 600), roomyText()).y.labels);
}

void TestPlotLayout::degenerateRanges_data()
{
    QTest::addColumn<QList<QPointF>>("xy");
    QTest::newRow("no points") << QList<QPointF>{};
    QTest::newRow("one point") << QList<QPointF>{{5000, 12.5}};
    QTest::newRow("one point at zero") << QList<QPointF>{{0, 0}};
    QTest::newRow("equal X") << QList<QPointF>{{3000, 1}, {3000, 9}, {3000, 4}};
    QTest::newRow("equal Y") << QList<QPointF>{{600, 0}, {8000, 0}, {15000, 0}};
    QTest::newRow("equal large") << QList<QPointF>{{1e15, 1e15}, {1e15 + 0.125, 1e15}};
}

void TestPlotLayout::degenerateRanges()
{
    QFETCH(QList<QPointF>, xy);
    const PlotGeometry g = layoutPlot(pointsAt(xy), QSize(449, 505));
    for (const AxisScale *axis : {&g.x, &g.y}) {
        QVERIFY(std::isfinite(axis->min) && std::isfinite(axis->max));
        QVERIFY(axis->min < axis->max);
        QVERIFY(axis->ticks.size() >= 2);
        QVERIFY(axis->ticks.size() <= 20);
    }
    // A value shared by all points lies inside its range, never on an end.
    const auto allEqual = [&xy](auto coordinate) {
        return std::all_of(xy.cbegin(), xy.cend(), [&](const QPointF &p) {
            return coordinate(p) == coordinate(xy.first());
        });
    };
    for (const QPointF &p : xy) {
        if (allEqual([](const QPointF &q) { return q.x(); }))
            QVERIFY(g.x.min < p.x() && p.x() < g.x.max);
        if (allEqual([](const QPointF &q) { return q.y(); }))
            QVERIFY(g.y.min < p.y() && p.y() < g.y.max);
        QVERIFY(g.x.min <= p.x() && p.x() <= g.x.max);
        QVERIFY(g.y.min <= p.y() && p.y() <= g.y.max);
        QVERIFY(g.data.contains(g.toPixel(p.x(), p.y())));
    }
    if (xy.isEmpty()) {
        QCOMPARE(g.x.min, 0.0);
        QCOMPARE(g.x.max, 10.0);
        QCOMPARE(g.y.min, 0.0);
        QCOMPARE(g.y.max, 10.0);
    }
}

void TestPlotLayout::nonFinitePointsAreLeftOut()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const PlotGeometry with = layoutPlot(
        pointsAt({{nan, 5}, {100000, inf}, {2000, 10}, {3000, 20}, {-inf, -50}}), QSize(449, 505));
    const PlotGeometry without = layoutPlot(pointsAt({{2000, 10}, {3000, 20}}), QSize(449, 505));
    QCOMPARE(with.x.ticks, without.x.ticks);
    QCOMPARE(with.y.ticks, without.y.ticks);
    QCOMPARE(with.data, without.data);
    // Mapping a stray value stays on the data area.
    QVERIFY(with.data.contains(with.toPixel(nan, inf)));
}

void TestPlotLayout::tinyWidgetStillLaysOut()
{
    for (const QSize size : {QSize(0, 0), QSize(10, 10), QSize(-5, 40)}) {
        const PlotGeometry g = layoutPlot(pointsAt({{600, 3}, {15000, 40}}), size);
        QVERIFY(g.data.width() >= 1 && g.data.height() >= 1);
        QVERIFY(g.x.ticks.size() >= 2);
        QVERIFY(g.y.ticks.size() >= 2);
        QVERIFY(g.data.contains(g.toPixel(15000, 40)));
    }
}

void TestPlotLayout::axisTitlesGetALineEachOutsideTheLabels()
{
    PlotTextMetrics text = roomyText();
    const QList<ChartPoint> points = pointsAt({{0, 0}, {20000, 40}});
    const PlotGeometry plain = layoutPlot(points, QSize(449, 505), text);
    QCOMPARE(plain.xTitle, QRect());
    QCOMPARE(plain.yTitle, QRect());
    text.axisTitles = true;
    const PlotGeometry g = layoutPlot(points, QSize(449, 505), text);
    // The frame gives up one line at the top and one at the bottom, nothing at the sides.
    QCOMPARE(g.frame.top(), plain.frame.top() + 20);
    QCOMPARE(g.frame.bottom(), plain.frame.bottom() - 20);
    QCOMPARE(g.frame.left(), plain.frame.left());
    QCOMPARE(g.frame.right(), plain.frame.right());
    // Y: left-aligned above the top tick label, which is centred on the data area's top.
    QCOMPARE(g.yTitle.left(), kPlotOuterMargin);
    QCOMPARE(g.yTitle.height(), 20);
    QVERIFY(g.yTitle.top() > g.title.bottom());
    QVERIFY(g.yTitle.bottom() < g.data.top() - 10);
    // X: below the tick labels (tick 4, gap 3, a line of 20), ending at the frame's right.
    QCOMPARE(g.xTitle.top(), g.frame.bottom() + 4 + 3 + 20 + 1);
    QCOMPARE(g.xTitle.right(), g.frame.right());
    QVERIFY(g.xTitle.bottom() <= 505 - 1 - kPlotOuterMargin);
}

QTEST_GUILESS_MAIN(TestPlotLayout)
#include "tst_plotlayout.moc"
