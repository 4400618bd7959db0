// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Windows: the console "Компилировать" opens, run by the system's own cmd.exe (under Wine in
// the tests). avrasm2 is a batch file on the search path that writes down where it ran and the
// arguments it got.
#include "app/commandtexts.h"
#include "app/compileconsole.h"
#include "app/mainwindow.h"
#include "app/platform.h"
#include "app/unit1.h"

#include <QAction>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestWindowsConsole : public QObject
{
    Q_OBJECT
private slots:
    void assemblerGetsTheWholeNameInTheSourceFolder_data();
    void assemblerGetsTheWholeNameInTheSourceFolder();
    void nothingForNoFile();
    void missingToolsAreGreyedOutWithTheReason();
};

void TestWindowsConsole::assemblerGetsTheWholeNameInTheSourceFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << QStringLiteral("fw") << QStringLiteral("CDI.asm");
    QTest::newRow("blanks") << QStringLiteral("my firmware") << QStringLiteral("my cdi.asm");
    QTest::newRow("shell characters") << QStringLiteral("a&b") << QStringLiteral("x&y (2).asm");
    QTest::newRow("dash") << QStringLiteral("fw") << QStringLiteral("-cdi.asm");
}

void TestWindowsConsole::assemblerGetsTheWholeNameInTheSourceFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QTemporaryDir tools;
    QTemporaryDir sources;
    QVERIFY(tools.isValid() && sources.isValid());
    const QString record = QDir::toNativeSeparators(tools.filePath(QStringLiteral("record.txt")));
    QFile script(tools.filePath(QStringLiteral("avrasm2.bat")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(
        QStringLiteral("@echo \"%CD%\">\"%1\"\r\n@echo %*>>\"%1\"\r\n").arg(record).toUtf8());
    script.close();
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QDir::toNativeSeparators(tools.path()).toLocal8Bit() + ';' + oldPath);
    QVERIFY(QDir(sources.path()).mkpath(folder));
    const QString sourceFolder = QDir(sources.path()).filePath(folder);

    QtPlatform platform;
    const auto command = platform.assemblerConsole(QDir(sourceFolder).filePath(name), {});
    qputenv("PATH", oldPath);
    QVERIFY(command);
    QCOMPARE(command->program, QStringLiteral("cmd.exe"));
    QCOMPARE(command->arguments.mid(0, 2), QStringList({"/s", "/k"}));
    QCOMPARE(command->workingDirectory, QDir::toNativeSeparators(sourceFolder));

    // The same line with /c, so that the console ends when the assembler has.
    QProcess console;
    console.setProgram(QStringLiteral("cmd.exe"));
    QStringList arguments = command->arguments;
    arguments[1] = QStringLiteral("/c");
    console.setNativeArguments(arguments.join(QLatin1Char(' ')));
    console.setWorkingDirectory(command->workingDirectory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), QDir::toNativeSeparators(tools.path()) +
                                                   QLatin1Char(';') +
                                                   environment.value(QStringLiteral("PATH")));
    console.setProcessEnvironment(environment);
    console.start();
    QVERIFY(console.waitForFinished(60000));
    QFile written(record);
    QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(console.readAll()));
    const QStringList lines =
        QString::fromLocal8Bit(written.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const QString expectedName =
        name.startsWith(QLatin1Char('-')) ? QStringLiteral(".\\") + name : name;
    QCOMPARE(lines, QStringList({QLatin1Char('"') + QDir::toNativeSeparators(sourceFolder) +
                                     QLatin1Char('"'),
                                 QStringLiteral("-fI \"%1\"").arg(expectedName)}));
}

void TestWindowsConsole::nothingForNoFile()
{
    QtPlatform platform;
    QVERIFY(!platform.assemblerConsole(QString(), {}));
    QVERIFY(platform.hasConsole());
    QVERIFY(!platform.canProgramChip());
}

// The timing check (no libsimavr) and chip programming are in the menu, greyed out, and say why in
// the window's language.
void TestWindowsConsole::missingToolsAreGreyedOutWithTheReason()
{
    QtPlatform platform;
    MainWindow window(platform);
    const auto action = [&window](const QString &text) -> QAction * {
        for (QAction *candidate : window.findChildren<QAction *>()) {
            if (candidate->text() == text)
                return candidate;
        }
        return nullptr;
    };
    const struct
    {
        QString russian, english;
        UnavailableTexts why;
    } commands[] = {
        {QStringLiteral(u"Проверить на &модели МК"),
         QStringLiteral("Check timing on &simulated chip"), timingCheckUnavailable()},
        {QStringLiteral(u"&Прошить МК"), QStringLiteral("&Program chip"),
         chipProgrammingUnavailable()},
    };
    for (const auto &command : commands) {
        QAction *entry = action(command.russian);
        QVERIFY2(entry, qPrintable(command.english));
        QVERIFY(!entry->isEnabled());
        QCOMPARE(entry->toolTip(), command.why.russian);
        QCOMPARE(entry->statusTip(), command.why.russian);
    }
    window.form().Button7Click();
    for (const auto &command : commands) {
        QAction *entry = action(command.english);
        QVERIFY2(entry, qPrintable(command.english));
        QVERIFY(!entry->isEnabled());
        QCOMPARE(entry->toolTip(), command.why.english);
        QCOMPARE(entry->statusTip(), command.why.english);
    }
    QVERIFY(action(QStringLiteral("&Compile HEX file"))->isEnabled());
}

QTEST_MAIN(TestWindowsConsole)
#include "tst_windowsconsole.moc"
