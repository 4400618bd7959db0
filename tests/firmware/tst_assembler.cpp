// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/assembler.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

ExecutableLookup installed(const QStringList &programs)
{
    return [programs](const QString &name) { return programs.contains(name); };
}

const QString kShellCharacters = QStringLiteral("a'b\"c;$(touch pwned) $HOME `id` & | * <x>.asm");

} // namespace

class AssemblerTest : public QObject
{
    Q_OBJECT

private slots:
    void nothingWithoutLoadedFile()
    {
        QCOMPARE(assemblerCommand(QString(), installed({"avrasm2", "xterm"})).has_value(), false);
    }

    void programAndAssemblerFollowWhatIsInstalled_data()
    {
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<QString>("terminal");
        QTest::addColumn<QStringList>("assembler");
        const QStringList avrasm2 = {"avrasm2", "-fI", "CDI.asm"};
        QTest::newRow("desktop terminal, avrasm2")
            << QStringList{"x-terminal-emulator", "xterm", "avrasm2", "avra"}
            << "x-terminal-emulator" << avrasm2;
        QTest::newRow("xterm, avra only")
            << QStringList{"xterm", "avra"} << "xterm" << QStringList{"avra", "CDI.asm"};
        QTest::newRow("no assembler at all") << QStringList{} << "xterm" << avrasm2;
    }
    void programAndAssemblerFollowWhatIsInstalled()
    {
        QFETCH(QStringList, programs);
        QFETCH(QString, terminal);
        QFETCH(QStringList, assembler);
        const auto command =
            assemblerCommand(QStringLiteral("/home/user/fw/CDI.asm"), installed(programs));
        QVERIFY(command);
        QCOMPARE(command->program, terminal);
        QCOMPARE(command->workingDirectory, QStringLiteral("/home/user/fw"));
        QCOMPARE(command->arguments.mid(0, 3), (QStringList{"-e", "sh", "-c"}));
        QCOMPARE(command->arguments.mid(4), (QStringList{"sh", "/home/user/fw"} + assembler));
    }

    void fileNameIsOneArgument_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "/home/user/fw/CDI.asm"
                               << "/home/user/fw"
                               << "CDI.asm";
        QTest::newRow("spaces") << "/home/user/my fw/C D I.asm"
                                << "/home/user/my fw"
                                << "C D I.asm";
        QTest::newRow("shell characters")
            << "/home/user/$x;y/" + kShellCharacters << "/home/user/$x;y" << kShellCharacters;
        QTest::newRow("root folder") << "/CDI.asm"
                                     << "/"
                                     << "CDI.asm";
    }
    void fileNameIsOneArgument()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        const auto command = assemblerCommand(path, installed({"avrasm2"}));
        QVERIFY(command);
        QCOMPARE(command->workingDirectory, folder);
        QCOMPARE(command->arguments.mid(4), (QStringList{"sh", folder, "avrasm2", "-fI", name}));
    }

    // The terminal's command run by sh itself: it changes to the folder, shows the command line,
    // and the assembler gets the name as one argument, nothing of it run as shell text.
    void scriptRunsAssemblerInFolderOfFile_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "fw"
                               << "CDI.asm";
        QTest::newRow("spaces") << "my fw"
                                << "C D I.asm";
        QTest::newRow("shell characters") << "$x; `id`" << kShellCharacters;
    }
    void scriptRunsAssemblerInFolderOfFile()
    {
        QFETCH(QString, folderName);
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(dir.path()).mkpath(folderName));
        const QString fakeAssembler = dir.filePath(QStringLiteral("bin/avrasm2"));
        {
            QFile script(fakeAssembler);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\nprintf 'in %s\\n' \"$(pwd)\"\n"
                         "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n");
        }
        QVERIFY(QFile::setPermissions(fakeAssembler,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString folder = dir.filePath(folderName);
        const auto command =
            assemblerCommand(folder + QLatin1Char('/') + name, installed({"avrasm2"}));
        QVERIFY(command);
        QCOMPARE(command->arguments.at(1), QStringLiteral("sh"));

        QProcess shell;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"),
                           dir.filePath(QStringLiteral("bin")) + QStringLiteral(":/usr/bin:/bin"));
        environment.insert(QStringLiteral("SHELL"), QStringLiteral("/bin/true"));
        shell.setProcessEnvironment(environment);
        shell.setWorkingDirectory(dir.path());
        shell.start(QStringLiteral("sh"), command->arguments.mid(2));
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(shell.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(shell.readAllStandardError()), QString());
        const QString expected =
            QStringLiteral("avrasm2 -fI %1\nin %2\n[-fI]\n[%1]\n").arg(name, folder);
        QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()), expected);
        QDirIterator files(dir.path(), {"pwned"}, QDir::Files, QDirIterator::Subdirectories);
        QVERIFY(!files.hasNext());
    }
};

QTEST_GUILESS_MAIN(AssemblerTest)
#include "tst_assembler.moc"
