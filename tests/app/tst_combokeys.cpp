// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Typing into the three editable combo boxes: which characters pass, and how many.
#include "apptestsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>

class TestComboKeys : public QObject
{
    Q_OBJECT
private slots:
    void typedCharactersFiltered_data();
    void typedCharactersFiltered();
    void backspaceDeletesExceptInTheTableBox_data();
    void backspaceDeletesExceptInTheTableBox();
    void deleteStillDeletesInTheTableBox();
    void digitReplacesTheSelectedTable();
    void typingStopsAtTheLengthLimit_data();
    void typingStopsAtTheLengthLimit();
    void longerTextFromALoadIsKeptWhole();
    void typedDigitIsNotCompletedToAnItem();
    void textFromAnInputMethodFiltered_data();
    void textFromAnInputMethodFiltered();
    void pasteGoesInWholeOrNotAtAll_data();
    void pasteGoesInWholeOrNotAtAll();
};

// The window shown and active, with the keyboard focus in `combo` and its edit field holding
// `text` with the cursor at its end.
static void focusCombo(Window &w, QComboBox *combo, const QString &text)
{
    w.form.show();
    w.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    combo->setFocus();
    QVERIFY(combo->hasFocus());
    combo->lineEdit()->setText(text);
    combo->lineEdit()->end(false);
}

static QComboBox *comboByNumber(TForm1 &form, int number)
{
    switch (number) {
    case 1:
        return form.ComboBox1;
    case 2:
        return form.ComboBox2;
    case 3:
        return form.ComboBox3;
    }
    return nullptr;
}

void TestComboKeys::typedCharactersFiltered_data()
{
    QTest::addColumn<int>("combo");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    // Digits that begin no list item, so that the box does not complete them.
    QTest::newRow("angle: letters dropped") << 1 << "x7b"
                                            << "7";
    QTest::newRow("angle: signs and blanks dropped") << 1 << "-+ .,9"
                                                     << "9";
    QTest::newRow("angle: digits") << 1 << "09"
                                   << "09";
    QTest::newRow("table: letter") << 2 << "a"
                                   << "";
    QTest::newRow("table: 0") << 2 << "0"
                              << "";
    QTest::newRow("table: 4") << 2 << "4"
                              << "";
    QTest::newRow("table: 9 then 2") << 2 << "92"
                                     << "2";
    QTest::newRow("table: 1") << 2 << "1"
                              << "1";
    QTest::newRow("table: 3") << 2 << "3"
                              << "3";
    QTest::newRow("second pulse: letters dropped") << 3 << "q12w"
                                                   << "12";
    QTest::newRow("second pulse: separator dropped") << 3 << "39.9"
                                                     << "399";
}

void TestComboKeys::typedCharactersFiltered()
{
    QFETCH(int, combo);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    Window w;
    QComboBox *box = comboByNumber(w.form, combo);
    focusCombo(w, box, QString());
    QTest::keyClicks(box, typed);
    QCOMPARE(box->currentText(), expected);
}

void TestComboKeys::backspaceDeletesExceptInTheTableBox_data()
{
    QTest::addColumn<int>("combo");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("expected");
    QTest::newRow("angle") << 1 << "20"
                           << "2";
    QTest::newRow("table") << 2 << "1"
                           << "1";
    QTest::newRow("second pulse") << 3 << "auto"
                                  << "aut";
}

void TestComboKeys::backspaceDeletesExceptInTheTableBox()
{
    QFETCH(int, combo);
    QFETCH(QString, start);
    QFETCH(QString, expected);
    Window w;
    QComboBox *box = comboByNumber(w.form, combo);
    focusCombo(w, box, start);
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->currentText(), expected);
}

void TestComboKeys::deleteStillDeletesInTheTableBox()
{
    Window w;
    focusCombo(w, w.form.ComboBox2, QStringLiteral("1"));
    QTest::keyClick(w.form.ComboBox2, Qt::Key_Home);
    QTest::keyClick(w.form.ComboBox2, Qt::Key_Delete);
    QCOMPARE(w.form.ComboBox2->currentText(), QString());
}

void TestComboKeys::digitReplacesTheSelectedTable()
{
    Window w;
    focusCombo(w, w.form.ComboBox2, QStringLiteral("1"));
    w.form.ComboBox2->lineEdit()->selectAll();
    QTest::keyClick(w.form.ComboBox2, Qt::Key_3);
    QCOMPARE(w.form.ComboBox2->currentText(), QStringLiteral("3"));
    // Without a selection the one character is all the box takes.
    QTest::keyClick(w.form.ComboBox2, Qt::Key_2);
    QCOMPARE(w.form.ComboBox2->currentText(), QStringLiteral("3"));
}

void TestComboKeys::typingStopsAtTheLengthLimit_data()
{
    QTest::addColumn<int>("combo");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("angle: two") << 1 << "1234"
                                << "12";
    QTest::newRow("table: one") << 2 << "123"
                                << "1";
    QTest::newRow("second pulse: any") << 3 << "1234567890123"
                                       << "1234567890123";
}

void TestComboKeys::typingStopsAtTheLengthLimit()
{
    QFETCH(int, combo);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    Window w;
    QComboBox *box = comboByNumber(w.form, combo);
    focusCombo(w, box, QString());
    QTest::keyClicks(box, typed);
    QCOMPARE(box->currentText(), expected);
}

void TestComboKeys::typedDigitIsNotCompletedToAnItem()
{
    Window w;
    focusCombo(w, w.form.ComboBox1, QString());
    // "4" begins the item "40": the box must hold what was typed, not the item.
    QTest::keyClick(w.form.ComboBox1, Qt::Key_4);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("4"));
}

void TestComboKeys::longerTextFromALoadIsKeptWhole()
{
    QTemporaryDir dir;
    const QString path =
        writeFile(dir, "CDI.asm", replacedOnce(sampleBytes(), u"угол 20", u"угол 100"));
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("100"));
    // The angles follow the three-digit sensor angle: code 14 at 100 degrees.
    QCOMPARE(w.form.grid().cell(4, 1), QStringLiteral("90.2"));

    // Typing does not lengthen it further, but deleting works.
    w.form.show();
    w.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    w.form.ComboBox1->setFocus();
    w.form.ComboBox1->lineEdit()->end(false);
    QTest::keyClick(w.form.ComboBox1, Qt::Key_5);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("100"));
    QTest::keyClick(w.form.ComboBox1, Qt::Key_Backspace);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("10"));
}

void TestComboKeys::textFromAnInputMethodFiltered_data()
{
    QTest::addColumn<int>("combo");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("committed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("angle: letters") << 1 << "" << QStringLiteral(u"у7ж") << "7";
    QTest::newRow("angle: two at most") << 1 << ""
                                        << "987"
                                        << "98";
    QTest::newRow("angle: one more") << 1 << "9"
                                     << "87"
                                     << "98";
    QTest::newRow("table: one of 1 to 3") << 2 << ""
                                          << "0432"
                                          << "3";
    QTest::newRow("second pulse: any number of digits") << 3 << ""
                                                        << "x98765"
                                                        << "98765";
}

// Text composed in an input method arrives committed, not as key presses.
void TestComboKeys::textFromAnInputMethodFiltered()
{
    QFETCH(int, combo);
    QFETCH(QString, start);
    QFETCH(QString, committed);
    QFETCH(QString, expected);
    Window w;
    QComboBox *box = comboByNumber(w.form, combo);
    focusCombo(w, box, start);
    QInputMethodEvent event;
    event.setCommitString(committed);
    QApplication::sendEvent(box, &event);
    QCOMPARE(box->currentText(), expected);
}

void TestComboKeys::pasteGoesInWholeOrNotAtAll_data()
{
    QTest::addColumn<int>("combo");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("refused");
    for (const QString how : {"ctrl+v", "shift+insert", "menu", "drop"}) {
        const QByteArray tag = how.toLatin1() + ": ";
        QTest::newRow(tag + "angle: a sign") << 1 << "" << how << "-5"
                                             << "" << true;
        QTest::newRow(tag + "angle: two digits at most") << 1 << "2" << how << "50"
                                                         << "2" << true;
        QTest::newRow(tag + "angle: a copied cell") << 1 << "" << how << "35\n"
                                                    << "35" << false;
        QTest::newRow(tag + "table: one of 1 to 3") << 2 << "" << how << "04"
                                                    << "" << true;
        QTest::newRow(tag + "table") << 2 << "" << how << "3"
                                     << "3" << false;
        QTest::newRow(tag + "pulse: exponent") << 3 << "" << how << "1e3"
                                               << "" << true;
        QTest::newRow(tag + "pulse: lines") << 3 << "1" << how << "2\n3"
                                            << "1" << true;
        QTest::newRow(tag + "pulse") << 3 << "1" << how << " 25 "
                                     << "125" << false;
    }
}

// Text pasted or dropped in goes in whole, without the white space around it, when every
// character passes the key filter and the length limit allows it; otherwise nothing changes and
// a warning says so.
void TestComboKeys::pasteGoesInWholeOrNotAtAll()
{
    QFETCH(int, combo);
    QFETCH(QString, start);
    QFETCH(QString, how);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    QFETCH(bool, refused);
    Window w;
    QComboBox *box = comboByNumber(w.form, combo);
    focusCombo(w, box, start);
    QGuiApplication::clipboard()->setText(pasted);
    if (how == QStringLiteral("ctrl+v")) {
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    } else if (how == QStringLiteral("shift+insert")) {
        QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
    } else if (how == QStringLiteral("menu")) {
        // The edit field's own context menu; its Paste is chosen once it is open.
        QTimer::singleShot(0, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            const QList<QAction *> actions = menu->actions();
            const auto paste = std::find_if(actions.begin(), actions.end(), [](QAction *a) {
                return a->text().startsWith(QCoreApplication::translate("QLineEdit", "&Paste"));
            });
            if (paste != actions.end())
                (*paste)->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2),
                                box->lineEdit()->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(box->lineEdit(), &event);
    } else {
        QMimeData data;
        data.setText(pasted);
        const QPointF end(box->lineEdit()->width() - 1, box->lineEdit()->height() / 2);
        QDragEnterEvent enter(end.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box->lineEdit(), &enter);
        QDropEvent event(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box->lineEdit(), &event);
        QCOMPARE(event.isAccepted(), !refused);
        // A refusal is reported once the drop has ended.
        QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
        QCoreApplication::processEvents();
    }
    QCOMPARE(box->currentText(), expected);
    const QList<ShownBox> boxes = w.platform.takeBoxes();
    QCOMPARE(boxes.size(), refused ? 1 : 0);
    if (refused)
        QVERIFY2(boxes[0].text.startsWith(u'"' + pasted.trimmed() + u'"') ||
                     boxes[0].text.startsWith(QStringLiteral(u"Вставляемый текст занимает")),
                 qPrintable(boxes[0].text));
}

QTEST_MAIN(TestComboKeys)
#include "tst_combokeys.moc"
