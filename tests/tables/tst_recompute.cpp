// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QTest>

#include "chart/chartseries.h"
#include "session/recompute.h"
#include "session/savetable.h"
#include "tablestestsupport.h"

class TestRecompute : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void tableChangeShowsItsCodes();
    void tableChangeReplacesUnsavedEdits();
    void sensorChangeMovesAnglesWithIt();
    void sensorTypedCharacterByCharacter();
    void uncheckedSensorChangeKeepsAnglesForNextSave();
    void emptySensorAngleChangesNothing();
    void idleBeforeLoad();
    void emptyActiveTableFails();
    void badCodeStopsWithRowsAbove();
    void emptySensorOnTableChangeFailsAtFirstAngle();
};

namespace {

constexpr quint32 kSentinel = 0x123456;

void addSentinel(ChartSeries &series)
{
    series.add(1, 2, QStringLiteral("mark"), kSentinel);
}

bool onlySentinel(const ChartSeries &series)
{
    return series.count() == 1 && series.points().first().colour == kSentinel;
}

// Table 2 holds 10, 180, 200 in rows 1..3 and 0 below; table 1 and the angles are those of
// fillGrid.
void fillWithTable2(Document &grid)
{
    fillGrid(grid);
    grid.cell(2, 1) = QStringLiteral("10");
    grid.cell(2, 2) = QStringLiteral("180");
    grid.cell(2, 3) = QStringLiteral("200");
    for (int row = 4; row <= 32; ++row)
        grid.cell(2, row) = QStringLiteral("0");
}

QStringList anglesFrom(QStringList head, const QString &rest)
{
    while (head.size() < 32)
        head.append(rest);
    return head;
}

} // namespace

// The decimal point unless a test chooses otherwise, whatever the user's locale.
void TestRecompute::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestRecompute::tableChangeShowsItsCodes()
{
    Document grid;
    fillWithTable2(grid);
    const QStringList codesBefore = columnTexts(grid, 2);
    ChartSeries series;
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");

    activeTableChanged(grid, series, settings);

    QCOMPARE(columnTexts(grid, 4), anglesFrom({"13", "-", "58.5"}, "20"));
    QCOMPARE(columnTexts(grid, 2), codesBefore);
    QCOMPARE(columnTexts(grid, 1), QStringList(32, "11"));
    QCOMPARE(series.count(), 32);
    QCOMPARE(series.points().at(1).colour, kChartGreen);
    QCOMPARE(series.points().at(1).y, 13.0);
    QCOMPARE(series.points().at(2).y, 58.5);
}

void TestRecompute::tableChangeReplacesUnsavedEdits()
{
    Document grid;
    fillWithTable2(grid);
    grid.cell(4, 5) = QStringLiteral("33.3");
    ChartSeries series;
    activeTableChanged(grid, series, FakeSettings());
    // Table 1 holds 11 everywhere: 20 - 7.7.
    QCOMPARE(columnTexts(grid, 4), QStringList(32, "12.3"));
}

void TestRecompute::sensorChangeMovesAnglesWithIt()
{
    Document grid;
    fillWithTable2(grid);
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");
    ChartSeries series;
    activeTableChanged(grid, series, settings);
    const auto codesBefore =
        QList{columnTexts(grid, 1), columnTexts(grid, 2), columnTexts(grid, 3)};

    settings.sensorAngle = QStringLiteral("30");
    sensorAngleChanged(grid, series, settings, true);

    QCOMPARE(columnTexts(grid, 4), anglesFrom({"23", "-", "68.5"}, "30"));
    QCOMPARE((QList{columnTexts(grid, 1), columnTexts(grid, 2), columnTexts(grid, 3)}),
             codesBefore);
    QCOMPARE(series.points().at(0).y, 23.0);
}

void TestRecompute::sensorTypedCharacterByCharacter()
{
    // 20 -> "" (backspace) -> "3" -> "35" ends where one change to 35 ends.
    Document stepwise;
    fillWithTable2(stepwise);
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");
    ChartSeries series;
    activeTableChanged(stepwise, series, settings);
    for (const char *typed : {"2", "", "3", "35"}) {
        settings.sensorAngle = QString::fromLatin1(typed);
        sensorAngleChanged(stepwise, series, settings, true);
    }
    QCOMPARE(columnTexts(stepwise, 4), anglesFrom({"28", "-", "73.5"}, "35"));
    QCOMPARE(series.points().at(2).y, 73.5);
}

void TestRecompute::uncheckedSensorChangeKeepsAnglesForNextSave()
{
    Document grid;
    fillWithTable2(grid);
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");
    ChartSeries series;
    activeTableChanged(grid, series, settings);
    const QStringList angles = columnTexts(grid, 4);
    series.clear();
    addSentinel(series);

    settings.sensorAngle = QStringLiteral("30");
    sensorAngleChanged(grid, series, settings, false);
    QCOMPARE(columnTexts(grid, 4), angles);
    QVERIFY(onlySentinel(series));

    // The unchanged angles 13, -, 58.5, 20... now lie below and above 30.
    QCOMPARE(saveToTable(grid, series, true, settings), std::nullopt);
    QCOMPARE(columnTexts(grid, 2), anglesFrom({"24", "180", "214", "14"}, "14"));
}

void TestRecompute::emptySensorAngleChangesNothing()
{
    Document grid;
    fillWithTable2(grid);
    const QStringList angles = columnTexts(grid, 4);
    ChartSeries series;
    addSentinel(series);
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");
    settings.sensorAngle = QString();
    sensorAngleChanged(grid, series, settings, true);
    QCOMPARE(columnTexts(grid, 4), angles);
    QVERIFY(onlySentinel(series));
}

void TestRecompute::idleBeforeLoad()
{
    Document grid;
    ChartSeries series;
    addSentinel(series);
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");
    activeTableChanged(grid, series, settings);
    settings.sensorAngle = QStringLiteral("30");
    sensorAngleChanged(grid, series, settings, true);
    QCOMPARE(columnTexts(grid, 4), QStringList(32, QString()));
    QVERIFY(onlySentinel(series));

    // One empty angle cell is enough to keep both idle.
    fillWithTable2(grid);
    grid.cell(4, 32) = QString();
    activeTableChanged(grid, series, settings);
    sensorAngleChanged(grid, series, settings, true);
    QCOMPARE(columnTexts(grid, 4), anglesFrom({}, "20").mid(0, 31) + QStringList{QString()});
    QVERIFY(onlySentinel(series));
}

void TestRecompute::emptyActiveTableFails()
{
    Document grid;
    fillWithTable2(grid);
    const QStringList angles = columnTexts(grid, 4);
    ChartSeries series;
    addSentinel(series);
    FakeSettings settings;
    settings.activeTable = QString();
    QCOMPARE(conversionMessage([&] { activeTableChanged(grid, series, settings); }),
             QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(columnTexts(grid, 4), angles);
    QVERIFY(onlySentinel(series));
}

void TestRecompute::badCodeStopsWithRowsAbove()
{
    Document grid;
    fillWithTable2(grid);
    grid.cell(2, 5) = QString();
    ChartSeries series;
    addSentinel(series);
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");
    settings.sensorAngle = QStringLiteral("30");
    QCOMPARE(conversionMessage([&] { sensorAngleChanged(grid, series, settings, true); }),
             QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(columnTexts(grid, 4), (QStringList{"23", "-", "68.5", "30"} + QStringList(28, "20")));
    QVERIFY(onlySentinel(series));
}

void TestRecompute::emptySensorOnTableChangeFailsAtFirstAngle()
{
    Document grid;
    fillWithTable2(grid);
    grid.cell(2, 1) = QStringLiteral("180");
    ChartSeries series;
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");
    settings.sensorAngle = QString();
    QCOMPARE(conversionMessage([&] { activeTableChanged(grid, series, settings); }),
             QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(columnTexts(grid, 4), (QStringList{"-", "-"} + QStringList(30, "20")));
}

QTEST_GUILESS_MAIN(TestRecompute)
#include "tst_recompute.moc"
