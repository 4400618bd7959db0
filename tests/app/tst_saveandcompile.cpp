// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "Сохранить в файл" and "Компилировать" on a loaded source.
#include "apptestsupport.h"
#include "mainwindowsupport.h"

#include "app/compileconsole.h"

#include <QComboBox>
#include <QDateTime>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
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
    void compileTellsTheWindowHowTheAssemblerEnded_data();
    void compileTellsTheWindowHowTheAssemblerEnded();
    void xtermDrawsCyrillicWithAScalableFace();
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

// The terminal's script run without the terminal, with `bin` first on the search path; what it
// printed.
static QString runConsoleScript(const DetachedCommand &command, const QString &bin)
{
    const qsizetype shell = command.arguments.indexOf(QStringLiteral("-e")) + 1;
    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), bin + QStringLiteral(":/usr/bin:/bin"));
    environment.insert(QStringLiteral("SHELL"), QStringLiteral("/bin/true"));
    script.setProcessEnvironment(environment);
    script.setWorkingDirectory(command.workingDirectory);
    script.start(command.arguments.at(shell), command.arguments.mid(shell + 1));
    if (!script.waitForFinished(10000))
        return QStringLiteral("(did not end)");
    return QString::fromUtf8(script.readAllStandardOutput());
}

void TestSaveAndCompile::compileTellsTheWindowHowTheAssemblerEnded_data()
{
    QTest::addColumn<QString>("assembler"); // the fake avra's shell text; empty: none installed
    QTest::addColumn<QString>("terminal");  // the terminal's last line before the shell
    QTest::addColumn<QString>("note");      // the status bar's note after the time
    QTest::newRow("built") << "printf ':00000001FF\\n' > CDI.hex"
                           << u"Ассемблер завершился без ошибок."_qs
                           << u"ассемблер завершился без ошибок, собран CDI.hex"_qs;
    QTest::newRow("errors") << "echo 'CDI.asm(12) : Error'; exit 3"
                            << u"ОШИБКА АССЕМБЛЕРА. Код завершения: 3"_qs
                            << u"ОШИБКА АССЕМБЛЕРА (код 3), CDI.hex не собран"_qs;
    QTest::newRow("no HEX") << "exit 0" << u"Ассемблер завершился без ошибок."_qs
                            << u"ассемблер завершился, но CDI.hex не записан"_qs;
    QTest::newRow("no assembler")
        << QString() << u"ОШИБКА АССЕМБЛЕРА. Код завершения: 127"_qs
        << u"Ассемблер не найден (ни avrasm2, ни avra). Установите пакет avra: sudo apt "
           u"install avra"_qs;
}

void TestSaveAndCompile::compileTellsTheWindowHowTheAssemblerEnded()
{
    QFETCH(QString, assembler);
    QFETCH(QString, terminal);
    QFETCH(QString, note);
    QTemporaryDir dir;
    QTemporaryDir bin;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    // A HEX of an earlier compile, which only a new one replaces.
    const QString oldHex = writeFile(dir, "CDI.hex", ":00000001FF\n");
    {
        QFile hex(oldHex);
        QVERIFY(hex.open(QIODevice::ReadWrite));
        QVERIFY(hex.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                QFileDevice::FileModificationTime));
    }
    const QString avra =
        writeFile(bin, "avra", (QStringLiteral("#!/bin/sh\n") + assembler + u'\n').toUtf8());
    QVERIFY(QFile::setPermissions(avra, QFile::ReadOwner | QFile::ExeOwner));
    TopWindow w;
    w.platform.missingPrograms = {QStringLiteral("avrasm2")};
    if (assembler.isEmpty())
        w.platform.missingPrograms << QStringLiteral("avra");
    w.load(path);
    w.form.Button6Click();
    QCOMPARE(w.platform.commandsStarted.size(), 1);
    const DetachedCommand command = w.platform.commandsStarted.first();
    QVERIFY(!command.statusFile.isEmpty());
    const QRegularExpression timed(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d: (.*)$"));
    // Until the assembler ends, the window says it runs (or that there is none to run).
    const QString started = timed.match(w.window.note()).captured(1);
    QCOMPARE(started, assembler.isEmpty() ? note : u"CDI.asm компилируется в окне терминала…"_qs);

    const QString printed =
        runConsoleScript(command, assembler.isEmpty() ? dir.path() : bin.path());
    QVERIFY2(printed.trimmed().endsWith(terminal), qPrintable(printed));
    if (assembler.isEmpty())
        QVERIFY2(printed.contains(note), qPrintable(printed));
    // The window has read the status once its file is gone.
    QTRY_VERIFY(!QFileInfo::exists(command.statusFile));
    QCOMPARE(timed.match(w.window.note()).captured(1), note);
    w.form.Button7Click();
    QVERIFY(w.window.note().contains(assembler.isEmpty() ? u"avra"_qs : u"CDI.hex"_qs));
    QVERIFY(!w.window.note().contains(u"ассемблер"_qs, Qt::CaseInsensitive));
}

void TestSaveAndCompile::xtermDrawsCyrillicWithAScalableFace()
{
    const auto installed = [](QStringList programs) {
        return [programs](const QString &name) { return programs.contains(name); };
    };
    const auto resolvedAs = [](const QString &program) {
        return [program](const QString &) { return program; };
    };
    const QStringList xtermOptions = {"-u8", "-fa", "Monospace", "-fs", "11", "-e"};
    const QString path = QStringLiteral("/home/user/fw/CDI.asm");
    const auto xterm = compileConsole(path, {}, installed({"xterm", "avra"}), resolvedAs({}));
    QVERIFY(xterm);
    QCOMPARE(xterm->program, QStringLiteral("xterm"));
    QCOMPARE(xterm->arguments.mid(0, 6), xtermOptions);
    QCOMPARE(xterm->arguments.mid(xterm->arguments.size() - 2), QStringList({"avra", "CDI.asm"}));
    // The desktop's terminal when it is an xterm behind another name: the same xterm.
    const auto lxterm = compileConsole(path, {}, installed({"x-terminal-emulator", "xterm"}),
                                       resolvedAs(QStringLiteral("lxterm")));
    QCOMPARE(lxterm->program, QStringLiteral("xterm"));
    QCOMPARE(lxterm->arguments.mid(0, 6), xtermOptions);
    // Any other desktop terminal is left to draw as it does.
    const auto other = compileConsole(path, {}, installed({"x-terminal-emulator", "xterm"}),
                                      resolvedAs(QStringLiteral("gnome-terminal.wrapper")));
    QCOMPARE(other->program, QStringLiteral("x-terminal-emulator"));
    QCOMPARE(other->arguments.first(), QStringLiteral("-e"));
    QCOMPARE(other->statusFile, QString());
}

QTEST_MAIN(TestSaveAndCompile)
#include "tst_saveandcompile.moc"
