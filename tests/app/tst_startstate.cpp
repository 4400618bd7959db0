// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The window as it comes up: layout, tab order, texts, grid, combo boxes and chart.
#include "apptestsupport.h"

#include "app/gridview.h"
#include "chart/chartseries.h"
#include "chart/chartwidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

class TestStartState : public QObject
{
    Q_OBJECT
private slots:
    void windowTitleSizeAndFrame();
    void controlGeometry_data();
    void controlGeometry();
    void labelPositions();
    void tabOrderVisitsEveryControlButTheChart();
    void russianCaptions();
    void gridHeadersAndBreakpoints();
    void comboBoxItemsAndStartValues();
    void checkBoxChecked();
    void memoEmptyAndReadOnly();
    void chartTitledAndEmpty();
    void nothingLoaded();
};

void TestStartState::windowTitleSizeAndFrame()
{
    Window w;
    QCOMPARE(w.form.windowTitle(),
             QStringLiteral(u"Перерасчет угла опережения ФУОЗ Zarnik  v0.983"));
    QCOMPARE(w.form.size(), QSize(873, 535));
    QCOMPARE(w.form.minimumSize(), QSize(873, 535));
    QCOMPARE(w.form.maximumSize(), QSize(873, 535));
    const Qt::WindowFlags flags = w.form.windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
}

void TestStartState::controlGeometry_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Memo1") << "Memo1" << QRect(16, 120, 177, 153);
    QTest::newRow("Button1") << "Button1" << QRect(16, 16, 81, 33);
    QTest::newRow("StringGrid1") << "StringGrid1" << QRect(208, 16, 201, 505);
    QTest::newRow("ComboBox1") << "ComboBox1" << QRect(40, 88, 49, 21);
    QTest::newRow("Chart1") << "Chart1" << QRect(416, 16, 449, 505);
    QTest::newRow("Button2") << "Button2" << QRect(16, 344, 177, 33);
    QTest::newRow("Button3") << "Button3" << QRect(16, 472, 177, 49);
    QTest::newRow("Button4") << "Button4" << QRect(120, 304, 73, 33);
    QTest::newRow("ComboBox2") << "ComboBox2" << QRect(64, 312, 41, 21);
    QTest::newRow("Button5") << "Button5" << QRect(16, 384, 177, 33);
    QTest::newRow("Button6") << "Button6" << QRect(16, 424, 177, 33);
    QTest::newRow("Button7") << "Button7" << QRect(112, 16, 81, 33);
    QTest::newRow("ComboBox3") << "ComboBox3" << QRect(120, 88, 57, 21);
    QTest::newRow("CheckBox1") << "CheckBox1" << QRect(24, 88, 12, 17);
    QTest::newRow("ComboBox4") << "ComboBox4" << QRect(112, 280, 65, 21);
}

static QWidget *control(TForm1 &form, const QString &name)
{
    const QMap<QString, QWidget *> controls = {{"Memo1", form.Memo1},
                                               {"Button1", form.Button1},
                                               {"StringGrid1", form.StringGrid1},
                                               {"ComboBox1", form.ComboBox1},
                                               {"Chart1", form.Chart1},
                                               {"Button2", form.Button2},
                                               {"Button3", form.Button3},
                                               {"Button4", form.Button4},
                                               {"ComboBox2", form.ComboBox2},
                                               {"Button5", form.Button5},
                                               {"Button6", form.Button6},
                                               {"Button7", form.Button7},
                                               {"ComboBox3", form.ComboBox3},
                                               {"CheckBox1", form.CheckBox1},
                                               {"ComboBox4", form.ComboBox4},
                                               {"Label1", form.Label1},
                                               {"Label2", form.Label2},
                                               {"Label3", form.Label3},
                                               {"Label4", form.Label4},
                                               {"Label5", form.Label5}};
    return controls.value(name);
}

void TestStartState::controlGeometry()
{
    QFETCH(QString, control);
    QFETCH(QRect, geometry);
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QWidget *widget = ::control(w.form, control);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), &w.form);
    QCOMPARE(widget->geometry(), geometry);
}

void TestStartState::labelPositions()
{
    // Labels size themselves to their text in the font at hand; their places are fixed.
    Window w;
    QCOMPARE(w.form.Label4->pos(), QPoint(64, 56));
    QCOMPARE(w.form.Label1->pos(), QPoint(44, 72));
    QCOMPARE(w.form.Label3->pos(), QPoint(128, 72));
    QCOMPARE(w.form.Label5->pos(), QPoint(24, 285));
    QCOMPARE(w.form.Label2->pos(), QPoint(24, 317));
    for (QLabel *label :
         {w.form.Label1, w.form.Label2, w.form.Label3, w.form.Label4, w.form.Label5}) {
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QCOMPARE(label->size(), label->sizeHint());
    }
    // A larger font from a style sheet, applied once the window is shown, still fits.
    const int narrow = w.form.Label4->width();
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.form.setStyleSheet(QStringLiteral("QLabel { font-size: 16px; }"));
    QVERIFY(w.form.Label4->width() > narrow);
    for (QLabel *label :
         {w.form.Label1, w.form.Label2, w.form.Label3, w.form.Label4, w.form.Label5}) {
        QCOMPARE(label->size(), label->sizeHint());
    }
    QCOMPARE(w.form.Label4->pos(), QPoint(64, 56));
}

// The control that holds the focus, or whose inner part does.
static QString focusedControl(TForm1 &form)
{
    static const QStringList names = {"Memo1",     "Button1",   "StringGrid1", "ComboBox1",
                                      "Chart1",    "Button2",   "Button3",     "Button4",
                                      "ComboBox2", "Button5",   "Button6",     "Button7",
                                      "ComboBox3", "CheckBox1", "ComboBox4"};
    for (QWidget *focus = QApplication::focusWidget(); focus; focus = focus->parentWidget()) {
        for (const QString &name : names) {
            if (control(form, name) == focus)
                return name;
        }
    }
    return QStringLiteral("(none)");
}

void TestStartState::tabOrderVisitsEveryControlButTheChart()
{
    Window w;
    w.form.show();
    w.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    w.form.Memo1->setFocus(Qt::TabFocusReason);
    QStringList visited = {focusedControl(w.form)};
    for (int i = 0; i < 14; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(focusedControl(w.form));
    }
    const QStringList expected = {"Memo1",   "Button1",   "StringGrid1", "ComboBox1", "Button2",
                                  "Button3", "Button4",   "ComboBox2",   "Button5",   "Button6",
                                  "Button7", "ComboBox3", "CheckBox1",   "ComboBox4", "Memo1"};
    QCOMPARE(visited, expected);
    QCOMPARE(w.form.Chart1->focusPolicy(), Qt::NoFocus);
}

void TestStartState::russianCaptions()
{
    Window w;
    QCOMPARE(w.form.Button1->text(), QStringLiteral(u"Файл"));
    QCOMPARE(w.form.Button2->text(), QStringLiteral(u"Сохранить в таблицу"));
    QCOMPARE(w.form.Button3->text(), QStringLiteral(u"О программе"));
    QCOMPARE(w.form.Button4->text(), QStringLiteral(u"График"));
    QCOMPARE(w.form.Button5->text(), QStringLiteral(u"Сохранить в файл"));
    QCOMPARE(w.form.Button6->text(), QStringLiteral(u"Компилировать"));
    QCOMPARE(w.form.Button7->text(), QStringLiteral(u"English"));
    QCOMPARE(w.form.Label1->text(), QStringLiteral(u"первый"));
    QCOMPARE(w.form.Label2->text(), QStringLiteral(u"Табл."));
    QCOMPARE(w.form.Label3->text(), QStringLiteral(u"второй"));
    QCOMPARE(w.form.Label4->text(), QStringLiteral(u"Импульс датчика:"));
    QCOMPARE(w.form.Label5->text(), QStringLiteral(u"Выход \"искра\""));
    QCOMPARE(w.form.CheckBox1->text(), QString());
}

void TestStartState::gridHeadersAndBreakpoints()
{
    Window w;
    GridModel &grid = w.form.grid();
    QCOMPARE(grid.rowCount(), 32);
    QCOMPARE(grid.columnCount(), 5);
    QCOMPARE(headerTexts(w.form),
             QStringList({QStringLiteral(u"об/мин"), "", "", "", QStringLiteral(u"УОЗ")}));
    const QStringList breakpoints =
        QStringLiteral("460 500 600 800 1000 1200 1500 1800 2000 2200 2500 2800 3000 3400 3800 "
                       "4200 4600 5000 5400 6000 6500 7000 7500 8000 8500 9000 9500 10000 11000 "
                       "12000 15000 19500")
            .split(QLatin1Char(' '));
    QCOMPARE(columnTexts(w.form, 0), breakpoints);
    const QStringList empty(32, QString());
    for (int column = 1; column <= 4; ++column)
        QCOMPARE(columnTexts(w.form, column), empty);
    QCOMPARE(w.form.StringGrid1->columnWidth(0), 45);
    for (int column = 1; column <= 4; ++column)
        QCOMPARE(w.form.StringGrid1->columnWidth(column), 36);
    // The header row, then the points' rows.
    QCOMPARE(w.form.StringGrid1->horizontalHeader()->height(), 16);
    QCOMPARE(w.form.StringGrid1->rowHeight(0), 14);
    QCOMPARE(w.form.StringGrid1->rowHeight(31), 14);
}

static QStringList items(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.append(combo->itemText(i));
    return texts;
}

void TestStartState::comboBoxItemsAndStartValues()
{
    Window w;
    QCOMPARE(items(w.form.ComboBox1), QStringList({"40", "35", "30", "25", "20", "15"}));
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("20"));
    QVERIFY(w.form.ComboBox1->isEditable());
    QCOMPARE(items(w.form.ComboBox2), QStringList({"1", "2", "3"}));
    QCOMPARE(w.form.ComboBox2->currentText(), QStringLiteral("1"));
    QVERIFY(w.form.ComboBox2->isEditable());
    QCOMPARE(items(w.form.ComboBox3), QStringList({"auto", "20"}));
    QCOMPARE(w.form.ComboBox3->currentIndex(), 0);
    QCOMPARE(w.form.ComboBox3->currentText(), QStringLiteral("auto"));
    QVERIFY(w.form.ComboBox3->isEditable());
    QCOMPARE(items(w.form.ComboBox4), QStringList({"PortC,0", "PortD,6"}));
    QCOMPARE(w.form.ComboBox4->currentIndex(), 0);
    QCOMPARE(w.form.ComboBox4->currentText(), QStringLiteral("PortC,0"));
    QVERIFY(!w.form.ComboBox4->isEditable());
}

void TestStartState::checkBoxChecked()
{
    Window w;
    QVERIFY(w.form.CheckBox1->isChecked());
}

void TestStartState::memoEmptyAndReadOnly()
{
    Window w;
    QCOMPARE(w.form.Memo1->toPlainText(), QString());
    QVERIFY(w.form.Memo1->isReadOnly());
    QCOMPARE(w.form.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(w.form.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(w.form.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

void TestStartState::chartTitledAndEmpty()
{
    Window w;
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ"));
    QCOMPARE(w.form.Chart1->series(), w.form.Series1);
    QCOMPARE(w.form.Series1->count(), 0);
}

void TestStartState::nothingLoaded()
{
    Window w;
    QCOMPARE(w.form.document().FirmwarePath, QString());
    QCOMPARE(w.form.state().FirmwareName, QString());
    QCOMPARE(w.form.state().Language, 0);
    QCOMPARE(w.form.document().calibration.trimmerActive, false);
    QCOMPARE(w.form.OpenDialog1.filter, QStringLiteral("asm|*asm|hex|*.hex"));
    QCOMPARE(w.form.OpenDialog1.fileName, QStringLiteral("CDI.asm"));
    QVERIFY(w.platform.boxes.isEmpty());
}

QTEST_MAIN(TestStartState)
#include "tst_startstate.moc"
