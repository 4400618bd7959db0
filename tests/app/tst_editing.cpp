// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Undo, the commands on a run of rows, dragging on the chart and comparing, worked through the
// window's keys, mouse and menus as a user does.
#include "apptestsupport.h"
#include "mainwindowsupport.h"

#include "app/editcommands.h"
#include "app/gridview.h"
#include "chart/chartseries.h"
#include "chart/chartwidget.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cmath>

class TestEditing : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void undoAndRedoATypedAngleAndSaveToTable();
    void undoPutsBackATableChangeWithItsBox();
    void interpolateAndShiftASelectedRun();
    void commandsLeaveNoAngleRowsAlone();
    void setToValueAndSmooth();
    void dragMovesOnePointByWholeCodeSteps();
    void escapeCancelsADrag();
    void otherTablesAndComparison();
    void comparisonMarksFollowWhatIsShown();
    void storedAnglesMarkedAndShown();
    void hoverReadOutAndLanguage();
    void menusOfTheTopWindowCarryTheCommands();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Window> m_window;
};

void TestEditing::init()
{
    QLocale::setDefault(QLocale::c());
    m_window = std::make_unique<Window>();
    Window &w = *m_window;
    w.load(writeFile(m_dir, "CDI.asm", sampleBytes()));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    w.form.show();
    w.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    w.form.StringGrid1->setFocus();
}

void TestEditing::cleanup()
{
    QCOMPARE(m_window->platform.takeBoxes(), QList<ShownBox>());
    m_window.reset();
}

static void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), modifiers);
}

// Types over the text of an angle cell as the keyboard user would.
static void typeAngle(TForm1 &form, int row, const QString &keys)
{
    form.StringGrid1->setFocus();
    form.StringGrid1->setCurrentCell(GridModel::kAngleColumn, row);
    key(Qt::Key_End);
    for (qsizetype i = form.grid().cell(4, row).size(); i > 0; --i)
        key(Qt::Key_Backspace);
    QTest::keyClicks(QApplication::focusWidget(), keys);
}

static QStringList angles(TForm1 &form, int first, int last)
{
    return columnTexts(form, 4).mid(first - 1, last - first + 1);
}

// The chart's Y of the red point of a row, for a grid whose breakpoints rise.
static double chartAngle(TForm1 &form, int row)
{
    for (const ChartPoint &p : form.Series1->points()) {
        if (p.x == form.grid().cell(0, row).toInt() && p.colour == kChartRed)
            return p.y;
    }
    return std::nan("");
}

void TestEditing::undoAndRedoATypedAngleAndSaveToTable()
{
    TForm1 &form = m_window->form;
    EditCommands &commands = form.commands();
    const QStringList codes = sampleCodes(1);
    QVERIFY(!commands.canUndo());
    typeAngle(form, 5, QStringLiteral("25"));
    key(Qt::Key_Down);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QStringList saved = codes;
    saved[4] = QStringLiteral("248");
    QCOMPARE(columnTexts(form, 1), saved);
    QCOMPARE(chartAngle(form, 5), 25.0);

    key(Qt::Key_Z, Qt::ControlModifier); // "Save to table" undone, the typed angle stays
    QCOMPARE(columnTexts(form, 1), codes);
    QCOMPARE(form.grid().cell(4, 5), QStringLiteral("25"));
    key(Qt::Key_Z, Qt::ControlModifier); // the typed angle undone
    QCOMPARE(columnTexts(form, 4), expectedAngles(codes, 20));
    QCOMPARE(chartAngle(form, 5), 15.1);
    QVERIFY(!commands.canUndo());
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form.grid().cell(4, 5), QStringLiteral("15.1"));

    key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(form.grid().cell(4, 5), QStringLiteral("25"));
    QCOMPARE(columnTexts(form, 1), codes);
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(columnTexts(form, 1), saved);
    QVERIFY(!commands.canRedo());

    // Undo while the cell editor has the focus takes back what was typed there, not a letter.
    typeAngle(form, 7, QStringLiteral("30"));
    QCOMPARE(form.grid().cell(4, 7), QStringLiteral("30"));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form.grid().cell(4, 7), expectedAngle(codes[6].toInt(), 20));
    QCOMPARE(form.grid().cell(4, 5), QStringLiteral("25"));
}

static void typeOver(QComboBox *combo, const QString &keys)
{
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, keys);
}

void TestEditing::undoPutsBackATableChangeWithItsBox()
{
    TForm1 &form = m_window->form;
    typeOver(form.ComboBox2, QStringLiteral("2"));
    QCOMPARE(columnTexts(form, 4), expectedAngles(sampleCodes(2), 20));
    typeOver(form.ComboBox1, QStringLiteral("35")); // "3", then "35": one step
    QCOMPARE(columnTexts(form, 4), expectedAngles(sampleCodes(2), 35));
    QTest::mouseClick(form.CheckBox1, Qt::LeftButton);
    QVERIFY(!form.CheckBox1->isChecked());

    key(Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(form.CheckBox1->isChecked());
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("20"));
    QCOMPARE(columnTexts(form, 4), expectedAngles(sampleCodes(2), 20));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form.ComboBox2->currentText(), QStringLiteral("1"));
    QCOMPARE(columnTexts(form, 4), expectedAngles(sampleCodes(1), 20));
    QVERIFY(!form.commands().canUndo());
    key(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(form.ComboBox2->currentText(), QStringLiteral("2"));
    QCOMPARE(columnTexts(form, 4), expectedAngles(sampleCodes(2), 20));
    for (int table = 1; table <= 3; ++table)
        QCOMPARE(columnTexts(form, table), sampleCodes(table));
}

void TestEditing::interpolateAndShiftASelectedRun()
{
    TForm1 &form = m_window->form;
    GridView &grid = *form.StringGrid1;
    grid.setCurrentCell(4, 3);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(grid.selectedRows(), std::make_pair(3, 6));
    QCOMPARE(grid.row(), 6);
    // Rows 3..6 at 600, 800, 1000, 1200 rpm: 10.2 .. 17.9 on a straight line.
    QCOMPARE(angles(form, 3, 6), QStringList({"10.2", "12.3", "15.1", "17.9"}));
    key(Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(angles(form, 3, 6), QStringList({"10.2", "12.8", "15.3", "17.9"}));
    key(Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(angles(form, 3, 6), QStringList({"10.9", "13.5", "16", "18.6"}));
    QCOMPARE(chartAngle(form, 4), 13.5);
    QCOMPARE(grid.selectedRows(), std::make_pair(3, 6));
    QCOMPARE(angles(form, 1, 2), QStringList({"10.2", "10.2"}));
    QCOMPARE(angles(form, 7, 7), QStringList({"22.1"}));

    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(angles(form, 3, 6), QStringList({"10.2", "12.8", "15.3", "17.9"}));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(angles(form, 3, 6), QStringList({"10.2", "12.3", "15.1", "17.9"}));
    key(Qt::Key_Y, Qt::ControlModifier);
    key(Qt::Key_Y, Qt::ControlModifier);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QCOMPARE(columnTexts(form, 1).mid(2, 4), QStringList({"13", "9", "6", "2"}));

    // A plain click ends the run; Shift+click starts one from the current cell.
    const auto at = [&grid](int row) {
        return grid.visualRect(grid.model()->index(row - 1, 4)).center();
    };
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at(10));
    QVERIFY(!grid.hasRowRange());
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(12));
    QCOMPARE(grid.selectedRows(), std::make_pair(10, 12));
    key(Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(angles(form, 9, 13), QStringList({"27", "28.4", "30.5", "31.9", "33.3"}));
    key(Qt::Key_Up);
    QVERIFY(!grid.hasRowRange());
}

void TestEditing::commandsLeaveNoAngleRowsAlone()
{
    TForm1 &form = m_window->form;
    typeOver(form.ComboBox2, QStringLiteral("3"));
    GridView &grid = *form.StringGrid1;
    grid.setFocus();
    grid.setCurrentCell(4, 30);
    key(Qt::Key_Down, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(angles(form, 30, 32), QStringList({"24.2", "-", "-"}));
    key(Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(angles(form, 30, 32), QStringList({"23.5", "-", "-"}));

    // A text that is not a number stops the command before it changes a cell.
    key(Qt::Key_Up, Qt::ShiftModifier); // rows 30..31, current 31
    key(Qt::Key_Up, Qt::ShiftModifier); // back to row 30 alone
    key(Qt::Key_Up, Qt::ShiftModifier); // rows 29..30
    QCOMPARE(grid.selectedRows(), std::make_pair(29, 30));
    key(Qt::Key_End);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(".1"));
    QCOMPARE(form.grid().cell(4, 29), QStringLiteral("24.9.1"));
    key(Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(m_window->platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Error,
                               QStringLiteral("'24.9.1' is not a valid floating point value.")}}));
    QCOMPARE(angles(form, 29, 30), QStringList({"24.9.1", "23.5"}));
}

void TestEditing::setToValueAndSmooth()
{
    TForm1 &form = m_window->form;
    EditCommands &commands = form.commands();
    GridView &grid = *form.StringGrid1;
    grid.setCurrentCell(4, 1);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(angles(form, 1, 4), QStringList({"10.2", "10.2", "10.2", "12.3"}));
    commands.smoothAction()->trigger();
    QCOMPARE(angles(form, 1, 4), QStringList({"10.2", "10.2", "10.9", "12.3"}));

    double proposed = 0;
    commands.askAngle = [&proposed](double p) -> std::optional<double> {
        proposed = p;
        return 5.25;
    };
    key(Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(proposed, 12.3); // the current cell's angle
    QCOMPARE(angles(form, 1, 5), QStringList({"5.2", "5.2", "5.2", "5.2", "15.1"}));
    commands.askAngle = [](double) -> std::optional<double> { return std::nullopt; };
    key(Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(angles(form, 1, 4), QStringList({"5.2", "5.2", "5.2", "5.2"}));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(angles(form, 1, 4), QStringList({"10.2", "10.2", "10.9", "12.3"}));
}

// The tenths of an angle text.
static int tenths(const QString &angle)
{
    return int(std::lround(angle.toDouble() * 10));
}

void TestEditing::dragMovesOnePointByWholeCodeSteps()
{
    TForm1 &form = m_window->form;
    ChartWidget &chart = *form.Chart1;
    form.StringGrid1->setCurrentCell(0, 2); // no highlight point
    const QStringList before = columnTexts(form, 4);
    QCOMPARE(before[9], QStringLiteral("29.1"));
    const QPoint from = chart.pointPosition(9).toPoint();
    QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, from);
    QVERIFY(chart.dragging());
    QTest::mouseMove(&chart, from - QPoint(0, 40));
    const QString shown = chart.dragText();
    QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, from - QPoint(0, 40));
    QVERIFY(!chart.dragging());

    const QStringList after = columnTexts(form, 4);
    const QString dragged = after[9];
    QCOMPARE(dragged, shown);
    const int steps = (tenths(dragged) - 291) / 7;
    QCOMPARE(tenths(dragged) - 291, steps * 7);
    QVERIFY2(steps >= 2, qPrintable(dragged));
    QStringList expected = before;
    expected[9] = dragged;
    QCOMPARE(after, expected);
    QCOMPARE(chart.pointPosition(9).y() < from.y(), true);
    QCOMPARE(columnTexts(form, 1), sampleCodes(1));

    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(columnTexts(form, 4), before);
    QVERIFY(!form.commands().canUndo());
}

void TestEditing::escapeCancelsADrag()
{
    TForm1 &form = m_window->form;
    ChartWidget &chart = *form.Chart1;
    form.StringGrid1->setCurrentCell(0, 2);
    const QStringList before = columnTexts(form, 4);
    const QPoint from = chart.pointPosition(3).toPoint();
    QTest::mousePress(&chart, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(&chart, from + QPoint(0, 30));
    QVERIFY(chart.dragging());
    QTest::keyClick(&chart, Qt::Key_Escape);
    QVERIFY(!chart.dragging());
    QTest::mouseRelease(&chart, Qt::LeftButton, Qt::NoModifier, from + QPoint(0, 30));
    QCOMPARE(columnTexts(form, 4), before);
    QCOMPARE(chart.pointPosition(3).toPoint(), from);
    QVERIFY(!form.commands().canUndo());
}

void TestEditing::otherTablesAndComparison()
{
    TForm1 &form = m_window->form;
    EditCommands &commands = form.commands();
    QVERIFY(!form.Chart1->legendShown());
    commands.otherTablesAction()->trigger();
    QVERIFY(form.Chart1->legendShown());
    QCOMPARE(commands.tableCurve(1).count(), 0);
    QCOMPARE(commands.tableCurve(2).count(), 32);
    QCOMPARE(commands.tableCurve(3).count(), 32);
    QCOMPARE(commands.tableCurve(2).points().at(0).y, 20 - 0.7 * 17);
    // Table 3 ends on two codes 180: they stay at the last angle, 24.2.
    QCOMPARE(commands.tableCurve(3).points().at(31).y, 24.2);
    typeOver(form.ComboBox2, QStringLiteral("2"));
    QCOMPARE(commands.tableCurve(1).count(), 32);
    QCOMPARE(commands.tableCurve(2).count(), 0);
    commands.otherTablesAction()->trigger();
    QVERIFY(!form.Chart1->legendShown());

    const QString other = writeFile(m_dir, "other.asm", sampleBytes());
    m_window->platform.answerDialog(other);
    commands.compareAction()->trigger();
    QVERIFY(commands.comparing());
    QVERIFY(commands.clearComparisonAction()->isEnabled());
    QCOMPARE(commands.comparisonSeries().count(), 32);
    QCOMPARE(commands.comparisonSeries().points().at(0).y, 20 - 0.7 * 17);
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>());
    typeAngle(form, 5, QStringLiteral("25"));
    key(Qt::Key_Return);
    typeAngle(form, 9, QStringLiteral("20"));
    key(Qt::Key_Return);
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>({5}));
    QCOMPARE(form.grid().cell(4, 9), QStringLiteral("20")); // code 0 of table 2: the same angle
    commands.clearComparisonAction()->trigger();
    QVERIFY(!commands.comparing());
    QCOMPARE(commands.comparisonSeries().count(), 0);
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>());

    const QString missing = m_dir.filePath(QStringLiteral("missing.asm"));
    QVERIFY(!commands.compareWith(missing));
    QCOMPARE(
        m_window->platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Error, QStringLiteral("Ошибка доступа к файлу ") + missing}}));
    QVERIFY(!commands.comparing());
}

// The bold rows of a comparison follow the cells while they are typed, undo and redo, and the
// active table; the open editor shows its cell's mark.
void TestEditing::comparisonMarksFollowWhatIsShown()
{
    TForm1 &form = m_window->form;
    EditCommands &commands = form.commands();
    QVERIFY(commands.compareWith(writeFile(m_dir, "other.asm", sampleBytes())));
    typeAngle(form, 5, QStringLiteral("25"));
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>({5}));
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor && editor->font().bold() && editor->font().italic());
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("15.1"));
    QVERIFY(!editor->font().bold());
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>());
    typeAngle(form, 5, QStringLiteral("25"));
    key(Qt::Key_Return);
    commands.undo();
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>());
    commands.redo();
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>({5}));
    // Table 2 shown: its own angles, the same as the other file's.
    typeOver(form.ComboBox2, QStringLiteral("2"));
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>());
    form.grid().setCell(4, 9, QStringLiteral("1"));
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>({9}));
    commands.undo();
    commands.undo();
    QCOMPARE(form.ComboBox2->currentText(), QStringLiteral("1"));
    QCOMPARE(form.StringGrid1->boldRows(), QList<int>({5}));
}

// An angle whose text is not the angle of its stored code is italic, with its note in the
// status bar when selected; "Save to table" keeps the text, "Show stored angles" replaces it as
// one undo step.
void TestEditing::storedAnglesMarkedAndShown()
{
    TForm1 &form = m_window->form;
    EditCommands &commands = form.commands();
    QStringList status;
    connect(&commands, &EditCommands::statusMessage, &commands,
            [&status](const QString &text) { status.append(text); });
    typeAngle(form, 5, QStringLiteral("15.3")); // code 7 is 15.1°, and 15.3 is stored as 7
    key(Qt::Key_Return);
    const QModelIndex cell = form.grid().index(4, 4);
    QVERIFY(cell.data(Qt::FontRole).value<QFont>().italic());
    QCOMPARE(cell.data(Qt::ToolTipRole).toString(), QStringLiteral(u"записано как 15.1°"));
    form.StringGrid1->setCurrentCell(0, 2);
    QCOMPARE(status.last(), QString());
    form.StringGrid1->setCurrentCell(4, 5);
    QCOMPARE(status.last(), QStringLiteral(u"записано как 15.1°"));
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QCOMPARE(form.grid().cell(1, 5), QStringLiteral("7"));
    QCOMPARE(form.grid().cell(4, 5), QStringLiteral("15.3"));
    QCOMPARE(form.grid().note(4, 5), QStringLiteral(u"записано как 15.1°"));

    const QStringList before = columnTexts(form, 4);
    commands.showStoredAnglesAction()->trigger();
    QCOMPARE(columnTexts(form, 4), expectedAngles(sampleCodes(1), 20));
    QVERIFY(!cell.data(Qt::FontRole).isValid());
    QCOMPARE(status.last(), QString());
    QCOMPARE(chartAngle(form, 5), 15.1);
    commands.undo();
    QCOMPARE(columnTexts(form, 4), before);
    QCOMPARE(form.grid().cell(1, 5), QStringLiteral("7"));
}

void TestEditing::hoverReadOutAndLanguage()
{
    TForm1 &form = m_window->form;
    EditCommands &commands = form.commands();
    form.StringGrid1->setCurrentCell(0, 2);
    QStringList shown;
    connect(&commands, &EditCommands::statusMessage, &commands,
            [&shown](const QString &text) { shown.append(text); });
    QTest::mouseMove(form.Chart1, form.Chart1->pointPosition(4).toPoint());
    QCOMPARE(shown.value(0), QStringLiteral("1000–1200 об/мин: 15.1°, код 7"));
    QCOMPARE(commands.pointReadOut(32), QStringLiteral("от 19530 об/мин: 26.3°, код 246"));
    QCOMPARE(commands.undoAction()->text(), QStringLiteral("Отменить"));

    QTest::mouseClick(form.Button7, Qt::LeftButton);
    QCOMPARE(commands.pointReadOut(5), QStringLiteral("1000–1200 RPM: 15.1°, code 7"));
    QCOMPARE(commands.pointReadOut(32), QStringLiteral("19530 RPM and up: 26.3°, code 246"));
    QCOMPARE(commands.undoAction()->text(), QStringLiteral("Undo"));
    QCOMPARE(commands.interpolateAction()->text(), QStringLiteral("Interpolate"));
    QCOMPARE(commands.compareAction()->text(), QStringLiteral("Compare with…"));
    QCOMPARE(commands.showStoredAnglesAction()->text(), QStringLiteral("Show stored angles"));
    QTest::mouseClick(form.Button7, Qt::LeftButton);
    QCOMPARE(commands.shiftUpAction()->text(), QStringLiteral("Сдвинуть вверх на шаг"));
}

void TestEditing::menusOfTheTopWindowCarryTheCommands()
{
    TopWindow top;
    QTemporaryDir dir;
    top.load(writeFile(dir, "CDI.asm", sampleBytes()));
    top.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top.window));
    const auto texts = [](QMenu *menu) {
        QStringList shown;
        for (QAction *action : menu->actions())
            shown.append(action->isSeparator() ? QStringLiteral("|")
                                               : QString(action->text()).remove(u'&'));
        return shown;
    };
    QCOMPARE(texts(top.window.editMenu()).mid(0, 3), QStringList({"Отменить", "Повторить", "|"}));
    QCOMPARE(texts(top.window.editMenu()).mid(texts(top.window.editMenu()).size() - 6),
             QStringList({"Интерполировать", "Сдвинуть вверх на шаг", "Сдвинуть вниз на шаг",
                          "Задать значение…", "Сгладить", "Показать записанные углы"}));
    QVERIFY(texts(top.window.fileMenu()).contains(QStringLiteral("Сравнить с…")));
    QCOMPARE(texts(top.window.viewMenu()).last(), QStringLiteral("Другие таблицы на графике"));

    // The undo of the menu takes back a typed angle; the read-out lands in the status bar.
    TForm1 &form = top.form;
    form.StringGrid1->setFocus();
    typeAngle(form, 5, QStringLiteral("25"));
    key(Qt::Key_Return);
    menuAction(top.window.editMenu(), QStringLiteral("Отменить"))->trigger();
    QCOMPARE(form.grid().cell(4, 5), QStringLiteral("15.1"));
    form.StringGrid1->setCurrentCell(0, 2);
    // The chart's report of the point under the mouse, as its mouse tracking sends it.
    emit form.Chart1->pointHovered(4, form.Chart1->mapToGlobal(QPoint(10, 10)));
    QCOMPARE(top.window.readout(), QStringLiteral("1000–1200 об/мин: 15.1°, код 7"));
    emit form.Chart1->pointHovered(-1, QPoint());
    QCOMPARE(top.window.readout(), QString());
    QCOMPARE(top.platform.takeBoxes(), QList<ShownBox>());
}

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
