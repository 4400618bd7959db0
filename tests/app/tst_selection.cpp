// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Choosing the active table and the sensor angle in their combo boxes, as a user does.
#include "apptestsupport.h"

#include "chart/chartseries.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

class TestSelection : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void typedTableIsShown();
    void tableChosenFromTheList();
    void sensorAngleMovesTheAnglesWhenChecked();
    void sensorAngleChosenFromTheList();
    void uncheckedKeepsTheAngles();
    void clearedSensorAngleChangesNothing();
    void nothingChangesBeforeALoad();
};

void TestSelection::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

static void show(Window &w)
{
    w.form.show();
    w.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
}

static void loadSample(Window &w, const QTemporaryDir &dir)
{
    w.load(writeFile(dir, "CDI.asm", sampleBytes()));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    show(w);
}

// Types over the whole text of the combo box.
static void typeOver(QComboBox *combo, const QString &keys)
{
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, keys);
}

// The Y values of the chart, as texts in the grid's format.
static QStringList chartAngles(const TForm1 &form)
{
    QStringList angles;
    for (const ChartPoint &point : form.Series1->points())
        angles.append(point.colour == kChartGreen ? QStringLiteral("-") : QString::number(point.y));
    return angles;
}

void TestSelection::typedTableIsShown()
{
    QTemporaryDir dir;
    Window w;
    loadSample(w, dir);
    typeOver(w.form.ComboBox2, QStringLiteral("2"));
    QCOMPARE(w.form.ComboBox2->currentText(), QStringLiteral("2"));
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(2), 20));
    QCOMPARE(w.form.grid().cell(4, 1), QStringLiteral("8.1"));
    QCOMPARE(w.form.grid().cell(4, 10), QStringLiteral("21.4"));
    QCOMPARE(chartAngles(w.form), expectedAngles(sampleCodes(2), 20));
    for (int table = 1; table <= 3; ++table)
        QCOMPARE(columnTexts(w.form, table), sampleCodes(table));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestSelection::tableChosenFromTheList()
{
    QTemporaryDir dir;
    Window w;
    loadSample(w, dir);
    // Unsaved edits give way to the chosen table's angles.
    w.form.grid().setCell(4, 5, QStringLiteral("1"));
    w.form.ComboBox2->setCurrentIndex(2);
    QCOMPARE(w.form.ComboBox2->currentText(), QStringLiteral("3"));
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(3), 20));
    QCOMPARE(w.form.grid().cell(4, 31), QStringLiteral("-"));
    QCOMPARE(w.form.Series1->count(), 32);
    // The breakpoints without angle stay at the last angle, green.
    QCOMPARE(w.form.Series1->points().at(31).colour, kChartGreen);
    QCOMPARE(w.form.Series1->points().at(31).y, 24.2);
    w.form.ComboBox2->setCurrentIndex(0);
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(1), 20));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestSelection::sensorAngleMovesTheAnglesWhenChecked()
{
    QTemporaryDir dir;
    Window w;
    loadSample(w, dir);
    w.form.ComboBox2->setCurrentIndex(2);
    QVERIFY(w.form.CheckBox1->isChecked());
    typeOver(w.form.ComboBox1, QStringLiteral("30"));
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("30"));
    // Every angle 10 degrees higher, "-" stays "-".
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(3), 30));
    QCOMPARE(w.form.grid().cell(4, 1), QStringLiteral("15.3"));
    QCOMPARE(w.form.grid().cell(4, 32), QStringLiteral("-"));
    QCOMPARE(chartAngles(w.form), expectedAngles(sampleCodes(3), 30));
    for (int table = 1; table <= 3; ++table)
        QCOMPARE(columnTexts(w.form, table), sampleCodes(table));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestSelection::sensorAngleChosenFromTheList()
{
    QTemporaryDir dir;
    Window w;
    loadSample(w, dir);
    w.form.ComboBox1->setCurrentIndex(0);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("40"));
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(1), 40));
    QCOMPARE(columnTexts(w.form, 1), sampleCodes(1));
}

void TestSelection::uncheckedKeepsTheAngles()
{
    QTemporaryDir dir;
    Window w;
    loadSample(w, dir);
    QTest::mouseClick(w.form.CheckBox1, Qt::LeftButton);
    QVERIFY(!w.form.CheckBox1->isChecked());
    const QStringList angles = columnTexts(w.form, 4);
    const QStringList drawn = chartAngles(w.form);
    typeOver(w.form.ComboBox1, QStringLiteral("30"));
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("30"));
    QCOMPARE(columnTexts(w.form, 4), angles);
    QCOMPARE(chartAngles(w.form), drawn);
    QCOMPARE(columnTexts(w.form, 1), sampleCodes(1));

    // "Save to table" then keeps the angles at the new sensor angle: 10.2 is 28 steps below 30,
    // 22.1 is 11 steps below it, 26.3 is 5.
    w.form.Button2Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.grid().cell(1, 1), QStringLiteral("28"));
    QCOMPARE(w.form.grid().cell(1, 7), QStringLiteral("11"));
    QCOMPARE(w.form.grid().cell(1, 32), QStringLiteral("5"));
}

void TestSelection::clearedSensorAngleChangesNothing()
{
    QTemporaryDir dir;
    Window w;
    loadSample(w, dir);
    const QStringList angles = columnTexts(w.form, 4);
    w.form.ComboBox1->setFocus();
    w.form.ComboBox1->lineEdit()->end(false);
    QTest::keyClick(w.form.ComboBox1, Qt::Key_Backspace);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("2"));
    QTest::keyClick(w.form.ComboBox1, Qt::Key_Backspace);
    QCOMPARE(w.form.ComboBox1->currentText(), QString());
    // The intermediate angle of 2 degrees, and nothing for the empty box.
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(1), 2));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QTest::keyClicks(w.form.ComboBox1, QStringLiteral("35"));
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(1), 35));
}

void TestSelection::nothingChangesBeforeALoad()
{
    Window w;
    show(w);
    typeOver(w.form.ComboBox2, QStringLiteral("2"));
    QCOMPARE(w.form.ComboBox2->currentText(), QStringLiteral("2"));
    typeOver(w.form.ComboBox1, QStringLiteral("30"));
    w.form.ComboBox1->setCurrentIndex(5);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("15"));
    QCOMPARE(columnTexts(w.form, 4), QStringList(32, QString()));
    QCOMPARE(w.form.Series1->count(), 0);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
