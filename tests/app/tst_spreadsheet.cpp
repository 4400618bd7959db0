// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Spreadsheet habits in the grid: copy and paste of rows, add and scale with named undo steps,
// Enter that moves down, and the notice of typed angles that a sensor-angle change replaced.
#include "mainwindowsupport.h"

#include "app/editcommands.h"
#include "app/gridview.h"
#include "app/startup.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>

class TestSpreadsheet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void copyRowsAndPasteThemElsewhere();
    void pasteColumnsAndRefusals();
    void addAndScaleSnapToCodesAsNamedSteps();
    void enterMovesDownWhenAskedAndRemembersIt();
    void sensorChangeNoticeAndItsUndo();

private:
    QTemporaryDir m_settingsDir;
    QTemporaryDir m_dir;
    std::unique_ptr<TopWindow> m_top;
};

void TestSpreadsheet::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    setApplicationNames();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
}

void TestSpreadsheet::init()
{
    m_top = std::make_unique<TopWindow>();
    m_top->load(writeFile(m_dir, "CDI.asm", sampleBytes()));
    m_top->window.show();
    m_top->window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_top->window));
    m_top->form.StringGrid1->setFocus();
}

void TestSpreadsheet::cleanup()
{
    QCOMPARE(m_top->platform.takeBoxes(), QList<ShownBox>());
    m_top.reset();
}

static void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), modifiers);
}

static void selectRun(TForm1 &form, int column, int first, int last)
{
    form.StringGrid1->setFocus();
    form.StringGrid1->setCurrentCell(column, first);
    for (int row = first; row < last; ++row)
        key(Qt::Key_Down, Qt::ShiftModifier);
}

static QStringList cells(TForm1 &form, int column, int first, int last)
{
    return columnTexts(form, column).mid(first - 1, last - first + 1);
}

void TestSpreadsheet::copyRowsAndPasteThemElsewhere()
{
    TForm1 &form = m_top->form;
    EditCommands &commands = form.commands();
    selectRun(form, 4, 3, 6);
    key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("600\t14\t16\t18\t10.2\n800\t11\t14\t14\t12.3\n1000\t7\t11\t10\t15.1\n"
                            "1200\t3\t8\t6\t17.9\n"));
    // Rows copied from the grid give the angle column's field, from the current row down.
    form.StringGrid1->setCurrentCell(4, 20);
    const QStringList before = columnTexts(form, 4);
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(cells(form, 4, 20, 23), QStringList({"10.2", "12.3", "15.1", "17.9"}));
    QCOMPARE(cells(form, 4, 24, 24), before.mid(23, 1));
    QCOMPARE(columnTexts(form, 1), sampleCodes(1));
    QCOMPARE(commands.undoAction()->text(), QStringLiteral(u"Отменить «Вставить столбец»"));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(columnTexts(form, 4), before);
    QCOMPARE(commands.redoAction()->text(), QStringLiteral(u"Повторить «Вставить столбец»"));

    // With text selected in the cell editor and no run, Copy takes that text.
    form.StringGrid1->setCurrentCell(4, 5);
    form.StringGrid1->cellEditor()->setSelection(0, 2);
    key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("15"));
    // Copy in a code column copies the current row; in a box it is not the grid's.
    form.StringGrid1->setCurrentCell(2, 32);
    key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("19530\t246\t252\t180\t26.3\n"));
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    form.ComboBox1->setFocus();
    QTest::keyClick(form.ComboBox1->lineEdit(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestSpreadsheet::pasteColumnsAndRefusals()
{
    TForm1 &form = m_top->form;
    FakePlatform &platform = m_top->platform;
    QClipboard &clipboard = *QGuiApplication::clipboard();
    // Either separator, tabs and line breaks, "-" for no angle; into the selected run.
    selectRun(form, 4, 5, 8);
    clipboard.setText(QStringLiteral("30,5\t31\r\n-\n"));
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(cells(form, 4, 4, 8), QStringList({"12.3", "30.5", "31", "-", "24.9"}));
    // One value fills the whole run.
    clipboard.setText(QStringLiteral("22.1\n"));
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(cells(form, 4, 5, 8), QStringList(4, QStringLiteral("22.1")));
    QVERIFY(platform.takeBoxes().isEmpty());

    const QStringList angles = columnTexts(form, 4);
    const auto refused = [&](int column, int row, const QString &text, const QString &why) {
        form.StringGrid1->setCurrentCell(column, row);
        clipboard.setText(text);
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(platform.takeBoxes(), QList<ShownBox>({{ShownBox::Warning, why}}));
        QCOMPARE(columnTexts(form, 4), angles);
        QCOMPARE(columnTexts(form, 0), sampleBreakpoints());
    };
    refused(4, 10, QStringLiteral("12\n1.2.3\nabc"),
            QStringLiteral(u"«1.2.3» для строки 11 — не число для этого столбца. Ничего не "
                           u"вставлено."));
    refused(
        4, 10, QStringLiteral("12\n+5"),
        QStringLiteral(u"«+5» для строки 11 — не число для этого столбца. Ничего не вставлено."));
    refused(4, 30, QStringLiteral("1\n2\n3\n4"),
            QStringLiteral(
                u"Вставляется значений: 4, а места есть для 3; «4» уже не помещается. Ничего не "
                u"вставлено."));
    refused(4, 2, QStringLiteral("30\n72.2"),
            QStringLiteral(u"Угол 72.2 для строки 3 не записать кодом таблицы (от 125° ниже до "
                           u"52° выше датчика). Ничего не вставлено."));
    refused(0, 9, QStringLiteral("2100\n2,5"),
            QStringLiteral(u"«2,5» для строки 10 — не число для этого столбца. Ничего не "
                           u"вставлено."));

    // RPM breakpoints go in from the current row down; the fixed first one takes nothing.
    form.StringGrid1->setCurrentCell(0, 9);
    clipboard.setText(QStringLiteral("2100\n2300"));
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(cells(form, 0, 8, 11), QStringList({"1800", "2100", "2300", "2490"}));
    form.StringGrid1->setCurrentCell(0, 1);
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form.grid().cell(0, 1), QStringLiteral("460"));

    // One value and no run: the cell editor's own paste, at its cursor, whole or not at all.
    form.StringGrid1->setCurrentCell(4, 12);
    QLineEdit *editor = form.StringGrid1->cellEditor();
    QVERIFY(editor);
    editor->selectAll();
    clipboard.setText(QStringLiteral(" 25,5\n"));
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form.grid().cell(4, 12), QStringLiteral("25.5"));
    clipboard.setText(QStringLiteral("2a"));
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form.grid().cell(4, 12), QStringLiteral("25.5"));
    QCOMPARE(platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Warning, pasteRefusedText("2a", 0)}}));
}

void TestSpreadsheet::addAndScaleSnapToCodesAsNamedSteps()
{
    TForm1 &form = m_top->form;
    EditCommands &commands = form.commands();
    QList<double> proposed;
    std::optional<double> answer = 1;
    commands.askDegrees = [&](double p) {
        proposed.append(p);
        return answer;
    };
    commands.askPercent = [&](double p) {
        proposed.append(p);
        return answer;
    };
    selectRun(form, 4, 3, 6);
    // 10.2 12.3 15.1 17.9 plus one degree, each on its nearest code at 20 degrees.
    commands.addDegreesAction()->trigger();
    QCOMPARE(cells(form, 4, 2, 7), QStringList({"10.2", "10.9", "13", "15.8", "18.6", "22.1"}));
    QCOMPARE(commands.undoAction()->text(), QStringLiteral(u"Отменить «Прибавить»"));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(cells(form, 4, 3, 6), QStringList({"10.2", "12.3", "15.1", "17.9"}));
    QCOMPARE(commands.undoAction()->text(), QStringLiteral(u"Отменить"));

    answer = 150;
    commands.scalePercentAction()->trigger();
    QCOMPARE(cells(form, 4, 3, 6), QStringList({"15.1", "18.6", "22.8", "27"}));
    QTest::mouseClick(form.Button7, Qt::LeftButton);
    QCOMPARE(commands.undoAction()->text(), QStringLiteral("Undo Scale"));
    key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(commands.redoAction()->text(), QStringLiteral("Redo Scale"));
    QCOMPARE(commands.undoAction()->text(), QStringLiteral("Undo"));

    // Beyond the codes nothing changes, and the row is named; Cancel changes nothing either.
    answer = 500;
    commands.scalePercentAction()->trigger();
    QCOMPARE(
        m_top->platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Warning,
                          QStringLiteral("Over range 52° above the sensor\nRow 5 (1000 RPM).")}}));
    answer.reset();
    commands.addDegreesAction()->trigger();
    QCOMPARE(cells(form, 4, 3, 6), QStringList({"10.2", "12.3", "15.1", "17.9"}));
    QCOMPARE(commands.redoAction()->text(), QStringLiteral("Redo Scale"));
    QCOMPARE(proposed, QList<double>({0, 100, 100, 0}));

    // With the cursor in another column the range commands ask nothing and change nothing.
    answer = 1;
    const QStringList angles = columnTexts(form, 4);
    const QStringList rpms = columnTexts(form, 0);
    selectRun(form, 0, 3, 6);
    commands.addDegreesAction()->trigger();
    commands.scalePercentAction()->trigger();
    commands.shift(1);
    commands.interpolate();
    commands.smooth();
    QCOMPARE(columnTexts(form, 4), angles);
    QCOMPARE(columnTexts(form, 0), rpms);
    QCOMPARE(proposed, QList<double>({0, 100, 100, 0}));
    QCOMPARE(commands.undoAction()->text(), QStringLiteral("Undo"));
    QCOMPARE(m_top->platform.takeBoxes(), QList<ShownBox>());
}

void TestSpreadsheet::enterMovesDownWhenAskedAndRemembersIt()
{
    TForm1 &form = m_top->form;
    GridView &grid = *form.StringGrid1;
    QAction *option = form.commands().enterMovesDownAction();
    QVERIFY(menuAction(m_top->window.editMenu(), QStringLiteral(u"Enter переходит вниз")) ==
            option);
    QSettings settings;
    form.commands().rememberOptionsIn(&settings);
    QVERIFY(!option->isChecked());
    grid.setCurrentCell(4, 5);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5"));
    key(Qt::Key_Return);
    QCOMPARE(grid.row(), 5);

    option->trigger();
    QVERIFY(QSettings().value("grid/enterMovesDown").toBool());
    key(Qt::Key_Return);
    QCOMPARE(grid.row(), 6);
    QCOMPARE(form.grid().cell(4, 5), QStringLiteral("5"));
    grid.setCurrentCell(0, 7);
    key(Qt::Key_Return);
    QCOMPARE(std::make_pair(grid.col(), grid.row()), std::make_pair(0, 8));
    // A text that is no number stays current, with one error report.
    grid.setCurrentCell(4, 9);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1.2.3"));
    key(Qt::Key_Return);
    QCOMPARE(grid.row(), 9);
    QCOMPARE(m_top->platform.takeBoxes().size(), 1);
    form.grid().setCell(4, 9, QStringLiteral("20"));
    grid.setCurrentCell(4, 32);
    key(Qt::Key_Return);
    QCOMPARE(grid.row(), 32);

    TopWindow second;
    second.form.commands().rememberOptionsIn(&settings);
    QVERIFY(second.form.commands().enterMovesDownAction()->isChecked());
}

void TestSpreadsheet::sensorChangeNoticeAndItsUndo()
{
    TForm1 &form = m_top->form;
    EditCommands &commands = form.commands();
    GridView &grid = *form.StringGrid1;
    // Two typed angles: 30 not stored, 13.1 stored by "Save to table" as the code of 13.
    grid.setCurrentCell(4, 3);
    grid.cellEditor()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("13.1"));
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    QCOMPARE(commands.undoAction()->text(), QStringLiteral(u"Отменить «Сохранить в таблицу»"));
    grid.setFocus();
    grid.setCurrentCell(4, 24);
    grid.cellEditor()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("30"));
    QVERIFY(!commands.replacedNoticeShown());

    form.ComboBox1->setFocus();
    form.ComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(form.ComboBox1, QStringLiteral("25"));
    QVERIFY(commands.replacedNoticeShown());
    QCOMPARE(commands.replacedNoticeText(),
             QStringLiteral(u"Введённые углы таблицы 1, не сохранённые в таблицу, заменены: 1."));
    QCOMPARE(form.grid().cell(4, 3), QStringLiteral("18"));
    QCOMPARE(commands.replacedNoticeUndo()->text(), QStringLiteral(u"Отменить"));
    // Over the strip above the grid and the chart, inside the window's fixed area.
    QCOMPARE(form.findChild<QFrame *>("replacedNotice")->geometry(), QRect(208, 0, 657, 16));
    QTest::mouseClick(form.Button7, Qt::LeftButton);
    QCOMPARE(commands.replacedNoticeText(),
             QStringLiteral("Typed angles of table 1 not saved to the table were replaced: 1."));

    QTest::mouseClick(commands.replacedNoticeUndo(), Qt::LeftButton);
    QVERIFY(!commands.replacedNoticeShown());
    QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("20"));
    QCOMPARE(form.grid().cell(4, 24), QStringLiteral("30"));
    QCOMPARE(form.grid().cell(4, 3), QStringLiteral("13.1"));

    // Unticked, the angles stay and nothing is said; the next edit takes a notice away.
    form.CheckBox1->setChecked(false);
    form.ComboBox1->setFocus();
    form.ComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(form.ComboBox1, QStringLiteral("30"));
    QVERIFY(!commands.replacedNoticeShown());
    form.CheckBox1->setChecked(true);
    form.ComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(form.ComboBox1, QStringLiteral("35"));
    QVERIFY(commands.replacedNoticeShown());
    form.grid().setCell(4, 1, QStringLiteral("11"));
    QVERIFY(!commands.replacedNoticeShown());
}

QTEST_MAIN(TestSpreadsheet)
#include "tst_spreadsheet.moc"
