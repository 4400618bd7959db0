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

// The sample cut after the store line of its last table entry, the last line a save rewrites.
QByteArray sampleEndingAtTheLastEntry()
{
    const QByteArray bytes = sampleBytes();
    qsizetype at = bytes.indexOf("FuozTable3:");
    for (int entry = 0; entry < 32; ++entry)
        at = bytes.indexOf("st X+, R16", at + 1);
    return bytes.left(bytes.indexOf("\r\n", at) + 2);
}

QByteArray inForm(QByteArray bytes, bool lf, bool lastBreak)
{
    if (lf)
        bytes.replace("\r\n", "\n");
    return lastBreak ? bytes : bytes.chopped(lf ? 1 : 2);
}

// The first table entry, value and store line, as a save at that comment angle writes it.
QByteArray firstEntry(const char *angle)
{
    return QByteArrayLiteral("FuozTable1:\r\nldi R16, 14\t;") + toCp1251(u"множитель") +
           QByteArrayLiteral("\r\nst X+, R16\t;") + toCp1251(u"в ОЗУ, ") + angle + toCp1251(u"°");
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
    void savedLinesKeepTheFilesBreaks_data();
    void savedLinesKeepTheFilesBreaks();
    void eachSaveWritesItsOwnSensorAngle();
    void saveThatWouldLoadBackOtherwiseIsRefused();
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

void TestSaveAndBackup::savedLinesKeepTheFilesBreaks_data()
{
    QTest::addColumn<QByteArray>("crlf"); // the file in CR LF form, with a last break
    QTest::addColumn<bool>("lf");
    QTest::addColumn<bool>("lastBreak");
    QTest::newRow("lf") << sampleBytes() << true << true;
    QTest::newRow("rewritten last line, no break")
        << sampleEndingAtTheLastEntry() << false << false;
    QTest::newRow("lf, rewritten last line, no break")
        << sampleEndingAtTheLastEntry() << true << false;
}

// A save that changes lines gives each the file's own break, and a last line without one none:
// the file is the CR LF save in the file's form.
void TestSaveAndBackup::savedLinesKeepTheFilesBreaks()
{
    QFETCH(QByteArray, crlf);
    QFETCH(bool, lf);
    QFETCH(bool, lastBreak);
    QTemporaryDir dir;
    const QString reference = writeFile(dir, "reference.asm", crlf);
    const QString path = writeFile(dir, "CDI.asm", inForm(crlf, lf, lastBreak));
    for (const QString &file : {reference, path}) {
        Window w;
        w.load(file);
        w.form.ComboBox1->setEditText(QStringLiteral("25"));
        w.form.Button5Click();
        QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    }
    const QByteArray saved = readFile(reference);
    QVERIFY(saved.contains(firstEntry("15.2")));
    const auto lastLine = [](const QByteArray &bytes) {
        return bytes.sliced(bytes.lastIndexOf('\n', bytes.size() - 2));
    };
    QCOMPARE(lastLine(saved) != lastLine(crlf), !lastBreak);
    QCOMPARE(readFile(path), inForm(saved, lf, lastBreak));
}

// Saves one after another at other sensor angles each write the comments of their own angle.
void TestSaveAndBackup::eachSaveWritesItsOwnSensorAngle()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    w.form.ComboBox1->setEditText(QStringLiteral("25"));
    w.form.Button5Click();
    QVERIFY(readFile(path).contains(firstEntry("15.2")));
    w.form.ComboBox1->setEditText(QStringLiteral("30"));
    w.form.Button5Click();
    QVERIFY(readFile(path).contains(firstEntry("20.2")));
    w.form.ComboBox1->setEditText(QStringLiteral("20"));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(readFile(path), sampleBytes());
}

// A comment right after the include line that names another sensor angle is read last by the
// load: a save at another angle would load back with the comment's, so it is refused and the
// file stays; at the comment's own angle it goes through.
void TestSaveAndBackup::saveThatWouldLoadBackOtherwiseIsRefused()
{
    QTemporaryDir dir;
    const QByteArray bytes =
        replacedOnce(sampleBytes(), u"; SPDX-License-Identifier: GPL-3.0-or-later",
                     u"; угол 30 был при прошлой настройке,сверить");
    const QString path = writeFile(dir, "CDI.asm", bytes);
    Window w;
    w.load(path);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("30"));
    w.form.ComboBox1->setEditText(QStringLiteral("25"));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(),
             QList<ShownBox>(
                 {{ShownBox::Warning, QStringLiteral(u"Не найден параметр, проверьте версию файла "
                                                     u"CDI.ASM")}}));
    QCOMPARE(readFile(path), bytes);
    w.form.ComboBox1->setEditText(QStringLiteral("30"));
    w.form.Button5Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QVERIFY(readFile(path).startsWith(
        toCp1251(u".include \"m8def.inc\"\t;AT8-16, кварц4МГц, угол 30\r\n; угол 30")));
}

QTEST_MAIN(TestSaveAndBackup)
#include "tst_saveandbackup.moc"
