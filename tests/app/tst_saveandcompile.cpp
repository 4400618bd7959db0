// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "Сохранить в файл" and "Компилировать" on a loaded source.
#include "apptestsupport.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTest>

class TestSaveAndCompile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void saveWritesWhatAReloadReadsBack();
    void savingTwiceWritesTheSameFile();
    void saveAfterAStoppedLoadLeavesTheFileAlone();
    void saveStoppedByABreakpointLeavesTheFileAlone();
    void breakpointsOutOfOrderAskBeforeTheSave();
    void compileWithNothingLoadedStartsNothing();
    void compileRunsInTheFilesFolder();
};

void TestSaveAndCompile::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestSaveAndCompile::saveWritesWhatAReloadReadsBack()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());

    w.form.ComboBox3->setCurrentIndex(1); // a fixed second pulse of 20 degrees
    w.form.ComboBox4->setCurrentIndex(1); // PortD,6
    w.form.grid().setCell(4, 5, QStringLiteral("5"));
    w.form.grid().setCell(4, 6, QStringLiteral("-"));
    w.form.grid().setCell(0, 10, QStringLiteral("2300"));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());

    const QByteArray saved = readFile(path);
    QVERIFY(saved != sampleBytes());
    QVERIFY(saved.endsWith("\r\n"));
    QCOMPARE(saved.count('\n'), sampleBytes().count('\n'));
    QVERIFY(saved.contains(toCp1251(u"cbi PortD,6\t\t;лог\"0\"на выход \"искра\"\r\n")));
    QVERIFY(saved.contains(toCp1251(u"ldi R30,0b00000000\t;РОН статуса\r\n")));
    QVERIFY(w.form.Memo1->toPlainText().contains(QStringLiteral("cbi PortD,6")));

    QStringList codes = sampleCodes(1);
    codes[4] = QStringLiteral("21"); // 5 degrees: 15 below the sensor, 21 steps
    codes[5] = QStringLiteral("180");
    QCOMPARE(columnTexts(w.form, 1), codes);

    Window again;
    again.load(path);
    QCOMPARE(again.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(again.form.ComboBox1->currentText(), QStringLiteral("20"));
    QCOMPARE(again.form.ComboBox3->currentText(), QStringLiteral("20.3"));
    QCOMPARE(again.form.ComboBox4->currentText(), QStringLiteral("PortD,6"));
    QStringList breakpoints = sampleBreakpoints();
    breakpoints[9] = QStringLiteral("2300");
    QCOMPARE(columnTexts(again.form, 0), breakpoints);
    QCOMPARE(columnTexts(again.form, 1), codes);
    QCOMPARE(columnTexts(again.form, 2), sampleCodes(2));
    QCOMPARE(columnTexts(again.form, 3), sampleCodes(3));
    QCOMPARE(again.form.grid().cell(4, 5), QStringLiteral("5.3"));
    QCOMPARE(again.form.grid().cell(4, 6), QStringLiteral("-"));
}

void TestSaveAndCompile::savingTwiceWritesTheSameFile()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    w.form.grid().setCell(4, 1, QStringLiteral("12"));
    w.form.Button5Click();
    const QByteArray first = readFile(path);
    QVERIFY(first != sampleBytes());
    w.form.Button5Click();
    QCOMPARE(readFile(path), first);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestSaveAndCompile::saveAfterAStoppedLoadLeavesTheFileAlone()
{
    QTemporaryDir dir;
    const QString good = writeFile(dir, "CDI.asm", sampleBytes());
    const QByteArray brokenBytes = replacedOnce(sampleBytes(), u"ldi R23,", u"ldi R22,");
    const QString broken = writeFile(dir, "Broken.asm", brokenBytes);
    Window w;
    w.load(good);
    w.load(broken);
    const ShownBox missing = {
        ShownBox::Warning, QStringLiteral(u"Не найден параметр, проверьте версию файла CDI.ASM")};
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({missing}));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({missing}));
    QCOMPARE(readFile(broken), brokenBytes);
    QCOMPARE(readFile(good), sampleBytes());
}

void TestSaveAndCompile::saveStoppedByABreakpointLeavesTheFileAlone()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    w.form.grid().setCell(0, 2, QStringLiteral("459"));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>(
                 {{ShownBox::Warning, QStringLiteral(u"Обороты не ниже холостых, 460/мин")}}));
    QCOMPARE(readFile(path), sampleBytes());
}

// A breakpoint typed below the row before is marked at once; the save names both rows and
// writes only when told to; the file it wrote loads, with the mark.
void TestSaveAndCompile::breakpointsOutOfOrderAskBeforeTheSave()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    w.form.grid().setCell(0, 15, QStringLiteral("3400"));
    const QString note = QStringLiteral(u"Строка 15 (3400 об/мин) не выше строки 14 (3450 об/мин) "
                                        u"по шагам оборотов прошивки: одна из двух строк не "
                                        u"используется никогда");
    QCOMPARE(w.form.grid().note(0, 15), note);
    QCOMPARE(w.form.grid().note(0, 14), QString());

    w.platform.questionAnswers = {1};
    QVERIFY(!w.form.saveToFile());
    QCOMPARE(w.platform.questions.size(), 1);
    const Question &asked = w.platform.questions.first();
    QCOMPARE(asked.text, QStringLiteral(u"Обороты не по возрастанию: строка 15 (3400) не выше "
                                        u"строки 14 (3450). Прошивка никогда не использует одну "
                                        u"строку из каждой такой пары.\nВсё равно сохранить?"));
    QCOMPARE(asked.answers, QStringList({u"Сохранить всё равно"_qs, u"Отмена"_qs}));
    QCOMPARE(asked.defaultAnswer, 1);
    QCOMPARE(asked.escapeAnswer, 1);
    QCOMPARE(readFile(path), sampleBytes());
    QVERIFY(w.form.hasUnsavedChanges());

    w.platform.questionAnswers = {0};
    QVERIFY(w.form.saveToFile());
    QCOMPARE(w.platform.unexpectedQuestions, 0);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QVERIFY(readFile(path) != sampleBytes());

    // The firmware's constant reads back as 3450 twice: loaded without a word, marked.
    Window again;
    again.load(path);
    QCOMPARE(again.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(again.form.grid().cell(0, 15), QStringLiteral("3450"));
    QVERIFY(again.form.grid().note(0, 15).startsWith(
        QStringLiteral(u"Строка 15 (3450 об/мин) не выше строки 14 (3450 об/мин)")));
}

void TestSaveAndCompile::compileWithNothingLoadedStartsNothing()
{
    Window w;
    w.form.Button6Click();
    QCOMPARE(w.platform.commandsStarted.size(), 0);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestSaveAndCompile::compileRunsInTheFilesFolder()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "My CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    w.form.Button6Click();
    QCOMPARE(w.platform.commandsStarted.size(), 1);
    const DetachedCommand command = w.platform.commandsStarted.first();
    QVERIFY(!command.program.isEmpty());
    QCOMPARE(command.workingDirectory, dir.path());
    QCOMPARE(command.arguments.last(), QStringLiteral("My CDI.asm"));
    QCOMPARE(command.arguments.count(QStringLiteral("My CDI.asm")), 1);
    QVERIFY(command.arguments.contains(dir.path()));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    // Each click starts one more.
    w.form.Button6Click();
    QCOMPARE(w.platform.commandsStarted.size(), 2);
}

QTEST_MAIN(TestSaveAndCompile)
#include "tst_saveandcompile.moc"
