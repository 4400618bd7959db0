// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Programming the chip with avrdude: its command line, the HEX beside the source, the
// programmer list and choice, and the terminal script run for real.
#include "flash/chipprogrammer.h"
#include "flash/flashcommand.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

class TestChipProgrammer : public QObject
{
    Q_OBJECT
private slots:
    void avrdudeGetsEachValueAsOneArgument_data();
    void avrdudeGetsEachValueAsOneArgument();
    void programmerListParsed();
    void realAvrdudeListsTheCommonProgrammers();
    void hexBesideTheSource();
    void hexStateFollowsTheTimes();
    void choiceRemembered();
    void terminalPassesNamesWhole();
    void terminalNamesAvrdudesFailure();
    void realAvrdudeWithoutAProgrammerFails_data();
    void realAvrdudeWithoutAProgrammerFails();
    void compilesFirstWithTheRealAssembler();
    void failedAssemblyProgramsNothing();
    void commandLineRefusesBadInput_data();
    void commandLineRefusesBadInput();
    void commandLineTakesRememberedChoiceAndOptions();
    void commandLineReportsRealAvrdudesFailure();
};

namespace {

// A folder and file name with blanks and both kinds of quotes.
const QString kAwkwardFolder = QStringLiteral("fw dir 'one'");
const QString kAwkwardHex = QStringLiteral("it's \"v2\".hex");

bool onlyAvraAndXterm(const QString &name)
{
    return name == QLatin1String("avra") || name == QLatin1String("xterm");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray sampleBytes()
{
    QFile file(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the sample source");
    return file.readAll();
}

// A stand-in for avrdude that prints each argument on a line of its own and ends with
// $FAKE_STATUS; a marker file, when $FAKE_MARKER names one, tells that it ran.
QString fakeAvrdudeFolder(const QTemporaryDir &dir)
{
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    const QString path = bin + QStringLiteral("/avrdude");
    writeBytes(path, "#!/bin/sh\n"
                     "if [ -n \"$FAKE_MARKER\" ]; then touch \"$FAKE_MARKER\"; fi\n"
                     "for a in \"$@\"; do printf 'arg<%s>\\n' \"$a\"; done\n"
                     "exit \"${FAKE_STATUS:-0}\"\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return bin;
}

struct ScriptRun
{
    QStringList lines;
    int status = -1;
};

// Runs what the terminal would run, without a terminal: its "-e" command with no input, so the
// shell that keeps the window open ends at once.
ScriptRun runInsteadOfTerminal(const LaunchCommand &command, const QString &pathFirst = {},
                               int fakeStatus = 0, const QString &marker = {})
{
    if (command.arguments.value(0) != QLatin1String("-e"))
        qFatal("not a terminal command");
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!pathFirst.isEmpty())
        environment.insert(QStringLiteral("PATH"), pathFirst + QLatin1Char(':') +
                                                       environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("SHELL"), QStringLiteral("/bin/sh"));
    environment.insert(QStringLiteral("FAKE_STATUS"), QString::number(fakeStatus));
    environment.insert(QStringLiteral("FAKE_MARKER"), marker);
    shell.setProcessEnvironment(environment);
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.setWorkingDirectory(command.workingDirectory);
    shell.start(command.arguments.at(1), command.arguments.mid(2));
    shell.closeWriteChannel();
    if (!shell.waitForFinished(60000))
        qFatal("the terminal script did not end");
    ScriptRun run;
    run.lines = QString::fromLocal8Bit(shell.readAll()).split(QLatin1Char('\n'));
    if (run.lines.constLast().isEmpty())
        run.lines.removeLast();
    run.status = shell.exitCode();
    return run;
}

QStringList argumentLines(const QStringList &arguments)
{
    QStringList lines;
    for (const QString &argument : arguments)
        lines << QStringLiteral("arg<%1>").arg(argument);
    return lines;
}

} // namespace

void TestChipProgrammer::avrdudeGetsEachValueAsOneArgument_data()
{
    QTest::addColumn<QString>("programmer");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("USBasp, its own port")
        << "usbasp"
        << ""
        << "/home/me/CDI.hex"
        << QStringList{"-p", "m8", "-c", "usbasp", "-U", "flash:w:/home/me/CDI.hex:i"};
    QTest::newRow("Arduino as ISP, blanks and quotes")
        << "avrisp"
        << "/dev/ttyUSB0"
        << "/home/me/my fw/it's \"v2\".hex"
        << QStringList{"-p", "m8",           "-c", "avrisp",
                       "-P", "/dev/ttyUSB0", "-U", "flash:w:/home/me/my fw/it's \"v2\".hex:i"};
    QTest::newRow("no programmer is USBasp")
        << ""
        << "usb"
        << "/a:b/c.hex"
        << QStringList{"-p", "m8", "-c", "usbasp", "-P", "usb", "-U", "flash:w:/a:b/c.hex:i"};
}

void TestChipProgrammer::avrdudeGetsEachValueAsOneArgument()
{
    QFETCH(QString, programmer);
    QFETCH(QString, port);
    QFETCH(QString, hex);
    QFETCH(QStringList, expected);
    QCOMPARE(avrdudeArguments({programmer, port}, hex), expected);
}

void TestChipProgrammer::programmerListParsed()
{
    const QString output = QStringLiteral(
        "avrdude: warning at x\n"
        "  notyet    = before the list\n"
        "\n"
        "Valid programmers are:\n"
        "  2232hio            = 2232hio based on FT2232H with buffer and LEDs\n"
        "  usbasp             = USBasp, http://www.fischl.de/usbasp/ [/etc/avrdude.conf:1234]\r\n"
        "  odd = a = b   \n"
        "\n"
        "  after    = not an entry\n");
    QCOMPARE(parseProgrammerList(output),
             (QList<ProgrammerInfo>{{"2232hio", "2232hio based on FT2232H with buffer and LEDs"},
                                    {"usbasp", "USBasp, http://www.fischl.de/usbasp/"},
                                    {"odd", "a = b"}}));
    QCOMPARE(parseProgrammerList(QStringLiteral("avrdude: command not found\n")),
             QList<ProgrammerInfo>());
}

void TestChipProgrammer::realAvrdudeListsTheCommonProgrammers()
{
    QStringList ids;
    for (const ProgrammerInfo &entry : listProgrammers())
        ids << entry.id;
    for (const char *id : {"usbasp", "avrisp", "arduino", "usbtiny", "stk500v2"})
        QVERIFY2(ids.contains(QLatin1String(id)), id);
}

void TestChipProgrammer::hexBesideTheSource()
{
    QCOMPARE(hexPathFor(QStringLiteral("/home/me/fw dir/CDI.asm")),
             QStringLiteral("/home/me/fw dir/CDI.hex"));
    QCOMPARE(hexPathFor(QStringLiteral("/x/my.fw.v2.asm")), QStringLiteral("/x/my.fw.v2.hex"));
}

void TestChipProgrammer::hexStateFollowsTheTimes()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("CDI.asm"));
    const QString hex = dir.filePath(QStringLiteral("CDI.hex"));
    writeBytes(source, "x");
    QCOMPARE(hexState(source, hex), HexState::Missing);
    writeBytes(hex, ":00000001FF\n");
    QFile sourceFile(source), hexFile(hex);
    QVERIFY(sourceFile.open(QIODevice::ReadWrite) && hexFile.open(QIODevice::ReadWrite));
    const QDateTime saved = QDateTime::currentDateTime();
    QVERIFY(sourceFile.setFileTime(saved, QFileDevice::FileModificationTime));
    QVERIFY(hexFile.setFileTime(saved.addSecs(-5), QFileDevice::FileModificationTime));
    QCOMPARE(hexState(source, hex), HexState::OlderThanSource);
    QVERIFY(hexFile.setFileTime(saved.addSecs(5), QFileDevice::FileModificationTime));
    QCOMPARE(hexState(source, hex), HexState::Current);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.hex")));
    QCOMPARE(hexState(source, dir.filePath(QStringLiteral("folder.hex"))), HexState::Missing);
}

void TestChipProgrammer::choiceRemembered()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("settings.conf"));
    {
        QSettings settings(file, QSettings::IniFormat);
        QCOMPARE(loadProgrammerChoice(settings),
                 (ProgrammerChoice{QStringLiteral("usbasp"), QString()}));
        saveProgrammerChoice(settings, {QStringLiteral("avrisp"), QStringLiteral("/dev/ttyACM0")});
    }
    QSettings again(file, QSettings::IniFormat);
    QCOMPARE(loadProgrammerChoice(again),
             (ProgrammerChoice{QStringLiteral("avrisp"), QStringLiteral("/dev/ttyACM0")}));
}

void TestChipProgrammer::terminalPassesNamesWhole()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(kAwkwardFolder));
    const QString folder = dir.filePath(kAwkwardFolder);
    const QString hex = folder + QLatin1Char('/') + kAwkwardHex;
    writeBytes(hex, ":00000001FF\n");
    const ProgrammerChoice choice{QStringLiteral("avrisp"), QStringLiteral("/dev/tty USB'0")};
    const LaunchCommand command = flashCommand(folder + QStringLiteral("/it's \"v2\".asm"), hex,
                                               choice, false, flashTexts(1), onlyAvraAndXterm);
    QCOMPARE(command.program, QStringLiteral("xterm"));
    QCOMPARE(command.workingDirectory, folder);

    const ScriptRun run = runInsteadOfTerminal(command, fakeAvrdudeFolder(dir));
    QCOMPARE(run.status, 0);
    // The command line as the terminal shows it, then what avrdude got, then the end.
    QCOMPARE(run.lines.size(), 10);
    QCOMPARE(run.lines.mid(1), argumentLines({"-p", "m8", "-c", "avrisp", "-P", "/dev/tty USB'0",
                                              "-U", "flash:w:" + hex + ":i"}) +
                                   QStringList{flashTexts(1).flashEnded});
    QCOMPARE(run.lines.constLast(),
             QStringLiteral("avrdude ended with exit status 0; its write and verify report is "
                            "above."));
}

void TestChipProgrammer::terminalNamesAvrdudesFailure()
{
    QTemporaryDir dir;
    const QString hex = dir.filePath(QStringLiteral("CDI.hex"));
    writeBytes(hex, ":00000001FF\n");
    const LaunchCommand command = flashCommand(dir.filePath(QStringLiteral("CDI.asm")), hex, {},
                                               false, flashTexts(0), onlyAvraAndXterm);
    const ScriptRun run = runInsteadOfTerminal(command, fakeAvrdudeFolder(dir), 3);
    QCOMPARE(run.lines.constLast(),
             QStringLiteral(u"ОШИБКА ПРОШИВКИ МК. Код завершения avrdude: 3"));
    QVERIFY(!run.lines.join(QLatin1Char('\n')).contains(flashTexts(0).flashEnded));
}

void TestChipProgrammer::realAvrdudeWithoutAProgrammerFails_data()
{
    QTest::addColumn<QString>("programmer");
    QTest::addColumn<QString>("port");
    QTest::newRow("serial programmer on a port that does not exist")
        << "avrisp"
        << "/dev/cdi-test-no-such-port";
    QTest::newRow("USBasp not plugged in") << "usbasp"
                                           << "";
}

void TestChipProgrammer::realAvrdudeWithoutAProgrammerFails()
{
    QFETCH(QString, programmer);
    QFETCH(QString, port);
    QTemporaryDir dir;
    const QString hex = dir.filePath(QStringLiteral("CDI.hex"));
    writeBytes(hex, ":00000001FF\n");
    const LaunchCommand command = flashCommand(dir.filePath(QStringLiteral("CDI.asm")), hex,
                                               {programmer, port}, false, flashTexts(1));
    const ScriptRun run = runInsteadOfTerminal(command);
    const QString output = run.lines.join(QLatin1Char('\n'));
    QVERIFY2(output.contains(QStringLiteral("unable to open programmer ") + programmer),
             qPrintable(output));
    QCOMPARE(run.lines.constLast(), QStringLiteral("PROGRAMMING FAILED. avrdude's exit status: 1"));
    QVERIFY(!output.contains(flashTexts(1).flashEnded));
}

void TestChipProgrammer::compilesFirstWithTheRealAssembler()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(kAwkwardFolder));
    const QString folder = dir.filePath(kAwkwardFolder);
    const QString source = folder + QStringLiteral("/CDI v2.asm");
    writeBytes(source, sampleBytes());
    const QString hex = hexPathFor(source);
    const QString marker = dir.filePath(QStringLiteral("avrdude-ran"));
    const LaunchCommand command =
        flashCommand(source, hex, {}, true, flashTexts(1), onlyAvraAndXterm);
    const ScriptRun run = runInsteadOfTerminal(command, fakeAvrdudeFolder(dir), 0, marker);
    QVERIFY2(QFile::exists(hex), qPrintable(run.lines.join(QLatin1Char('\n'))));
    QVERIFY(QFile::exists(marker));
    QCOMPARE(run.lines.mid(run.lines.size() - 7),
             argumentLines({"-p", "m8", "-c", "usbasp", "-U", "flash:w:" + hex + ":i"}) +
                 QStringList{flashTexts(1).flashEnded});
}

void TestChipProgrammer::failedAssemblyProgramsNothing()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("CDI.asm"));
    writeBytes(source, ".include \"m8def.inc\"\n ldi r16, no_such_symbol\n");
    const QString marker = dir.filePath(QStringLiteral("avrdude-ran"));
    const LaunchCommand command =
        flashCommand(source, hexPathFor(source), {}, true, flashTexts(1), onlyAvraAndXterm);
    const ScriptRun run = runInsteadOfTerminal(command, fakeAvrdudeFolder(dir), 0, marker);
    QCOMPARE(run.lines.constLast(),
             QStringLiteral("ASSEMBLER FAILED, the chip was not touched. Exit status: 1"));
    QVERIFY(!QFile::exists(marker));
}

namespace {

struct CommandRun
{
    int status;
    QString err;
};

CommandRun runFlash(const QStringList &arguments, QSettings &settings, unsigned char language)
{
    QString err;
    QTextStream stream(&err);
    const int status = runFlashCommand(arguments, settings, stream, language);
    return {status, err};
}

} // namespace

void TestChipProgrammer::commandLineRefusesBadInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("message");
    const QString usage =
        QStringLiteral("Usage: cdi-tables flash FILE.hex [-c PROGRAMMER] [-P PORT] [--source "
                       "FILE.asm] [--force]\n");
    QTest::newRow("no file") << QStringList() << 1 << usage;
    QTest::newRow("two files") << QStringList{"a.hex", "b.hex"} << 1 << usage;
    QTest::newRow("-c without a value") << QStringList{"a.hex", "-c"} << 1 << usage;
    QTest::newRow("unknown option") << QStringList{"a.hex", "--forced"} << 1 << usage;
    QTest::newRow("Russian usage")
        << QStringList{"-P", " "} << 0
        << QStringLiteral(
               u"Использование: cdi-tables flash FILE.hex [-c ПРОГРАММАТОР] [-P ПОРТ] [--source "
               u"FILE.asm] [--force]\n");
    QTest::newRow("the source instead of the HEX")
        << QStringList{"@DIR@/CDI.asm"} << 1
        << QStringLiteral("The file @DIR@/CDI.asm is not Intel HEX; the chip was not touched.\n");
    QTest::newRow("missing file") << QStringList{"@DIR@/none.hex"} << 0
                                  << QStringLiteral(u"Ошибка доступа к файлу @DIR@/none.hex\n");
}

void TestChipProgrammer::commandLineRefusesBadInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, language);
    QFETCH(QString, message);
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("CDI.asm")), sampleBytes());
    arguments.replaceInStrings(QStringLiteral("@DIR@"), dir.path());
    QSettings settings(dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
    const CommandRun run = runFlash(arguments, settings, language);
    QCOMPARE(run.err, message.replace(QStringLiteral("@DIR@"), dir.path()));
    QCOMPARE(run.status, 2);
}

void TestChipProgrammer::commandLineTakesRememberedChoiceAndOptions()
{
    QTemporaryDir dir;
    const QString hex = dir.filePath(QStringLiteral("my fw.hex"));
    writeBytes(hex, "\n:00000001FF\n");
    const QString recorded = dir.filePath(QStringLiteral("arguments"));
    const QString bin = dir.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    writeBytes(bin + QStringLiteral("/avrdude"),
               "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$FAKE_ARGUMENTS\"\nexit \"$FAKE_STATUS\"\n");
    QFile::setPermissions(bin + QStringLiteral("/avrdude"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
    qputenv("PATH", bin.toLocal8Bit() + ':' + path);
    qputenv("FAKE_ARGUMENTS", recorded.toLocal8Bit());

    QSettings settings(dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
    saveProgrammerChoice(settings, {QStringLiteral("avrisp"), QStringLiteral("/dev/ttyUSB1")});
    const auto recordedArguments = [&] {
        QFile file(recorded);
        return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll())
                                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                              : QStringList();
    };

    // The last run writes and reads back: the choice, then the two operations.
    qputenv("FAKE_STATUS", "0");
    CommandRun run = runFlash({hex}, settings, 1);
    QCOMPARE(recordedArguments().mid(0, 8),
             QStringList({"-p", "m8", "-c", "avrisp", "-P", "/dev/ttyUSB1", "-U",
                          "flash:w:" + hex + ":i"}));
    QCOMPARE(run.err.section(QLatin1Char('\n'), -2),
             QStringLiteral("avrdude wrote and verified my fw.hex.\n"));
    QCOMPARE(run.status, 0);

    // The first run, the copy, fails: nothing more runs.
    qputenv("FAKE_STATUS", "1");
    run = runFlash({"-P", "/dev/ttyACM0", hex, "--programmer", "stk500v2"}, settings, 0);
    QCOMPARE(recordedArguments().mid(0, 7),
             QStringList({"-p", "m8", "-c", "stk500v2", "-P", "/dev/ttyACM0", "-U"}));
    QVERIFY(recordedArguments().at(7).startsWith(QStringLiteral("flash:r:") + dir.path()));
    QVERIFY(run.err.endsWith(QStringLiteral(u"Копию МК сделать не удалось; МК не прошивался. "
                                            u"--force прошьёт без копии.\n")));
    QCOMPARE(run.status, 1);
}

void TestChipProgrammer::commandLineReportsRealAvrdudesFailure()
{
    QTemporaryDir dir;
    const QString hex = dir.filePath(QStringLiteral("CDI.hex"));
    writeBytes(hex, ":00000001FF\n");
    QSettings settings(dir.filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
    const CommandRun run =
        runFlash({hex, "-c", "avrisp", "-P", "/dev/cdi-test-no-such-port"}, settings, 1);
    QVERIFY2(run.err.endsWith(QStringLiteral("No copy of the chip could be made; the chip was not "
                                             "touched. --force programs it without a copy.\n")),
             qPrintable(run.err));
    QCOMPARE(run.status, 1);
    // With --force it goes on to the write, which fails the same way: our message with the
    // status last.
    const CommandRun forced =
        runFlash({hex, "-c", "avrisp", "-P", "/dev/cdi-test-no-such-port", "--force"}, settings, 1);
    QVERIFY(forced.err.endsWith(QStringLiteral("PROGRAMMING FAILED. avrdude's exit status: 1\n")));
    QCOMPARE(forced.status, 1);
}

QTEST_GUILESS_MAIN(TestChipProgrammer)
#include "tst_chipprogrammer.moc"
