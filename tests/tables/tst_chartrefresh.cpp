// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QTest>

#include "chart/chartseries.h"
#include "session/chartrefresh.h"
#include "tablestestsupport.h"

class TestChartRefresh : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pointPerRowInGridOrder();
    void noAngleSitsAtLastAngleAbove();
    void noAngleInFirstRowSitsAtZero();
    void replacesEveryPoint();
    void readsLocaleSeparator();
    void highlightGoesRightAfterItsRedPoint();
    void noHighlightForRowWithoutAngle();
    void equalRpmKeepsGridOrder();
    void badAngleStopsWithRowsAbove();
    void emptyRpmStopsWithRowsAbove();
};

namespace {

struct Point
{
    double x;
    double y;
    quint32 colour;
    bool operator==(const Point &) const = default;
};

QList<Point> pointsOf(const ChartSeries &series)
{
    QList<Point> points;
    for (const ChartPoint &p : series.points())
        points.append({p.x, p.y, p.colour});
    return points;
}

} // namespace

namespace QTest {
template <> char *toString(const Point &p)
{
    return qstrdup(QByteArray::number(p.x) + ',' + QByteArray::number(p.y) + " #" +
                   QByteArray::number(p.colour, 16));
}
} // namespace QTest

// The decimal point unless a test chooses otherwise, whatever the user's locale.
void TestChartRefresh::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestChartRefresh::pointPerRowInGridOrder()
{
    Document grid;
    fillGrid(grid);
    for (int row = 1; row <= 32; ++row)
        grid.cell(4, row) = QString::number(row) + QStringLiteral(".5");
    ChartSeries series;
    refreshChart(grid, series);
    QCOMPARE(series.count(), 32);
    for (int row = 1; row <= 32; ++row) {
        const ChartPoint &p = series.points().at(row - 1);
        QCOMPARE(p.x, 400.0 + 100 * row);
        QCOMPARE(p.y, row + 0.5);
        QCOMPARE(p.colour, kChartRed);
        QCOMPARE(p.label, QString());
    }
}

void TestChartRefresh::noAngleSitsAtLastAngleAbove()
{
    Document grid;
    fillGrid(grid);
    grid.cell(4, 1) = QStringLiteral("10");
    grid.cell(4, 2) = QStringLiteral("-");
    grid.cell(4, 3) = QStringLiteral("-");
    grid.cell(4, 4) = QStringLiteral("12");
    ChartSeries series;
    refreshChart(grid, series);
    QCOMPARE(series.count(), 32);
    QCOMPARE(pointsOf(series).mid(0, 5), (QList<Point>{{500, 10, kChartRed},
                                                       {600, 10, kChartGreen},
                                                       {700, 10, kChartGreen},
                                                       {800, 12, kChartRed},
                                                       {900, 20, kChartRed}}));
}

void TestChartRefresh::noAngleInFirstRowSitsAtZero()
{
    Document grid;
    fillGrid(grid);
    grid.cell(4, 1) = QStringLiteral("-");
    ChartSeries series;
    refreshChart(grid, series);
    QCOMPARE(pointsOf(series).first(), (Point{500, 0, kChartGreen}));
    QCOMPARE(pointsOf(series).at(1), (Point{600, 20, kChartRed}));
}

void TestChartRefresh::replacesEveryPoint()
{
    Document grid;
    fillGrid(grid);
    ChartSeries series;
    series.add(100, 99, QString(), kChartYellow);
    refreshChart(grid, series);
    refreshChart(grid, series);
    QCOMPARE(series.count(), 32);
    QCOMPARE(pointsOf(series).first(), (Point{500, 20, kChartRed}));
}

void TestChartRefresh::readsLocaleSeparator()
{
    const DefaultLocaleGuard guard{QLocale(QLocale::German)};
    Document grid;
    fillGrid(grid);
    grid.cell(4, 2) = QStringLiteral("-4,2");
    ChartSeries series;
    refreshChart(grid, series);
    QCOMPARE(series.points().at(1).y, -4.2);
}

void TestChartRefresh::highlightGoesRightAfterItsRedPoint()
{
    Document grid;
    fillGrid(grid);
    grid.cell(4, 7) = QStringLiteral("15.5");
    ChartSeries series;
    refreshChart(grid, series);
    addHighlightPoint(grid, 7, series);
    QCOMPARE(series.count(), 33);
    const QList<Point> points = pointsOf(series);
    QCOMPARE(points.at(6), (Point{1100, 15.5, kChartRed}));
    QCOMPARE(points.at(7), (Point{1100, 15.5, kChartYellow}));
    QCOMPARE(points.at(8), (Point{1200, 20, kChartRed}));
    for (int i = 0; i < points.size(); ++i) {
        if (i != 7)
            QVERIFY(points.at(i).colour != kChartYellow);
    }
}

void TestChartRefresh::noHighlightForRowWithoutAngle()
{
    Document grid;
    fillGrid(grid);
    grid.cell(4, 7) = QStringLiteral("-");
    ChartSeries series;
    refreshChart(grid, series);
    addHighlightPoint(grid, 7, series);
    addHighlightPoint(grid, 0, series);
    addHighlightPoint(grid, 33, series);
    QCOMPARE(series.count(), 32);
}

void TestChartRefresh::equalRpmKeepsGridOrder()
{
    Document grid;
    fillGrid(grid);
    // Rows 2 and 3 share 600 RPM, rows 1 and 5 share 500: out of order is no error.
    grid.cell(0, 3) = QStringLiteral("600");
    grid.cell(4, 2) = QStringLiteral("1");
    grid.cell(4, 3) = QStringLiteral("2");
    grid.cell(0, 5) = QStringLiteral("500");
    grid.cell(4, 5) = QStringLiteral("-");
    ChartSeries series;
    refreshChart(grid, series);
    QCOMPARE(pointsOf(series).mid(0, 5), (QList<Point>{{500, 20, kChartRed},
                                                       {500, 20, kChartGreen},
                                                       {600, 1, kChartRed},
                                                       {600, 2, kChartRed},
                                                       {800, 20, kChartRed}}));
}

void TestChartRefresh::badAngleStopsWithRowsAbove()
{
    Document grid;
    fillGrid(grid);
    grid.cell(4, 4) = QStringLiteral("1.2.3");
    ChartSeries series;
    QCOMPARE(conversionMessage([&] { refreshChart(grid, series); }),
             QStringLiteral("'1.2.3' is not a valid floating point value"));
    QCOMPARE(pointsOf(series),
             (QList<Point>{{500, 20, kChartRed}, {600, 20, kChartRed}, {700, 20, kChartRed}}));
}

void TestChartRefresh::emptyRpmStopsWithRowsAbove()
{
    Document grid;
    fillGrid(grid);
    grid.cell(0, 3) = QString();
    ChartSeries series;
    QCOMPARE(conversionMessage([&] { refreshChart(grid, series); }),
             QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(series.count(), 2);
}

QTEST_GUILESS_MAIN(TestChartRefresh)
#include "tst_chartrefresh.moc"
