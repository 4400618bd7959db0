// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QSignalSpy>
#include <QTest>

#include "chart/chartseries.h"

class TestChartSeries : public QObject
{
    Q_OBJECT
private slots:
    void keepsXAscending();
    void equalXGoesAfterAllEqualOnes();
    void keepsValuesLabelAndColour();
    void clearEmpties();
    void changedOncePerAddAndClear();
};

static QList<double> xs(const ChartSeries &s)
{
    QList<double> out;
    for (const ChartPoint &p : s.points())
        out.append(p.x);
    return out;
}

void TestChartSeries::keepsXAscending()
{
    ChartSeries s;
    s.add(3000, 1, QString(), kChartRed);
    s.add(1000, 2, QString(), kChartRed);
    s.add(5000, 3, QString(), kChartRed);
    s.add(2000, 4, QString(), kChartRed);
    QCOMPARE(xs(s), (QList<double>{1000, 2000, 3000, 5000}));
    QCOMPARE(s.count(), 4);
    // Y follows its own point, not any order of its own.
    QCOMPARE(s.points().at(0).y, 2.0);
    QCOMPARE(s.points().at(1).y, 4.0);
    QCOMPARE(s.points().at(2).y, 1.0);
    QCOMPARE(s.points().at(3).y, 3.0);
}

void TestChartSeries::equalXGoesAfterAllEqualOnes()
{
    ChartSeries s;
    s.add(1000, 10, QString(), kChartRed);
    s.add(2000, 20, QString(), kChartRed);
    s.add(1000, 11, QString(), kChartGreen);
    s.add(500, 5, QString(), kChartRed);
    s.add(1000, 12, QString(), kChartYellow);
    QCOMPARE(xs(s), (QList<double>{500, 1000, 1000, 1000, 2000}));
    QCOMPARE(s.points().at(1).y, 10.0);
    QCOMPARE(s.points().at(2).y, 11.0);
    QCOMPARE(s.points().at(3).y, 12.0);
    QCOMPARE(s.points().at(3).colour, kChartYellow);
}

void TestChartSeries::keepsValuesLabelAndColour()
{
    ChartSeries s;
    s.add(1500, 12.5, QStringLiteral("a"), kChartGreen);
    s.add(700, -3.25, QStringLiteral("b"), kChartYellow);
    s.add(900, 0, QString(), kChartRed);
    const ChartPoint &first = s.points().at(0);
    QCOMPARE(first.x, 700.0);
    QCOMPARE(first.y, -3.25);
    QCOMPARE(first.label, QStringLiteral("b"));
    QCOMPARE(first.colour, quint32(0xFFFF00));
    QCOMPARE(s.points().at(1).colour, quint32(0xFF0000));
    QCOMPARE(s.points().at(1).label, QString());
    const ChartPoint &last = s.points().at(2);
    QCOMPARE(last.x, 1500.0);
    QCOMPARE(last.y, 12.5);
    QCOMPARE(last.label, QStringLiteral("a"));
    QCOMPARE(last.colour, quint32(0x008000));
}

void TestChartSeries::clearEmpties()
{
    ChartSeries s;
    s.add(1, 1, QString(), kChartRed);
    s.add(2, 2, QString(), kChartRed);
    s.clear();
    QCOMPARE(s.count(), 0);
    QVERIFY(s.points().isEmpty());
    s.add(7, 8, QString(), kChartGreen);
    QCOMPARE(s.count(), 1);
    QCOMPARE(s.points().at(0).x, 7.0);
}

void TestChartSeries::changedOncePerAddAndClear()
{
    ChartSeries s;
    QSignalSpy spy(&s, &ChartSeries::changed);
    s.add(1, 1, QString(), kChartRed);
    QCOMPARE(spy.count(), 1);
    s.add(1, 2, QString(), kChartYellow);
    QCOMPARE(spy.count(), 2);
    s.clear();
    QCOMPARE(spy.count(), 3);
    s.clear(); // an empty series still reports the clear, so every refresh repaints
    QCOMPARE(spy.count(), 4);
}

QTEST_GUILESS_MAIN(TestChartSeries)
#include "tst_chartseries.moc"
