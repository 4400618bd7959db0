// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Changes not yet saved to file: the question before they would be dropped (closing, another
// file, the reload after a cancelled dialog) or skipped (compiling), and the status bar's mark.
#include "mainwindowsupport.h"

#include "app/editcommands.h"
#include "app/gridview.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

class TestUnsaved : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void noQuestionWithoutChanges();
    void typedAngleMarksTheWindowEdited();
    void closing_data();
    void closing();
    void cancelledDialog_data();
    void cancelledDialog();
    void anotherFileCancelledKeepsTheLoadedOne();
    void saveThatFailsKeepsTheChanges();
    void declinedOverwriteKeepsTheChanges();
    void questionInEnglish();
    void compile_data();
    void compile();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

static const QString kRussianQuestion = QStringLiteral(u"Сохранить изменения в CDI.asm?");
static const QStringList kRussianAnswers = {
    QStringLiteral(u"Сохранить"), QStringLiteral(u"Не сохранять"), QStringLiteral(u"Отмена")};

void TestUnsaved::init()
{
    QLocale::setDefault(QLocale::c());
    m_path = writeFile(m_dir, QStringLiteral("CDI.asm"), sampleBytes());
}

// Row 3's angle becomes 11 degrees: 9 below the sensor, 12.86 steps, code 13, read back 10.9.
static void editRow3(TopWindow &w)
{
    w.form.grid().setCell(4, 3, QStringLiteral("11"));
}

static QStringList codesWithRow3Edited()
{
    QStringList codes = sampleCodes(1);
    codes[2] = QStringLiteral("13");
    return codes;
}

void TestUnsaved::noQuestionWithoutChanges()
{
    TopWindow w;
    w.load(m_path);
    w.platform.cancelDialog(); // reloads the same file
    w.form.Button1Click();
    w.form.Button6Click();
    // Switching the language rewrites the headers only; saving clears what was changed.
    w.form.Button7Click();
    w.form.Button7Click();
    editRow3(w);
    w.form.Button5Click();
    QVERIFY(w.window.close());
    QCOMPARE(w.platform.questions.size(), 0);
    QCOMPARE(w.platform.commandsStarted.size(), 1);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestUnsaved::typedAngleMarksTheWindowEdited()
{
    TopWindow w;
    w.load(m_path);
    QCOMPARE(w.window.pathText(), m_path);
    QCOMPARE(w.window.editedText(), QString());
    w.window.show();
    w.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    w.form.StringGrid1->setFocus();
    w.form.StringGrid1->setCurrentCell(4, 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->selectedText(), expectedAngle(14, 20)); // Ctrl+A selects the cell's text
    QTest::keyClicks(editor, QStringLiteral("11"));
    QCOMPARE(w.form.grid().cell(4, 3), QStringLiteral("11"));
    QVERIFY(w.form.hasUnsavedChanges());
    QCOMPARE(w.window.editedText(), QStringLiteral(u"изменён"));
    w.form.Button7Click();
    QCOMPARE(w.window.editedText(), QStringLiteral("edited"));

    w.form.Button5Click();
    QVERIFY(!w.form.hasUnsavedChanges());
    QCOMPARE(w.window.editedText(), QString());
    QCOMPARE(columnTexts(w.form, 1), codesWithRow3Edited());
    // A setting counts as a change too; setting it back, or undoing it, is none.
    w.form.CheckBox1->setChecked(false);
    QCOMPARE(w.window.editedText(), QStringLiteral("edited"));
    w.form.CheckBox1->setChecked(true);
    QVERIFY(!w.form.hasUnsavedChanges());
    QCOMPARE(w.window.editedText(), QString());
    const QString saved = w.form.grid().cell(4, 3);
    w.form.grid().setCell(4, 3, QStringLiteral("12"));
    w.form.commands().checkpoint();
    QVERIFY(w.form.hasUnsavedChanges());
    w.form.commands().undo();
    QCOMPARE(w.form.grid().cell(4, 3), saved);
    QVERIFY(!w.form.hasUnsavedChanges());
    QCOMPARE(w.window.editedText(), QString());
}

void TestUnsaved::closing_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("written");
    QTest::newRow("Save") << 0 << true << true;
    QTest::newRow("Discard") << 1 << true << false;
    QTest::newRow("Cancel") << 2 << false << false;
}

void TestUnsaved::closing()
{
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(bool, written);
    TopWindow w;
    w.load(m_path);
    w.window.show();
    editRow3(w);
    w.platform.questionAnswers = {answer};
    QCOMPARE(w.window.close(), closed);
    QCOMPARE(w.window.isVisible(), !closed);
    QCOMPARE(w.platform.questions.size(), 1);
    QCOMPARE(w.platform.questions[0].text, kRussianQuestion);
    QCOMPARE(w.platform.questions[0].answers, kRussianAnswers);
    QCOMPARE(w.platform.questions[0].escapeAnswer, 2);
    QCOMPARE(readFile(m_path) != sampleBytes(), written);
    QCOMPARE(w.form.hasUnsavedChanges(), !written);
    QCOMPARE(w.form.grid().cell(4, 3), QStringLiteral("11"));
    if (written) {
        TopWindow again;
        again.load(m_path);
        QCOMPARE(columnTexts(again.form, 1), codesWithRow3Edited());
        QCOMPARE(again.form.grid().cell(4, 3), QStringLiteral("10.9"));
    }
}

void TestUnsaved::cancelledDialog_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("row3");
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QByteArray>("onDisk");
    QTest::newRow("Save") << 0 << "10.9" << false << QByteArray();
    QTest::newRow("Discard") << 1 << expectedAngle(14, 20) << false << sampleBytes();
    QTest::newRow("Cancel") << 2 << "11" << true << sampleBytes();
}

void TestUnsaved::cancelledDialog()
{
    QFETCH(int, answer);
    QFETCH(QString, row3);
    QFETCH(bool, edited);
    QFETCH(QByteArray, onDisk);
    TopWindow w;
    w.load(m_path);
    editRow3(w);
    const QString memo = w.form.Memo1->toPlainText();
    w.platform.cancelDialog();
    w.platform.questionAnswers = {answer};
    w.form.Button1Click();
    QCOMPARE(w.platform.questions.size(), 1);
    QCOMPARE(w.platform.questions[0].text, kRussianQuestion);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.grid().cell(4, 3), row3);
    QCOMPARE(w.form.hasUnsavedChanges(), edited);
    QCOMPARE(w.window.editedText(), edited ? QStringLiteral(u"изменён") : QString());
    if (onDisk.isEmpty()) {
        // Saved, then read again from disk.
        QCOMPARE(columnTexts(w.form, 1), codesWithRow3Edited());
        QVERIFY(readFile(m_path) != sampleBytes());
    } else {
        QCOMPARE(readFile(m_path), onDisk);
        QCOMPARE(columnTexts(w.form, 1), sampleCodes(1));
    }
    if (answer == 2)
        QCOMPARE(w.form.Memo1->toPlainText(), memo);
}

void TestUnsaved::anotherFileCancelledKeepsTheLoadedOne()
{
    QTemporaryDir other;
    const QString otherPath = writeFile(other, QStringLiteral("CDI.asm"), sampleBytes());
    TopWindow w;
    w.load(m_path);
    editRow3(w);
    w.platform.answerDialog(otherPath);
    w.platform.questionAnswers = {2};
    w.form.Button1Click();
    QCOMPARE(w.form.document().FirmwarePath, m_path);
    QCOMPARE(w.form.grid().cell(4, 3), QStringLiteral("11"));
    QVERIFY(w.form.hasUnsavedChanges());

    w.platform.answerDialog(otherPath);
    w.platform.questionAnswers = {1};
    w.form.Button1Click();
    QCOMPARE(w.form.document().FirmwarePath, otherPath);
    QCOMPARE(w.window.pathText(), otherPath);
    QCOMPARE(w.form.grid().cell(4, 3), expectedAngle(14, 20));
    QVERIFY(!w.form.hasUnsavedChanges());
    QCOMPARE(readFile(m_path), sampleBytes());
}

void TestUnsaved::saveThatFailsKeepsTheChanges()
{
    TopWindow w;
    w.load(m_path);
    w.form.grid().setCell(4, 7, QStringLiteral("-200"));
    w.platform.questionAnswers = {0};
    QVERIFY(!w.window.close());
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Warning, QStringLiteral(u"Превышен предел 125° ниже "
                                                                 u"датчика")}}));
    QCOMPARE(readFile(m_path), sampleBytes());
    QVERIFY(w.form.hasUnsavedChanges());
    QCOMPARE(w.form.grid().cell(4, 7), QStringLiteral("-200"));
}

void TestUnsaved::declinedOverwriteKeepsTheChanges()
{
    TopWindow w;
    w.load(m_path);
    editRow3(w);
    // Something else writes the file after the load: the save asks before overwriting it.
    QByteArray changed = sampleBytes();
    changed.append("; added elsewhere\r\n");
    writeFile(m_path, changed);
    w.platform.answers = {false};
    w.platform.questionAnswers = {0};
    QVERIFY(!w.window.close());
    QCOMPARE(w.platform.takeBoxes().size(), 1); // the overwrite question, declined
    QCOMPARE(readFile(m_path), changed);
    QVERIFY(w.form.hasUnsavedChanges());
    QCOMPARE(w.window.editedText(), QStringLiteral(u"изменён"));
    QVERIFY(w.window.note().endsWith(QStringLiteral(u"файл не сохранён")));
}

void TestUnsaved::questionInEnglish()
{
    TopWindow w;
    w.load(m_path);
    w.form.Button7Click();
    editRow3(w);
    w.platform.questionAnswers = {2};
    QVERIFY(!w.window.close());
    QCOMPARE(w.platform.questions[0].text, QStringLiteral("Save changes to CDI.asm?"));
    QCOMPARE(w.platform.questions[0].answers, QStringList({"Save", "Discard", "Cancel"}));
}

void TestUnsaved::compile_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("written");
    QTest::newRow("save and compile") << 0 << true << true;
    QTest::newRow("compile the file on disk") << 1 << true << false;
    QTest::newRow("cancel") << 2 << false << false;
}

void TestUnsaved::compile()
{
    QFETCH(int, answer);
    QFETCH(bool, started);
    QFETCH(bool, written);
    TopWindow w;
    w.load(m_path);
    w.form.Button2Click(); // stored in the table, not yet in the file: still unsaved
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QVERIFY(!w.form.hasUnsavedChanges());
    editRow3(w);
    w.form.Button2Click();
    QVERIFY(w.form.hasUnsavedChanges());
    w.platform.questionAnswers = {answer};
    w.form.Button6Click();
    QCOMPARE(w.platform.questions.size(), 1);
    QCOMPARE(w.platform.questions[0].text,
             QStringLiteral(u"Изменения не сохранены в CDI.asm. Ассемблер соберёт файл таким, "
                            u"какой он сейчас на диске."));
    QCOMPARE(
        w.platform.questions[0].answers,
        QStringList({QStringLiteral(u"Сохранить и компилировать"),
                     QStringLiteral(u"Компилировать файл с диска"), QStringLiteral(u"Отмена")}));
    QCOMPARE(w.platform.commandsStarted.size(), started ? 1 : 0);
    QCOMPARE(readFile(m_path) != sampleBytes(), written);
    QCOMPARE(w.form.hasUnsavedChanges(), !written);

    // Out of range: the save refuses, and nothing is compiled.
    w.form.grid().setCell(4, 7, QStringLiteral("-200"));
    w.platform.questionAnswers = {0};
    w.form.Button6Click();
    QCOMPARE(w.platform.commandsStarted.size(), started ? 1 : 0);
    QCOMPARE(w.platform.takeBoxes().size(), 1);
}

QTEST_MAIN(TestUnsaved)
#include "tst_unsaved.moc"
