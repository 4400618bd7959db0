// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QTest>

#include "chart/chartseries.h"
#include "session/savetable.h"
#include "tablestestsupport.h"

class TestSaveTable : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void notLoadedWarnsBeforeAnything();
    void emptyAngleCellChangesNothing_data();
    void emptyAngleCellChangesNothing();
    void storesCodesOfActiveTable_data();
    void storesCodesOfActiveTable();
    void writesOnlyActiveTableColumn();
    void limitFailureStopsAtItsRow_data();
    void limitFailureStopsAtItsRow();
    void angleThatIsNoNumberWritesNoCode();
    void emptySensorAngleStopsAtFirstAngle();
    void emptyActiveTableWritesNoCode();
    void activeTableOutsideTablesWritesNoCode();
};

namespace {

constexpr quint32 kSentinel = 0x123456;

// A series that no refresh would produce, to tell whether the chart was touched.
void addSentinel(ChartSeries &series)
{
    series.add(1, 2, QStringLiteral("mark"), kSentinel);
}

bool onlySentinel(const ChartSeries &series)
{
    return series.count() == 1 && series.points().first().colour == kSentinel;
}

QList<QStringList> allColumns(const Document &grid)
{
    QList<QStringList> columns;
    for (int column = 0; column < Document::kColumns; ++column)
        columns.append(columnTexts(grid, column));
    return columns;
}

QStringList repeated(const QString &text, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(text);
    return list;
}

} // namespace

// The decimal point unless a test chooses otherwise, whatever the user's locale.
void TestSaveTable::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestSaveTable::notLoadedWarnsBeforeAnything()
{
    Document grid;
    fillGrid(grid);
    const auto before = allColumns(grid);
    ChartSeries series;
    addSentinel(series);
    const FakeSettings settings;
    QCOMPARE(saveToTable(grid, series, false, settings), MessageId::OpenFileFirst);
    QCOMPARE(allColumns(grid), before);
    QVERIFY(onlySentinel(series));

    // Not loaded wins over an empty angle cell.
    grid.cell(4, 3) = QString();
    QCOMPARE(saveToTable(grid, series, false, settings), MessageId::OpenFileFirst);
}

void TestSaveTable::emptyAngleCellChangesNothing_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("first") << 1;
    QTest::newRow("middle") << 17;
    QTest::newRow("last") << 32;
}

void TestSaveTable::emptyAngleCellChangesNothing()
{
    QFETCH(int, row);
    Document grid;
    fillGrid(grid);
    grid.cell(4, 1) = QStringLiteral("13");
    grid.cell(4, row) = QString();
    const auto before = allColumns(grid);
    ChartSeries series;
    addSentinel(series);
    QCOMPARE(saveToTable(grid, series, true, FakeSettings()), MessageId::FillAllAngles);
    QCOMPARE(allColumns(grid), before);
    QVERIFY(onlySentinel(series));
}

void TestSaveTable::storesCodesOfActiveTable_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("angles");
    QTest::newRow("point") << QLocale::c()
                           << QStringList{"13", "19.3", "20", "20.2", "58.5", "-", "13.1"};
    QTest::newRow("comma") << QLocale(QLocale::German)
                           << QStringList{"13", "19,3", "20", "20,2", "58,5", "-", "13,1"};
}

void TestSaveTable::storesCodesOfActiveTable()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, angles);
    const DefaultLocaleGuard guard(locale);
    Document grid;
    fillGrid(grid);
    for (int i = 0; i < angles.size(); ++i)
        grid.cell(4, i + 1) = angles.at(i);
    const QStringList anglesBefore = columnTexts(grid, 4);
    ChartSeries series;
    addSentinel(series);

    QCOMPARE(saveToTable(grid, series, true, FakeSettings()), std::nullopt);

    const QStringList expected =
        QStringList{"10", "1", "0", "255", "200", "180", "10"} + repeated("0", 25);
    QCOMPARE(columnTexts(grid, 1), expected);
    // The angle column keeps its texts, 13.1 included, until angles are computed from codes.
    QCOMPARE(columnTexts(grid, 4), anglesBefore);
    // The chart shows the angles as they stood.
    QCOMPARE(series.count(), 32);
    QCOMPARE(series.points().at(1).y, 19.3);
    QCOMPARE(series.points().at(5).colour, kChartGreen);
    QCOMPARE(series.points().at(5).y, 58.5);
}

void TestSaveTable::writesOnlyActiveTableColumn()
{
    Document grid;
    fillGrid(grid);
    grid.cell(4, 1) = QStringLiteral("13");
    ChartSeries series;
    FakeSettings settings;
    settings.activeTable = QStringLiteral("2");
    const auto before = allColumns(grid);

    QCOMPARE(saveToTable(grid, series, true, settings), std::nullopt);

    auto expected = before;
    expected[2] = QStringList{"10"} + repeated("0", 31);
    QCOMPARE(allColumns(grid), expected);
}

void TestSaveTable::limitFailureStopsAtItsRow_data()
{
    QTest::addColumn<QString>("angle");
    QTest::addColumn<MessageId>("message");
    QTest::newRow("below") << "-105.7" << MessageId::BelowSensorLimit;
    QTest::newRow("above") << "72.2" << MessageId::AboveSensorLimit;
}

void TestSaveTable::limitFailureStopsAtItsRow()
{
    QFETCH(QString, angle);
    QFETCH(MessageId, message);
    Document grid;
    fillGrid(grid);
    for (int row = 1; row <= 4; ++row)
        grid.cell(4, row) = QStringLiteral("72.1");
    grid.cell(4, 5) = angle;
    grid.cell(4, 6) = QStringLiteral("-105.6");
    ChartSeries series;

    QCOMPARE(saveToTable(grid, series, true, FakeSettings()), message);

    QCOMPARE(columnTexts(grid, 1), repeated("181", 4) + repeated("11", 28));
    QCOMPARE(columnTexts(grid, 2), repeated("22", 32));
    QCOMPARE(series.count(), 32);
    QCOMPARE(series.points().at(4).y, angle.toDouble());
}

void TestSaveTable::angleThatIsNoNumberWritesNoCode()
{
    Document grid;
    fillGrid(grid);
    grid.cell(4, 10) = QStringLiteral("1.2.3");
    ChartSeries series;
    QCOMPARE(conversionMessage([&] { saveToTable(grid, series, true, FakeSettings()); }),
             QStringLiteral("'1.2.3' is not a valid floating point value"));
    QCOMPARE(columnTexts(grid, 1), repeated("11", 32));
    QCOMPARE(series.count(), 9);
}

void TestSaveTable::emptySensorAngleStopsAtFirstAngle()
{
    Document grid;
    fillGrid(grid);
    grid.cell(4, 1) = QStringLiteral("-");
    grid.cell(4, 2) = QStringLiteral("-");
    ChartSeries series;
    FakeSettings settings;
    settings.sensorAngle = QString();
    QCOMPARE(conversionMessage([&] { saveToTable(grid, series, true, settings); }),
             QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(columnTexts(grid, 1), repeated("180", 2) + repeated("11", 30));
    QCOMPARE(series.count(), 32);
}

void TestSaveTable::emptyActiveTableWritesNoCode()
{
    Document grid;
    fillGrid(grid);
    const auto before = allColumns(grid);
    ChartSeries series;
    FakeSettings settings;
    settings.activeTable = QString();
    QCOMPARE(conversionMessage([&] { saveToTable(grid, series, true, settings); }),
             QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(allColumns(grid), before);
}

void TestSaveTable::activeTableOutsideTablesWritesNoCode()
{
    // Codes must never land in the RPM or the angle column.
    for (const QString &text : {QStringLiteral("0"), QStringLiteral("4")}) {
        Document grid;
        fillGrid(grid);
        grid.cell(4, 1) = QStringLiteral("13");
        const auto before = allColumns(grid);
        ChartSeries series;
        FakeSettings settings;
        settings.activeTable = text;
        QCOMPARE(conversionMessage([&] { saveToTable(grid, series, true, settings); }),
                 QStringLiteral("'%1' is not a valid table number").arg(text));
        QCOMPARE(allColumns(grid), before);
    }
}

QTEST_GUILESS_MAIN(TestSaveTable)
#include "tst_savetable.moc"
