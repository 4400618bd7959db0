// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// What the window does with files that are not what they seem, and what it says when a load, a
// save or the assembler cannot go on.
#include "app/editcommands.h"
#include "apptestsupport.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

class TestFileSafety : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void specialAndHugeFilesAreNotRead_data();
    void specialAndHugeFilesAreNotRead();
    void misreadOperandNamesTheLine();
    void saveAsksBeforeOverwritingAChangedFile();
    void saveAsksBeforeCreatingADeletedFile();
    void saveAfterALoadThatStoppedWritesNothing();
    void secondPulseOutOfRangeNamesTheRange();
    void writeErrorsInTheWindowsLanguage();
    void fullDiskSaysTheFileIsUnchanged();
    void compileExplainsWhatIsMissing();
    void compilePassesANameStartingWithADashAsAPath();
};

namespace {

const QString kMissingData = QStringLiteral(u"Не найден параметр, проверьте версию файла CDI.ASM");

QString changedQuestion(const QString &path)
{
    return QStringLiteral(u"После загрузки файл изменён на диске другой программой. Перезаписать "
                          u"его?\n%1 [Перезаписать|Отмена]")
        .arg(path);
}

} // namespace

void TestFileSafety::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestFileSafety::specialAndHugeFilesAreNotRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("russian");
    QTest::addColumn<QString>("english");
    QTest::newRow("fifo") << "fifo" << u"Это не обычный файл, он не прочитан: "_qs
                          << "Not a regular file, not read: ";
    QTest::newRow("device") << "device" << u"Это не обычный файл, он не прочитан: "_qs
                            << "Not a regular file, not read: ";
    QTest::newRow("64 MiB and one byte") << "huge" << u"Файл больше 64 МиБ, он не прочитан: "_qs
                                         << "The file is larger than 64 MiB, not read: ";
}

// A FIFO would block the window and a device fill the memory: they are refused unread.
void TestFileSafety::specialAndHugeFilesAreNotRead()
{
    QFETCH(QString, kind);
    QFETCH(QString, russian);
    QFETCH(QString, english);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("CDI.asm"));
    if (kind == QStringLiteral("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (kind == QStringLiteral("device")) {
        // A node of /dev/zero's kind, made in the private folder.
        QCOMPARE(::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(1, 5)), 0);
    } else {
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(64 * 1024 * 1024 + 1)); // sparse: takes no room
    }
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({{ShownBox::Error, russian + path}}));
    QCOMPARE(w.form.Memo1->toPlainText(), QString());
    QVERIFY(w.form.source().isEmpty());
    w.form.Button7Click();
    w.platform.answerDialog(path);
    w.form.Button1Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({{ShownBox::Error, english + path}}));
    // Compare with... reads through the same checks.
    QVERIFY(!w.form.commands().compareWith(path));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({{ShownBox::Error, english + path}}));
    QVERIFY(!w.form.commands().comparing());
}

// A value in a form the writer would not keep the same (hex) stops the load and names the line.
void TestFileSafety::misreadOperandNamesTheLine()
{
    QTemporaryDir dir;
    const QByteArray bytes = replacedOnce(sampleBytes(), u"cpi R21, 249\t", u"cpi R21,$F9\t");
    Window w;
    w.load(writeFile(dir, "CDI.asm", bytes));
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Warning,
                               kMissingData + QStringLiteral(u"\nСтрока 207: cpi R21,$F9\t;"
                                                             u"сравнение РОН с контстантой")}}));
    w.form.Button7Click();
    w.platform.answerDialog(dir.filePath("CDI.asm"));
    w.form.Button1Click();
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Warning,
                          QStringLiteral(u"Missing data, check CDI.ASM file version\nLine "
                                         u"207: cpi R21,$F9\t;сравнение РОН с контстантой")}}));
}

void TestFileSafety::saveAsksBeforeOverwritingAChangedFile()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());

    // Another program writes other bytes of the same size and puts the old time back: only the
    // bytes tell.
    struct stat before
    {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    const QByteArray theirs =
        replacedOnce(sampleBytes(), u"FuozTable1:\r\nldi R16, 14", u"FuozTable1:\r\nldi R16, 15");
    writeFile(path, theirs);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);

    w.form.Button5Click(); // the queue holds no answer: Cancel
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Question, changedQuestion(path)}}));
    QCOMPARE(readFile(path), theirs);

    w.platform.answers = {true};
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Question, changedQuestion(path)}}));
    QCOMPARE(readFile(path), sampleBytes());

    // What the save wrote is what the next save compares with: no question.
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(readFile(path), sampleBytes());
}

void TestFileSafety::saveAsksBeforeCreatingADeletedFile()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    QVERIFY(QFile::remove(path));
    w.form.Button7Click();
    w.form.Button5Click();
    const ShownBox question{ShownBox::Question,
                            QStringLiteral("Since it was loaded, the file has been deleted from "
                                           "disk. Create it again?\n%1 [Create|Cancel]")
                                .arg(path)};
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({question}));
    QVERIFY(!QFile::exists(path));
    w.platform.answers = {true};
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({question}));
    QCOMPARE(readFile(path), sampleBytes());
}

// A value the load cannot read stops it in the angle column. The save would write the grid's
// code there and so "repair" the line, and that text would read back fine: only the rule that a
// save needs a completed load keeps the file as it is.
void TestFileSafety::saveAfterALoadThatStoppedWritesNothing()
{
    QTemporaryDir dir;
    const QString good = writeFile(dir, "good.asm", sampleBytes());
    const QByteArray unreadable = replacedOnce(sampleBytes(), u"FuozTable1:\r\nldi R16, 14",
                                               u"FuozTable1:\r\nldi R16, LOW(14)");
    const QString path = writeFile(dir, "CDI.asm", unreadable);
    Window w;
    w.load(good);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({{ShownBox::Warning, kMissingData}}));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({{ShownBox::Warning, kMissingData}}));
    QCOMPARE(readFile(path), unreadable);
}

void TestFileSafety::secondPulseOutOfRangeNamesTheRange()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    w.form.ComboBox3->setEditText(QStringLiteral("200"));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Warning,
                               QStringLiteral(u"Второй импульс вне пределов: допустимо от 0 до "
                                              u"178,5°")}}));
    w.form.Button7Click();
    w.form.ComboBox3->setEditText(QStringLiteral("178.9"));
    w.form.Button5Click();
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Warning,
                          QStringLiteral(u"Second pulse out of range: allowed 0 to 178.5°")}}));
    QCOMPARE(readFile(path), sampleBytes());
    // 178.5 degrees is 255 steps: saved.
    w.form.ComboBox3->setEditText(QStringLiteral("178.5"));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QVERIFY(readFile(path).contains("ldi R23,255\t"));
}

void TestFileSafety::writeErrorsInTheWindowsLanguage()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Error,
                               QStringLiteral(u"Не удалось записать файл \"%1\", "
                                              u"файл остался прежним. %2")
                                   .arg(path, QString::fromLocal8Bit(std::strerror(EACCES)))}}));
    w.form.Button7Click();
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Error,
                               QStringLiteral("Cannot write file \"%1\"; the file is "
                                              "unchanged. %2")
                                   .arg(path, QString::fromLocal8Bit(std::strerror(EACCES)))}}));
    QCOMPARE(readFile(path), sampleBytes());
}

void TestFileSafety::fullDiskSaysTheFileIsUnchanged()
{
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=128k") != 0)
        QSKIP("a small tmpfs cannot be mounted here (needs root in a mount namespace)");
    const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    QFile filler(dir.filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, 'f')) == 4096) {
    }
    filler.close();
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Error,
                               QStringLiteral(u"Диск заполнен: файл \"%1\" не записан и остался "
                                              u"прежним.")
                                   .arg(path)}}));
    QCOMPARE(readFile(path), sampleBytes());
}

void TestFileSafety::compileExplainsWhatIsMissing()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    w.platform.missingPrograms = {QStringLiteral("x-terminal-emulator"), QStringLiteral("xterm")};
    w.form.Button6Click();
    QCOMPARE(w.platform.commandsStarted.size(), 0);
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Warning,
                          QStringLiteral(u"Не найдена программа терминала (x-terminal-emulator "
                                         u"или xterm), ассемблер не запущен. Установите, "
                                         u"например, пакет xterm.")}}));
    w.platform.missingPrograms = {QStringLiteral("x-terminal-emulator")};
    w.platform.startSucceeds = false;
    w.form.Button7Click();
    w.form.Button6Click();
    QCOMPARE(w.platform.commandsStarted.size(), 1);
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Warning, QStringLiteral("Could not start xterm")}}));
}

void TestFileSafety::compilePassesANameStartingWithADashAsAPath()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "-fI.asm", sampleBytes());
    Window w;
    w.load(path);
    w.form.Button6Click();
    QCOMPARE(w.platform.commandsStarted.size(), 1);
    const QStringList arguments = w.platform.commandsStarted.first().arguments;
    QCOMPARE(arguments.last(), QStringLiteral("./-fI.asm"));
    QVERIFY(!arguments.contains(QStringLiteral("-fI.asm")));
}

QTEST_MAIN(TestFileSafety)
#include "tst_filesafety.moc"
