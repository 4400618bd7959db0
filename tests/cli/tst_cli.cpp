// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "apptestsupport.h"

#include <QComboBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <QScopeGuard>

#include <fcntl.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

void startCdiTables(QProcess &process, const QStringList &arguments, const QByteArray &lang)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QString::fromLatin1(lang));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CDI_TABLES), arguments);
}

Run cdiTables(const QStringList &arguments, const QByteArray &lang = "C.UTF-8")
{
    QProcess process;
    startCdiTables(process, arguments, lang);
    if (!process.waitForFinished(20000))
        qFatal("cdi-tables did not finish");
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList csvColumn(const QString &csv, int column)
{
    QStringList values;
    const QStringList lines = csv.trimmed().split(QLatin1Char('\n'));
    for (qsizetype i = 1; i < lines.size(); ++i)
        values << lines[i].split(QLatin1Char(','))[column];
    return values;
}

// The lines of `show --format csv` of the file, with `cells` replaced: {line, column, text}.
QString editedCsv(const QString &asmPath, const QList<std::tuple<int, int, QString>> &cells)
{
    QStringList lines = cdiTables({QStringLiteral("show"), asmPath, QStringLiteral("--format"),
                                   QStringLiteral("csv")})
                            .out.split(QLatin1Char('\n'));
    for (const auto &[line, column, text] : cells) {
        QStringList fields = lines[line].split(QLatin1Char(','));
        fields[column] = text;
        lines[line] = fields.join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void showPrintsWhatTheWindowShows();
    void jsonOfTheSample();
    void importOfTheShownCsvKeepsTheFile();
    void importOfOneTableSavesAsTheWindowDoes();
    void importKeepsAChangeMadeWhileItRan();
    void importTakesEditedCodes();
    void importThatWouldNotReadBackWritesNothing();
    void badCsvLineIsRefused_data();
    void badCsvLineIsRefused();
    void unorderedBreakpointsNeedTheOption();
    void diffNamesTheChangedCell();
    void usageAndFileErrors();
    void repeatedOptionIsRefused_data();
    void repeatedOptionIsRefused();
    void flashReportsAvrdudesFailure();

private:
    QTemporaryDir m_dir;
};

void TestCli::showPrintsWhatTheWindowShows()
{
    const Run shown =
        cdiTables({QStringLiteral("show"), QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"),
                   QStringLiteral("--format"), QStringLiteral("csv")});
    QCOMPARE(shown.status, 0);
    QCOMPARE(shown.err, QString());
    QVERIFY(shown.out.startsWith(QLatin1String("rpm,code1,code2,code3,angle1,angle2,angle3\n")));

    Window window;
    window.load(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
    QCOMPARE(csvColumn(shown.out, 0), columnTexts(window.form, 0));
    for (int table = 1; table <= 3; ++table) {
        QCOMPARE(csvColumn(shown.out, table), columnTexts(window.form, table));
        window.form.ComboBox2->setEditText(QString::number(table));
        QCOMPARE(csvColumn(shown.out, 3 + table), columnTexts(window.form, 4));
    }
    // The text format carries the same rows under the window's headers.
    const Run text =
        cdiTables({QStringLiteral("show"), QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm")});
    QCOMPARE(text.status, 0);
    QVERIFY(text.out.startsWith(QStringLiteral(u"Угол датчика: 20\nВторой импульс: auto\n"
                                               u"Выход \"искра\": PortC,0\n"
                                               u"Подстроечный резистор: нет\n\n")));
    QVERIFY(text.out.contains(QStringLiteral(u"  об/мин   таб.1   таб.2   таб.3    УОЗ1    УОЗ2"
                                             u"    УОЗ3\n     460      14      17      21    10.2"
                                             u"     8.1     5.3\n")));
}

void TestCli::jsonOfTheSample()
{
    const Run shown =
        cdiTables({QStringLiteral("show"), QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"),
                   QStringLiteral("--format=json")});
    QCOMPARE(shown.status, 0);
    QVERIFY2(shown.out.startsWith(QLatin1String(
                 "{\"sensor_angle\":20,\"second_pulse\":\"auto\",\"spark_output\":\"PortC,0\","
                 "\"trimmer\":false,\"rows\":[{\"rpm\":460,\"codes\":[14,17,21],"
                 "\"angles\":[10.2,8.1,5.3]},{\"rpm\":500,")),
             qPrintable(shown.out.left(200)));
    // Code 180 has no angle.
    QVERIFY(shown.out.endsWith(
        QLatin1String("{\"rpm\":19530,\"codes\":[246,252,180],\"angles\":[26.3,22.1,null]}]}\n")));
}

void TestCli::importOfTheShownCsvKeepsTheFile()
{
    const QString asmPath = writeFile(m_dir, QStringLiteral("same.asm"), sampleBytes());
    const Run shown = cdiTables(
        {QStringLiteral("show"), asmPath, QStringLiteral("--format"), QStringLiteral("csv")});
    const QString csvPath = writeFile(m_dir, QStringLiteral("same.csv"), shown.out.toUtf8());
    // An old time, so that any write would show in it.
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1'000'000'000);
    {
        QFile file(asmPath);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    struct stat before
    {};
    QCOMPARE(::stat(QFile::encodeName(asmPath).constData(), &before), 0);
    const Run imported = cdiTables({QStringLiteral("import"), asmPath, csvPath});
    QCOMPARE(imported.err, QString());
    QCOMPARE(imported.out, asmPath + QStringLiteral(u": изменений нет, файл не тронут\n"));
    QCOMPARE(imported.status, 0);
    QCOMPARE(readFile(asmPath), sampleBytes());
    struct stat after
    {};
    QCOMPARE(::stat(QFile::encodeName(asmPath).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(QFileInfo(asmPath).lastModified(), old);
}

// In the full CSV a code column is read too: an empty angle leaves the code to it, a given angle
// decides, and a code it overrules is named. The same CSV imported again changes nothing.
void TestCli::importTakesEditedCodes()
{
    const QString asmPath = writeFile(m_dir, QStringLiteral("codes.asm"), sampleBytes());
    const QString before = cdiTables({QStringLiteral("show"), asmPath, QStringLiteral("--format"),
                                      QStringLiteral("csv")})
                               .out;
    const QStringList beforeLines = before.split(QLatin1Char('\n'));
    QCOMPARE(beforeLines[3], QStringLiteral("600,14,16,18,10.2,8.8,7.4"));
    QCOMPARE(beforeLines[4], QStringLiteral("800,11,14,14,12.3,10.2,10.2"));
    QCOMPARE(beforeLines[5], QStringLiteral("1000,7,11,10,15.1,12.3,13"));
    const QString csv = editedCsv(asmPath, {
                                               {3, 1, "33"}, // the code, its angle emptied
                                               {3, 4, ""},
                                               {3, 3, ""}, // neither code nor angle: kept
                                               {3, 6, ""},
                                               {4, 2, "40"}, // the code alone
                                               {4, 5, ""},
                                               {4, 6, "12.3"}, // the angle edited, the code not
                                               {5, 1, "9"},    // both edited: the angle decides
                                               {5, 4, "19.3"},
                                               {5, 6, ""}, // the angle emptied: the code kept
                                           });
    const QString csvPath = writeFile(m_dir, QStringLiteral("codes.csv"), csv.toUtf8());
    const Run imported =
        cdiTables({QStringLiteral("import"), asmPath, csvPath, QStringLiteral("--lang=en")});
    QCOMPARE(imported.err, QStringLiteral("cdi-tables: ") + csvPath +
                               QStringLiteral(": Line 6: table 1: the code 9 was not taken, the "
                                              "angle 19.3 (code 1) decides\n"));
    QCOMPARE(imported.out, asmPath + QStringLiteral(": saved; 4 table codes and 0 RPM points "
                                                    "changed\n"));
    QCOMPARE(imported.status, 0);
    QStringList expected = beforeLines;
    expected[3] = QStringLiteral("600,33,16,18,-3.1,8.8,7.4");
    expected[4] = QStringLiteral("800,11,40,11,12.3,-8,12.3");
    expected[5] = QStringLiteral("1000,1,11,10,19.3,12.3,13");
    QCOMPARE(cdiTables({QStringLiteral("show"), asmPath, QStringLiteral("--format"),
                        QStringLiteral("csv")})
                 .out,
             expected.join(QLatin1Char('\n')));
    const Run again =
        cdiTables({QStringLiteral("import"), asmPath, csvPath, QStringLiteral("--lang=en")});
    QCOMPARE(again.out,
             asmPath + QStringLiteral(": nothing to change, the file is left as it was\n"));
    QCOMPARE(again.status, 0);
}

// A source whose saved text would load with other values: here a second sensor-angle note
// that the written first line, shorter than the file's, brings within the load's reach.
void TestCli::importThatWouldNotReadBackWritesNothing()
{
    QByteArray bytes = sampleBytes();
    const qsizetype firstEnd = bytes.indexOf("\r\n");
    bytes.insert(firstEnd, " and a longer note\r\n;\xF3\xE3\xEE\xEB 30");
    const QString asmPath = writeFile(m_dir, QStringLiteral("readback.asm"), bytes);
    const QString csv = editedCsv(asmPath, {{2, 4, "12.3"}});
    const QString csvPath = writeFile(m_dir, QStringLiteral("readback.csv"), csv.toUtf8());
    const Run imported =
        cdiTables({QStringLiteral("import"), asmPath, csvPath}, QByteArrayLiteral("en_GB.UTF-8"));
    QCOMPARE(imported.err, QStringLiteral("cdi-tables: ") + asmPath +
                               QStringLiteral(": Missing data, check CDI.ASM file version\n"));
    QCOMPARE(imported.status, 1);
    QCOMPARE(readFile(asmPath), bytes);
}

// Another program changes the source while the import reads its CSV: the import writes nothing
// over that change. The CSV's opening is held with a fanotify permission event (root only), so
// the change falls between the import's read of the source and its write.
void TestCli::importKeepsAChangeMadeWhileItRan()
{
    const QString asmPath = writeFile(m_dir, QStringLiteral("raced.asm"), sampleBytes());
    QStringList lines = cdiTables({QStringLiteral("show"), asmPath, QStringLiteral("--format"),
                                   QStringLiteral("csv")})
                            .out.split(QLatin1Char('\n'));
    QStringList row2 = lines[2].split(QLatin1Char(','));
    row2[4] = QStringLiteral("12.3"); // table 1 at 500 rpm: 10.2 before, so the import writes
    lines[2] = row2.join(QLatin1Char(','));
    const QString csvPath =
        writeFile(m_dir, QStringLiteral("raced.csv"), lines.join(QLatin1Char('\n')).toUtf8());

    const int watch = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY);
    if (watch < 0)
        QSKIP("fanotify permission events are not available here");
    // Closing the group lets a held open go on, also when a check below fails.
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });
    QCOMPARE(fanotify_mark(watch, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD,
                           QFile::encodeName(csvPath).constData()),
             0);

    QProcess process;
    startCdiTables(process,
                   {QStringLiteral("import"), asmPath, csvPath, QStringLiteral("--lang"),
                    QStringLiteral("en")},
                   "C.UTF-8");
    pollfd ready{watch, POLLIN, 0};
    QCOMPARE(::poll(&ready, 1, 20000), 1);
    alignas(fanotify_event_metadata) char buffer[4096];
    const ssize_t length = ::read(watch, buffer, sizeof buffer);
    const auto *event = reinterpret_cast<const fanotify_event_metadata *>(buffer);
    QVERIFY(FAN_EVENT_OK(event, length));
    QVERIFY(event->mask & FAN_OPEN_PERM);
    const QByteArray theirs = sampleBytes() + "; tuned elsewhere\r\n";
    writeFile(asmPath, theirs);
    const fanotify_response allow{event->fd, FAN_ALLOW};
    QCOMPARE(::write(watch, &allow, sizeof allow), ssize_t(sizeof allow));
    ::close(event->fd);
    QVERIFY(process.waitForFinished(20000));

    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QStringLiteral("cdi-tables: ") + asmPath +
                 QStringLiteral(": the file changed on disk after it was read; nothing was "
                                "written\n"));
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(readFile(asmPath), theirs);
}

void TestCli::importOfOneTableSavesAsTheWindowDoes()
{
    const QString byTool = writeFile(m_dir, QStringLiteral("tool.asm"), sampleBytes());
    const QString byWindow = writeFile(m_dir, QStringLiteral("window.asm"), sampleBytes());

    Window window;
    window.load(byWindow);
    window.form.ComboBox2->setEditText(QStringLiteral("2"));
    QStringList rpms = columnTexts(window.form, 0);
    QStringList angles = columnTexts(window.form, 4);
    rpms[7] = QStringLiteral("1900");
    angles[4] = QStringLiteral("-");
    angles[5] = QStringLiteral("31.4");
    angles[31] = QStringLiteral("-105.6");
    QString csv = QStringLiteral("rpm,angle\n");
    for (int row = 1; row <= 32; ++row) {
        window.form.grid().setCell(0, row, rpms[row - 1]);
        window.form.grid().setCell(4, row, angles[row - 1]);
        csv += rpms[row - 1] + QLatin1Char(',') + angles[row - 1] + QLatin1Char('\n');
    }
    window.form.Button5Click();
    QVERIFY(window.platform.takeBoxes().isEmpty());

    const QString csvPath = writeFile(m_dir, QStringLiteral("table2.csv"), csv.toUtf8());
    const Run imported = cdiTables({QStringLiteral("import"), byTool, csvPath,
                                    QStringLiteral("--table"), QStringLiteral("2")});
    QCOMPARE(imported.err, QString());
    QCOMPARE(imported.status, 0);
    QVERIFY(readFile(byTool) != sampleBytes());
    QCOMPARE(readFile(byTool), readFile(byWindow));
}

// Breakpoints that leave a row unused are refused with the rows named, unless asked for.
void TestCli::unorderedBreakpointsNeedTheOption()
{
    const QString asmPath = writeFile(m_dir, QStringLiteral("unordered.asm"), sampleBytes());
    const QString csv = editedCsv(asmPath, {{15, 0, "3400"}, {31, 0, "19500"}});
    const QString csvPath = writeFile(m_dir, QStringLiteral("unordered.csv"), csv.toUtf8());
    const Run refused =
        cdiTables({QStringLiteral("import"), asmPath, csvPath, QStringLiteral("--lang=en")});
    QCOMPARE(refused.err,
             QStringLiteral("cdi-tables: ") + csvPath +
                 QStringLiteral(": RPM breakpoints out of order: row 15 (3450) not above row 14 "
                                "(3450); row 32 (19530) not above row 31 (19530). The firmware "
                                "never uses one row of each such pair. Nothing was written; "
                                "--allow-unordered writes it anyway.\n"));
    QCOMPARE(refused.status, 1);
    QCOMPARE(readFile(asmPath), sampleBytes());

    const Run allowed =
        cdiTables({QStringLiteral("import"), asmPath, csvPath, QStringLiteral("--allow-unordered"),
                   QStringLiteral("--lang=en")});
    QCOMPARE(allowed.err, QString());
    QCOMPARE(allowed.out, asmPath + QStringLiteral(": saved; 0 table codes and 2 RPM points "
                                                   "changed\n"));
    QCOMPARE(allowed.status, 0);
}

void TestCli::badCsvLineIsRefused_data()
{
    QTest::addColumn<QString>("line6");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QString>("message");
    const QString note = QStringLiteral(u"\nСтрока 6: ");
    QTest::newRow("column count") << "1200,3,8,6,17.9,14.4" << QByteArray("ru_RU.UTF-8")
                                  << QStringLiteral(u"Неверное число столбцов: 6/7") + note;
    QTest::newRow("no number") << "1200,3,8,6,1.2.3,14.4,15.8" << QByteArray("en_GB.UTF-8")
                               << "'1.2.3' is not a valid floating point value.\nLine 6: ";
    QTest::newRow("above") << "1200,3,8,6,17.9,72.2,15.8" << QByteArray("C")
                           << QStringLiteral(u"Превышен предел 52° выше датчика") + note;
    QTest::newRow("below") << "1200,3,8,6,17.9,14.4,-105.7" << QByteArray("en")
                           << "Over range 125° below the sensor\nLine 6: ";
    QTest::newRow("rpm low") << "459,3,8,6,17.9,14.4,15.8" << QByteArray("en")
                             << "RPM not lower 460/min\nLine 6: ";
    QTest::newRow("rpm high") << "20001,3,8,6,17.9,14.4,15.8" << QByteArray("en")
                              << "RPM over range 20000/min\nLine 6: ";
    QTest::newRow("rpm no number") << ",3,8,6,17.9,14.4,15.8" << QByteArray("en")
                                   << "'' is not a valid integer value.\nLine 6: ";
    QTest::newRow("code too big") << "1200,256,8,6,,14.4,15.8" << QByteArray("en")
                                  << "The code of table 1 must be a whole number from 0 to 255: "
                                     "\"256\"\nLine 6: ";
    QTest::newRow("code not whole") << "1200,3,8.0,6,17.9,,15.8" << QByteArray("ru")
                                    << QStringLiteral(u"Код таблицы 2 должен быть целым числом "
                                                      u"от 0 до 255: \"8.0\"") +
                                           note;
}

void TestCli::badCsvLineIsRefused()
{
    QFETCH(QString, line6);
    QFETCH(QByteArray, lang);
    QFETCH(QString, message);
    const QString asmPath = writeFile(m_dir, QStringLiteral("bad.asm"), sampleBytes());
    QStringList lines = cdiTables({QStringLiteral("show"), asmPath, QStringLiteral("--format"),
                                   QStringLiteral("csv")})
                            .out.split(QLatin1Char('\n'));
    lines[5] = line6;
    const QString csvPath = writeFile(m_dir, QStringLiteral("bad.csv"), lines.join('\n').toUtf8());
    const Run imported = cdiTables({QStringLiteral("import"), asmPath, csvPath}, lang);
    QCOMPARE(imported.status, 1);
    QCOMPARE(imported.err, QStringLiteral("cdi-tables: ") + csvPath + QStringLiteral(": ") +
                               message + line6 + QLatin1Char('\n'));
    QCOMPARE(readFile(asmPath), sampleBytes());
}

void TestCli::diffNamesTheChangedCell()
{
    const QString sample = QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm");
    const Run same = cdiTables({QStringLiteral("diff"), sample, sample});
    QCOMPARE(same.status, 0);
    QCOMPARE(same.out, QStringLiteral(u"различий нет\n"));
    // Leading zeros assemble to the same number: no difference.
    const QString zeros = writeFile(
        m_dir, QStringLiteral("zeros.asm"),
        replacedOnce(sampleBytes(), u"FuozTable1:\r\nldi R16, 14", u"FuozTable1:\r\nldi R16, 014"));
    const Run leading = cdiTables(
        {QStringLiteral("diff"), sample, zeros, QStringLiteral("--lang"), QStringLiteral("en")});
    QCOMPARE(leading.out, QStringLiteral("no differences\n"));
    QCOMPARE(leading.status, 0);

    const QString changed = writeFile(m_dir, QStringLiteral("changed.asm"), sampleBytes());
    QStringList lines = cdiTables({QStringLiteral("show"), changed, QStringLiteral("--format"),
                                   QStringLiteral("csv")})
                            .out.split(QLatin1Char('\n'));
    QStringList row7 = lines[7].split(QLatin1Char(','));
    row7[6] = QStringLiteral("23.5"); // table 3 at 1500 rpm: 18.6 before
    lines[7] = row7.join(QLatin1Char(','));
    const QString csvPath =
        writeFile(m_dir, QStringLiteral("changed.csv"), lines.join('\n').toUtf8());
    QCOMPARE(cdiTables({QStringLiteral("import"), changed, csvPath}).status, 0);
    const Run differ = cdiTables(
        {QStringLiteral("diff"), sample, changed, QStringLiteral("--lang"), QStringLiteral("en")});
    QCOMPARE(differ.out, QStringLiteral("table 3, row 7 (1500 rpm): 18.6 -> 23.5\n"));
    QCOMPARE(differ.status, 1);
    const Run russian = cdiTables({QStringLiteral("diff"), changed, sample});
    QCOMPARE(russian.out, QStringLiteral(u"таблица 3, строка 7 (1500 об/мин): 23.5 -> 18.6\n"));
}

void TestCli::usageAndFileErrors()
{
    const QString missing = m_dir.filePath(QStringLiteral("missing.asm"));
    const Run notFound = cdiTables({QStringLiteral("show"), missing}, "en_US.UTF-8");
    QCOMPARE(notFound.status, 2);
    QCOMPARE(notFound.err, QStringLiteral("cdi-tables: No file found ") + missing + '\n');
    QCOMPARE(notFound.out, QString());

    QCOMPARE(cdiTables({QStringLiteral("show")}).status, 2);
    QCOMPARE(cdiTables({QStringLiteral("frobnicate")}).status, 2);
    QCOMPARE(cdiTables({QStringLiteral("show"), missing, QStringLiteral("--format"),
                        QStringLiteral("xml")})
                 .status,
             2);
    const Run help = cdiTables({QStringLiteral("--help"), QStringLiteral("--lang=en")});
    QCOMPARE(help.status, 0);
    for (const char *command : {"show FILE.asm", "import FILE.asm TABLE.csv", "diff A.asm B.asm"})
        QVERIFY2(help.out.contains(QLatin1String("cdi-tables ") + QLatin1String(command)), command);
}

void TestCli::repeatedOptionIsRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString sample = QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm");
    QTest::newRow("format") << QStringList{"show", sample, "--format", "csv", "--format=json"}
                            << "the option --format is given more than once";
    QTest::newRow("lang") << QStringList{"show", sample, "--lang", "ru", "--lang=en"}
                          << "the option --lang is given more than once";
    QTest::newRow("programmer") << QStringList{"flash",  "fw.hex",       "-c",
                                               "usbasp", "--programmer", "avrisp"}
                                << "the option -c/--programmer is given more than once";
    QTest::newRow("read-chip port")
        << QStringList{"read-chip", "out.hex", "-P", "/dev/ttyUSB0", "-P", "/dev/ttyACM0"}
        << "the option -P/--port is given more than once";
    QTest::newRow("force") << QStringList{"flash", "fw.hex", "--force", "--force"}
                           << "the option --force is given more than once";
}

// A second value of an option would silently win or lose: refused, naming the option.
void TestCli::repeatedOptionIsRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = cdiTables(arguments, "en_US.UTF-8");
    QCOMPARE(run.err, QStringLiteral("cdi-tables: ") + message + QLatin1Char('\n'));
    QCOMPARE(run.out, QString());
    QCOMPARE(run.status, 2);
}

// With a programmer that is not there: avrdude's own complaint, then ours: no copy, no write.
void TestCli::flashReportsAvrdudesFailure()
{
    QTemporaryDir dir;
    const QString hex = writeFile(dir, QStringLiteral("my fw.hex"), ":00000001FF\n");
    Run run = cdiTables({"flash", hex, "--programmer", "avrisp", "--port",
                         "/dev/cdi-test-no-such-port", "--lang", "en"});
    QVERIFY2(run.err.contains(QStringLiteral("unable to open programmer avrisp")),
             qPrintable(run.err));
    QVERIFY(run.err.endsWith(QStringLiteral("No copy of the chip could be made; the chip was not "
                                            "touched. --force programs it without a copy.\n")));
    QCOMPARE(run.status, 1);

    const QString source = writeFile(dir, QStringLiteral("CDI.asm"), sampleBytes());
    run = cdiTables({"flash", source, "-c", "avrisp"});
    QCOMPARE(run.err,
             QStringLiteral(u"Файл %1 не в формате Intel HEX; МК не прошивался.\n").arg(source));
    QCOMPARE(run.status, 2);
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
