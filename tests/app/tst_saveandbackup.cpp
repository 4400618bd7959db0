// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Save and backup through the window and cdi-tables: what a save refuses to write over, and what
// the next load says after a save that was killed half-way.
#include "apptestsupport.h"
#include "format/filesave.h"
#include "format/savejournal.h"

#include <QComboBox>
#include <QProcess>
#include <QTest>

#include <csignal>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Run
{
    int status = -1;
    QString err;
};

Run cdiTables(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CDI_TABLES), arguments);
    if (!process.waitForFinished(20000))
        qFatal("cdi-tables did not finish");
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

mode_t typeOf(const QString &path)
{
    struct stat status
    {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

// A save of bytes to path, which has a second name and so is written in place, killed in a
// child process when half of the bytes are written.
bool killedWhileOverwriting(const QString &path, const QByteArray &bytes)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            writeSourceFile(path, bytes, [](QIODevice &device, const QByteArray &all) {
                device.write(all.left(all.size() / 2));
                ::raise(SIGKILL);
                return qint64(-1);
            });
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) &&
           WTERMSIG(status) == SIGKILL;
}

QString csvOf(TForm1 &form)
{
    const QStringList rpms = columnTexts(form, GridModel::kRpmColumn);
    QStringList angles = columnTexts(form, GridModel::kAngleColumn);
    angles[1] = QStringLiteral("12.3");
    QString csv = QStringLiteral("rpm,angle\n");
    for (int row = 0; row < rpms.size(); ++row)
        csv += rpms[row] + QLatin1Char(',') + angles[row] + QLatin1Char('\n');
    return csv;
}

} // namespace

class TestSaveAndBackup : public QObject
{
    Q_OBJECT
    QTemporaryDir m_cache;

private slots:
    void initTestCase();
    void saveRefusesFifosAndDevices();
    void interruptedSaveIsToldAtTheNextLoad();
    void commandLineSaysSoAndWritesNothing();
};

void TestSaveAndBackup::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    // Backups that cannot go beside their file, and the records of saves, go to the user's cache
    // folder: here a private one.
    QVERIFY(m_cache.isValid());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
}

// "Save as…" onto a FIFO, and a save after the loaded file was replaced by a device, are
// refused before any question, with the load's words; both stay what they are.
void TestSaveAndBackup::saveRefusesFifosAndDevices()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    const QString fifo = dir.filePath(QStringLiteral("fifo.asm"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    w.platform.saveDialogAnswers = {fifo};
    w.form.saveAs();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Error,
                               QStringLiteral(u"Это не обычный файл, он не записан: ") + fifo}}));
    QCOMPARE(typeOf(fifo), mode_t(S_IFIFO));
    QCOMPARE(w.form.document().FirmwarePath, path);

    if (::geteuid() != 0)
        QSKIP("device nodes cannot be made here (needs root)");
    QVERIFY(QFile::remove(path));
    // The null device's numbers, in the test's own folder.
    QCOMPARE(::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    w.form.Button7Click();
    w.platform.answers = {true};
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>(
                 {{ShownBox::Error, QStringLiteral("Not a regular file, not written: ") + path}}));
    QCOMPARE(typeOf(path), mode_t(S_IFCHR));
}

// A save killed half-way through a file written in place: the next load says so and offers the
// copy of the old text; "Save as…" of that copy over the file finishes the matter.
void TestSaveAndBackup::interruptedSaveIsToldAtTheNextLoad()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    QCOMPARE(::link(QFile::encodeName(path).constData(),
                    QFile::encodeName(dir.filePath(QStringLiteral("b.asm"))).constData()),
             0);
    const QByteArray edited = replacedOnce(sampleBytes(), u"угол 20", u"угол 35");
    QVERIFY(killedWhileOverwriting(path, edited));
    QVERIFY(readFile(path) != sampleBytes());
    const QString backup = path + QLatin1Char('~');

    Window w;
    w.load(path); // answered "Open the file"
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Question,
                          QStringLiteral(u"Сохранение файла \"%1\" было прервано, файл может быть "
                                         u"испорчен. Его содержимое до этого сохранения — в "
                                         u"\"%2\".\nОткрыть эту копию вместо файла? "
                                         u"[Открыть копию|Открыть файл]")
                              .arg(path, backup)}}));
    QCOMPARE(w.form.document().FirmwarePath, path);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("35"));

    w.form.Button7Click();
    w.platform.answers = {true};
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>({{ShownBox::Question,
                               QStringLiteral("A save of file \"%1\" was interrupted; the file may "
                                              "be damaged. Its content from before that save is "
                                              "in \"%2\".\nOpen that copy instead of the file? "
                                              "[Open the copy|Open the file]")
                                   .arg(path, backup)}}));
    QCOMPARE(w.form.document().FirmwarePath, backup);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("20"));
    w.platform.saveDialogAnswers = {path};
    w.form.saveAs();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(readFile(path), sampleBytes());
    QCOMPARE(readFile(backup), sampleBytes());
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.document().FirmwarePath, path);
}

// cdi-tables says it on stderr and writes nothing over such a file until the copy is removed.
void TestSaveAndBackup::commandLineSaysSoAndWritesNothing()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    QCOMPARE(::link(QFile::encodeName(path).constData(),
                    QFile::encodeName(dir.filePath(QStringLiteral("b.asm"))).constData()),
             0);
    Window w;
    w.load(path);
    const QString csv = writeFile(dir, "table.csv", csvOf(w.form).toUtf8());
    const QByteArray edited =
        replacedOnce(sampleBytes(), u"FuozTable1:\r\nldi R16, 14", u"FuozTable1:\r\nldi R16, 15");
    QVERIFY(killedWhileOverwriting(path, edited));
    const QByteArray mixed = readFile(path);
    const QString backup = path + QLatin1Char('~');
    const QString russian = QStringLiteral(u"cdi-tables: Сохранение файла \"%1\" было прервано, "
                                           u"файл может быть испорчен. Его содержимое до этого "
                                           u"сохранения — в \"%2\".\n")
                                .arg(path, backup);
    const QString english = QStringLiteral("cdi-tables: A save of file \"%1\" was interrupted; the "
                                           "file may be damaged. Its content from before that "
                                           "save is in \"%2\".\n")
                                .arg(path, backup);

    const Run shown = cdiTables({QStringLiteral("show"), path});
    QCOMPARE(shown.err, russian);
    QCOMPARE(shown.status, 0);
    const Run refused =
        cdiTables({QStringLiteral("import"), path, csv, QStringLiteral("--table"),
                   QStringLiteral("1"), QStringLiteral("--lang"), QStringLiteral("en")});
    QCOMPARE(refused.err, english + QStringLiteral("cdi-tables: %1: nothing was written: check the "
                                                   "file first, then remove the copy.\n")
                                        .arg(path));
    QCOMPARE(refused.status, 1);
    QCOMPARE(readFile(path), mixed);

    QVERIFY(QFile::remove(backup));
    const Run imported = cdiTables(
        {QStringLiteral("import"), path, csv, QStringLiteral("--table"), QStringLiteral("1")});
    QCOMPARE(imported.err, QString());
    QCOMPARE(imported.status, 0);
    QVERIFY(readFile(path) != mixed);
}

QTEST_MAIN(TestSaveAndBackup)
#include "tst_saveandbackup.moc"
