// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/sourcesave.h"
#include "session/writer.h"

#include "writertestsupport.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(MessageId)

namespace {

const QByteArray kModeAuto = cp(u"ldi R30,0b00000010\t;РОН статуса");
const QByteArray kModeFixed = cp(u"ldi R30,0b00000000\t;РОН статуса");

QByteArray stepsLine(int steps)
{
    return "ldi R23," + QByteArray::number(steps) + cp(u"\t\t\t;длинна метки,х0.7°,сток 128=90°");
}

QByteArray compareLine(int constant)
{
    return "cpi R21, " + QByteArray::number(constant) + cp(u"\t;сравнение РОН с контстантой");
}

QByteArray valueLine(const char *code)
{
    return QByteArray("ldi R16, ") + code + cp(u"\t;множитель");
}

QByteArray storeLine(const char *angle)
{
    return QByteArray("st X+, R16\t") + cp(u";в ОЗУ, ") + angle + cp(u"°");
}

QByteArray sparkLine(const char *instruction, const char *port, char level)
{
    return QByteArray(instruction) + ' ' + port + "\t\t" +
           (level == '0' ? markers::sparkToZero.toByteArray() : markers::sparkToOne.toByteArray());
}

void setRows(Document &document, int column, int fromRow, const QStringList &texts)
{
    for (int i = 0; i < texts.size(); ++i)
        document.cell(column, fromRow + i) = texts[i];
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class WriterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        const LoadedSource loaded(sampleBytes());
        QVERIFY(loaded.completed);
        // The fixture's line numbers hold the lines they name.
        const QList<QByteArray> lines = sampleLines();
        QVERIFY(lines[sample::kIncludeLine].contains(markers::crystal.toByteArray()));
        QVERIFY(lines[sample::kPulseStepsLine].startsWith("ldi R23,"));
        QVERIFY(lines[sample::kPulseModeLine].startsWith("ldi R30,"));
        QVERIFY(lines[sample::kSparkToZeroLine].contains(markers::sparkToZero.toByteArray()));
        for (const int line : sample::kSparkToOneLines)
            QVERIFY(lines[line].contains(markers::sparkToOne.toByteArray()));
        for (int row = 2; row <= 32; ++row)
            QVERIFY(lines[sample::compareLine(row)].startsWith("cpi R21,"));
        for (int table = 1; table <= 3; ++table) {
            QCOMPARE(lines[sample::kTableLabelLines[table - 1]],
                     "FuozTable" + QByteArray::number(table) + ':');
            for (int row = 1; row <= 32; ++row)
                QVERIFY(lines[sample::valueLine(table, row)].startsWith("ldi R16,"));
        }
    }

    void sampleWithItsOwnSettingsComesBackUnchanged()
    {
        LoadedSource loaded(sampleBytes());
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        QCOMPARE(loaded.doc.text.toFileBytes(), sampleBytes());
    }

    void includeLineCarriesSensorAngleText_data()
    {
        QTest::addColumn<QString>("sensor");
        QTest::addColumn<int>("length");
        QTest::newRow("35") << "35" << 48;
        QTest::newRow("5") << "5" << 47;
    }
    void includeLineCarriesSensorAngleText()
    {
        QFETCH(QString, sensor);
        QFETCH(int, length);
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.sensorAngle = sensor;
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        const QByteArray line = loaded.doc.text.shownLine(sample::kIncludeLine);
        QCOMPARE(line,
                 cp(u".include \"m8def.inc\"\t;AT8-16, кварц4МГц, угол ") + sensor.toLatin1());
        QCOMPARE(line.size(), length);
    }

    void autoPulseRewritesOnlyTheModeLine()
    {
        QList<QByteArray> lines = sampleLines();
        lines[sample::kPulseStepsLine] = "ldi R23,57\t;old";
        lines[sample::kPulseModeLine] = "ldi R30,0b00000000\t;old";
        LoadedSource loaded(joinLines(lines));
        QVERIFY(loaded.completed);
        loaded.doc.settings.secondPulse = QStringLiteral("auto");
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        QCOMPARE(loaded.doc.text.shownLine(sample::kPulseStepsLine), "ldi R23,57\t;old");
        QCOMPARE(loaded.doc.text.shownLine(sample::kPulseModeLine), kModeAuto);
    }

    void fixedPulseWritesStepCount_data()
    {
        QTest::addColumn<QString>("angle");
        QTest::addColumn<int>("steps");
        QTest::newRow("20") << "20" << 29;
        QTest::newRow("39.9") << "39.9" << 57;
        QTest::newRow("10") << "10" << 14;
        QTest::newRow("0") << "0" << 0;
    }
    void fixedPulseWritesStepCount()
    {
        QFETCH(QString, angle);
        QFETCH(int, steps);
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.secondPulse = angle;
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        QCOMPARE(loaded.doc.text.shownLine(sample::kPulseStepsLine), stepsLine(steps));
        QCOMPARE(loaded.doc.text.shownLine(sample::kPulseModeLine), kModeFixed);
    }

    void sparkOutputLines_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QByteArray>("port");
        QTest::newRow("PortC,0") << int(DocumentSettings::kPortC0) << QByteArray("PortC,0");
        QTest::newRow("PortD,6") << int(DocumentSettings::kPortD6) << QByteArray("PortD,6");
    }
    void sparkOutputLines()
    {
        QFETCH(int, item);
        QFETCH(QByteArray, port);
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.sparkOutput = item;
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        QCOMPARE(loaded.doc.text.shownLine(sample::kSparkToZeroLine), sparkLine("cbi", port, '0'));
        for (const int line : sample::kSparkToOneLines)
            QCOMPARE(loaded.doc.text.shownLine(line), sparkLine("sbi", port, '1'));
    }

    // A spark-to-1 marker alone on its line, or after a commented-out instruction, is a comment:
    // the writer passes over it instead of turning it into an instruction, and without a third
    // line the save stops.
    void commentedSparkToOneMarkerIsNoLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("marker alone") << markers::sparkToOne.toByteArray();
        QTest::newRow("commented-out instruction")
            << ";sbi PortC,0\t\t" + markers::sparkToOne.toByteArray();
    }
    void commentedSparkToOneMarkerIsNoLine()
    {
        QFETCH(QByteArray, line);
        QList<QByteArray> lines = sampleLines();
        lines[sample::kSparkToOneLines[0]] = line;
        LoadedSource loaded(joinLines(lines));
        QVERIFY(loaded.completed);
        loaded.doc.settings.sparkOutput = DocumentSettings::kPortD6;
        QCOMPARE(rewriteSource(loaded.doc), MessageId::MissingData);
        QCOMPARE(loaded.doc.text.shownLine(sample::kSparkToOneLines[0]), line);
        QCOMPARE(loaded.doc.text.shownLine(sample::kSparkToOneLines[1]),
                 sparkLine("sbi", "PortD,6", '1'));
        QCOMPARE(loaded.doc.text.shownLine(sample::kSparkToOneLines[2]),
                 sparkLine("sbi", "PortD,6", '1'));
    }

    void compareConstantOfRpm_data()
    {
        QTest::addColumn<int>("rpm");
        QTest::addColumn<int>("constant");
        QTest::newRow("460") << 460 << 0;
        QTest::newRow("500") << 500 << 21;
        QTest::newRow("1000") << 1000 << 138;
        QTest::newRow("2000") << 2000 << 196;
        QTest::newRow("6000") << 6000 << 235;
        QTest::newRow("19500") << 19500 << 249;
        QTest::newRow("20000") << 20000 << 249;
        QTest::newRow("625 half") << 625 << 68;
        QTest::newRow("1875 half") << 1875 << 192;
        QTest::newRow("3125 half") << 3125 << 218;
        QTest::newRow("9375 half") << 9375 << 242;
        QTest::newRow("15625 half") << 15625 << 248;
    }
    void compareConstantOfRpm()
    {
        QFETCH(int, rpm);
        QFETCH(int, constant);
        QCOMPARE(compareConstantForRpm(rpm), constant);
    }

    // The first compare line takes row 32, the 31st row 2; row 1 has no line and no check.
    void compareLinesTakeRowsFromTheTop()
    {
        LoadedSource loaded(sampleBytes());
        setRows(loaded.doc, Document::kRpmColumn, 22,
                {"15625", "9375", "3125", "1875", "625", "20000", "19500", "6000", "1000", "500",
                 "460"});
        loaded.doc.cell(Document::kRpmColumn, 2) = QStringLiteral("2000");
        loaded.doc.cell(Document::kRpmColumn, 1) = QStringLiteral("0");
        const qsizetype lineCount = loaded.doc.text.lineCount();
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        const int expected[] = {248, 242, 218, 192, 68, 249, 249, 235, 138, 21, 0};
        for (int i = 0; i < 11; ++i)
            QCOMPARE(loaded.doc.text.shownLine(sample::compareLine(22 + i)),
                     compareLine(expected[i]));
        QCOMPARE(loaded.doc.text.shownLine(sample::compareLine(2)), compareLine(196));
        QCOMPARE(loaded.doc.text.lineCount(), lineCount);
        int compareLines = 0;
        for (qsizetype i = 0; i < lineCount; ++i) {
            if (loaded.doc.text.shownLine(i).startsWith("cpi R21,"))
                ++compareLines;
        }
        QCOMPARE(compareLines, 31);
    }

    void rpmOutOfRangeStops_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("rpm");
        QTest::addColumn<MessageId>("message");
        QTest::newRow("459 in row 20") << 20 << "459" << MessageId::RpmTooLow;
        QTest::newRow("20001 in row 20") << 20 << "20001" << MessageId::RpmTooHigh;
        QTest::newRow("459 in row 2") << 2 << "459" << MessageId::RpmTooLow;
        QTest::newRow("20001 in row 32") << 32 << "20001" << MessageId::RpmTooHigh;
    }
    void rpmOutOfRangeStops()
    {
        QFETCH(int, row);
        QFETCH(QString, rpm);
        QFETCH(MessageId, message);
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.sensorAngle = QStringLiteral("35");
        loaded.doc.settings.sparkOutput = DocumentSettings::kPortD6;
        for (int r = 2; r <= 32; ++r)
            loaded.doc.cell(Document::kRpmColumn, r) = QStringLiteral("6000");
        loaded.doc.cell(Document::kRpmColumn, row) = rpm;
        loaded.doc.cell(1, 1) = QStringLiteral("0");

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        writeFile(path, sampleBytes());
        QCOMPARE(saveSource(loaded.doc, path), message);
        QCOMPARE(readFile(path), sampleBytes());

        // Everything before the failing row is rewritten, nothing after it.
        const QList<QByteArray> original = sampleLines();
        QCOMPARE(loaded.doc.text.shownLine(sample::kIncludeLine).right(2), "35");
        QCOMPARE(loaded.doc.text.shownLine(sample::kSparkToZeroLine),
                 sparkLine("cbi", "PortD,6", '0'));
        QCOMPARE(loaded.doc.text.shownLine(sample::kSparkToOneLines[1]),
                 sparkLine("sbi", "PortD,6", '1'));
        for (int r = 32; r > row; --r)
            QCOMPARE(loaded.doc.text.shownLine(sample::compareLine(r)), compareLine(235));
        for (int r = row; r >= 2; --r)
            QCOMPARE(loaded.doc.text.shownLine(sample::compareLine(r)),
                     original[sample::compareLine(r)]);
        QCOMPARE(loaded.doc.text.shownLine(sample::kSparkToOneLines[2]),
                 original[sample::kSparkToOneLines[2]]);
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(1, 1)),
                 original[sample::valueLine(1, 1)]);
    }

    void angleCommentsFollowCodes()
    {
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.sensorAngle = QStringLiteral("20");
        setRows(loaded.doc, 1, 1, {"11", "180", "0", "200", "255", "180"});
        setRows(loaded.doc, 3, 30, {"57", "180", "254"});
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        const char *codes[] = {"11", "180", "0", "200", "255", "180"};
        const char *angles[] = {"12.3", "12.3", "20", "58.5", "20", "20"};
        for (int row = 1; row <= 6; ++row) {
            QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(1, row)),
                     valueLine(codes[row - 1]));
            QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(1, row) + 1),
                     storeLine(angles[row - 1]));
        }
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(3, 30) + 1), storeLine("-19.9"));
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(3, 31) + 1), storeLine("-19.9"));
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(3, 32) + 1), storeLine("20.7"));
    }

    void angleCommentsStartFromHighestAngleOfColumn_data()
    {
        QTest::addColumn<QStringList>("topRows"); // angle column rows 30 to 32
        QTest::addColumn<QByteArray>("firstComment");
        QTest::newRow("row 31 holds the last angle")
            << QStringList{"4", "13.1", "-"} << QByteArray("13.1");
        QTest::newRow("row 32") << QStringList{"4", "13.1", "-7.5"} << QByteArray("-7.5");
        QTest::newRow("no angle at all") << QStringList{"-", "-", "-"} << QByteArray("0");
    }
    void angleCommentsStartFromHighestAngleOfColumn()
    {
        QFETCH(QStringList, topRows);
        QFETCH(QByteArray, firstComment);
        LoadedSource loaded(sampleBytes());
        for (int row = 1; row <= 29; ++row)
            loaded.doc.cell(Document::kAngleColumn, row) =
                topRows == QStringList{"-", "-", "-"} ? QStringLiteral("-") : QStringLiteral("1");
        setRows(loaded.doc, Document::kAngleColumn, 30, topRows);
        loaded.doc.cell(1, 1) = QStringLiteral("180");
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(1, 1) + 1), storeLine(firstComment));
    }

    void codeTextWrittenAsItIs()
    {
        LoadedSource loaded(sampleBytes());
        loaded.doc.cell(2, 3) = QStringLiteral("012");
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(2, 3)), valueLine("012"));
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(2, 3) + 1), storeLine("11.6"));
    }

    // The line after a value line is replaced only when it is the value's store instruction;
    // anything else stops the rewrite there, naming the line.
    void lineAfterValueLineMustBeItsStore_data()
    {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("empty line") << QByteArray() << false;
        QTest::newRow("comment") << QByteArray("; a comment") << false;
        QTest::newRow("other instruction") << QByteArray("\tnop") << false;
        QTest::newRow("commented-out store") << QByteArray(";st X+, R16") << false;
        QTest::newRow("store, other blanks and comment")
            << QByteArray("\tST x+,r16 ; keep") << true;
    }
    void lineAfterValueLineMustBeItsStore()
    {
        QFETCH(QByteArray, after);
        QFETCH(bool, replaced);
        QList<QByteArray> lines = sampleLines();
        const int storeAt = sample::valueLine(3, 2) + 1;
        lines[storeAt] = after;
        LoadedSource loaded(joinLines(lines));
        QVERIFY(loaded.completed);
        setRows(loaded.doc, 3, 1, {"10", "1"});
        QString stopLine;
        const auto stop = rewriteSource(loaded.doc, &stopLine);
        if (replaced) {
            QCOMPARE(stop, std::nullopt);
            QCOMPARE(loaded.doc.text.shownLine(storeAt), storeLine("19.3"));
        } else {
            QCOMPARE(stop, MessageId::MissingData);
            QCOMPARE(stopLine, QString::number(storeAt + 1) + QStringLiteral(": ") +
                                   QString::fromLatin1(after));
            QCOMPARE(loaded.doc.text.shownLine(storeAt), after);
            // The entry before it is written; nothing after it.
            QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(3, 1) + 1), storeLine("13"));
            QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(3, 2)),
                     lines[sample::valueLine(3, 2)]);
        }
    }

    // An unedited rewrite of a file in the writer's own form gives back its bytes, whatever its
    // line breaks and whether its last line has one.
    void unchangedFileKeepsItsLineBreaks_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray crlf = sampleBytes();
        QVERIFY(crlf.endsWith("\r\n"));
        QByteArray lf = crlf;
        lf.replace("\r\n", "\n");
        QTest::newRow("crlf") << crlf;
        QTest::newRow("crlf, no last break") << crlf.chopped(2);
        QTest::newRow("lf") << lf;
        QTest::newRow("lf, no last break") << lf.chopped(1);
    }
    void unchangedFileKeepsItsLineBreaks()
    {
        QFETCH(QByteArray, bytes);
        LoadedSource loaded(bytes);
        QVERIFY(loaded.completed);
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        QCOMPARE(loaded.doc.text.toFileBytes(), bytes);
    }

    void longLinesNotRewrittenAreKeptWhole()
    {
        QList<QByteArray> lines = sampleLines();
        const QByteArray longComment =
            cp(u"; Длинный комментарий, который длиннее восьмидесяти знаков: ") +
            QByteArray(60, '=') + " end";
        QVERIFY(longComment.size() > 80);
        lines[4] = longComment;
        LoadedSource loaded(joinLines(lines));
        QVERIFY(loaded.completed);
        QCOMPARE(loaded.doc.text.shownLine(4), longComment.left(80));
        loaded.doc.settings.sparkOutput = DocumentSettings::kPortD6;

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QCOMPARE(saveSource(loaded.doc, path), std::nullopt);
        lines[sample::kSparkToZeroLine] = sparkLine("cbi", "PortD,6", '0');
        for (const int line : sample::kSparkToOneLines)
            lines[line] = sparkLine("sbi", "PortD,6", '1');
        QCOMPARE(readFile(path), joinLines(lines));
    }

    void savingTwiceGivesTheSameBytes()
    {
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.sensorAngle = QStringLiteral("25");
        loaded.doc.settings.secondPulse = QStringLiteral("20");
        loaded.doc.settings.sparkOutput = DocumentSettings::kPortD6;
        loaded.doc.cell(Document::kRpmColumn, 10) = QStringLiteral("2000");
        setRows(loaded.doc, 2, 5, {"180", "7", "250"});

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QCOMPARE(saveSource(loaded.doc, path), std::nullopt);
        const QByteArray first = readFile(path);
        QCOMPARE(first, loaded.doc.text.toFileBytes());
        QVERIFY(first != sampleBytes());
        QCOMPARE(saveSource(loaded.doc, path), std::nullopt);
        QCOMPARE(readFile(path), first);

        // Loading the saved file and saving it again changes nothing either.
        LoadedSource reloaded(first);
        QVERIFY(reloaded.completed);
        reloaded.doc.settings.activeTable = loaded.doc.settings.activeTable;
        QCOMPARE(saveSource(reloaded.doc, path), std::nullopt);
        QCOMPARE(readFile(path), first);
    }

    void reloadGivesBackWhatWasSaved_data()
    {
        QTest::addColumn<QString>("pulse");
        QTest::addColumn<QString>("pulseReadBack");
        QTest::newRow("20") << "20"
                            << "20.3";
        QTest::newRow("39.9") << "39.9"
                              << "39.9";
        QTest::newRow("auto") << "auto"
                              << "auto";
    }
    void reloadGivesBackWhatWasSaved()
    {
        QFETCH(QString, pulse);
        QFETCH(QString, pulseReadBack);
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.sensorAngle = QStringLiteral("25");
        loaded.doc.settings.secondPulse = pulse;
        loaded.doc.settings.sparkOutput = DocumentSettings::kPortD6;
        loaded.doc.cell(Document::kRpmColumn, 10) = QStringLiteral("2000");
        setRows(loaded.doc, 1, 1, {"0", "255", "180", "179", "181"});
        setRows(loaded.doc, 2, 30, {"012", "7", "250"});
        setRows(loaded.doc, 3, 16, {"100", "200"});
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);

        LoadedSource reloaded(loaded.doc.text.toFileBytes());
        // Other start values, so that every setting must come from the file.
        QVERIFY(reloaded.completed);
        Document grid;
        grid.text = reloaded.doc.text;
        DocumentSettings &fresh = grid.settings;
        fresh.sensorAngle = QStringLiteral("40");
        fresh.secondPulse =
            pulse == QLatin1String("auto") ? QStringLiteral("1") : QStringLiteral("auto");
        fresh.sparkOutput = DocumentSettings::kPortC0;
        QVERIFY(scanSource(grid, 0).completed());
        QCOMPARE(fresh.sensorAngle, QStringLiteral("25"));
        QCOMPARE(fresh.secondPulse, pulseReadBack);
        QCOMPARE(fresh.sparkOutput, int(DocumentSettings::kPortD6));
        QCOMPARE(grid.cell(Document::kRpmColumn, 10), QStringLiteral("1990"));
        QCOMPARE(grid.cell(Document::kRpmColumn, 1), QStringLiteral("460"));
        for (int row = 2; row <= 32; ++row) {
            if (row != 10)
                QCOMPARE(grid.cell(Document::kRpmColumn, row), loaded.doc.cell(0, row));
        }
        for (int table = 1; table <= 3; ++table) {
            for (int row = 1; row <= 32; ++row)
                QCOMPARE(grid.cell(table, row), loaded.doc.cell(table, row));
        }
    }

    void missingLayoutStopsWithMissingData_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("pulse");
        const QList<QByteArray> original = sampleLines();
        auto edited = [&](std::initializer_list<std::pair<int, QByteArray>> edits) {
            QList<QByteArray> lines = original;
            for (const auto &[line, text] : edits)
                lines[line] = text;
            return joinLines(lines);
        };
        QTest::newRow("empty text") << QByteArray() << "auto";
        QTest::newRow("no include line") << edited({{0, "; nothing"}}) << "auto";
        QTest::newRow("no pulse mode line") << edited({{sample::kPulseModeLine, "nop"}}) << "auto";
        QTest::newRow("no pulse steps line") << edited({{sample::kPulseStepsLine, "nop"}}) << "20";
        QTest::newRow("no spark-to-0 line")
            << edited({{sample::kSparkToZeroLine, "nop"}}) << "auto";
        QTest::newRow("only two spark-to-1 lines")
            << edited({{sample::kSparkToOneLines[2], "nop"}}) << "auto";
        QTest::newRow("30 compare lines") << edited({{sample::compareLine(2), "nop"}}) << "auto";
        QTest::newRow("no third table label")
            << edited({{sample::kTableLabelLines[2], "FuozTable4:"}}) << "auto";
        QTest::newRow("31 values in the third table")
            << edited({{sample::valueLine(3, 32), "nop"}}) << "auto";
        QList<QByteArray> cut = original.mid(0, sample::valueLine(3, 32) + 1);
        QTest::newRow("last value line ends the text") << joinLines(cut) << "auto";
    }
    void missingLayoutStopsWithMissingData()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, pulse);
        SourceText source = SourceText::fromFileBytes(bytes);
        LoadedSource loaded(sampleBytes()); // settings and grid of the sample
        loaded.doc.settings.secondPulse = pulse;

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        writeFile(path, "old");
        loaded.doc.text = source;
        QCOMPARE(saveSource(loaded.doc, path), MessageId::MissingData);
        QCOMPARE(readFile(path), QByteArray("old"));
    }

    void missingTableKeepsEarlierTablesRewritten()
    {
        QList<QByteArray> lines = sampleLines();
        lines[sample::kTableLabelLines[2]] = "FuozTable4:";
        SourceText source = SourceText::fromFileBytes(joinLines(lines));
        LoadedSource loaded(sampleBytes());
        loaded.doc.cell(2, 32) = QStringLiteral("200");
        loaded.doc.cell(3, 1) = QStringLiteral("201");
        loaded.doc.text = source;
        QCOMPARE(rewriteSource(loaded.doc), MessageId::MissingData);
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(2, 32)), valueLine("200"));
        QCOMPARE(loaded.doc.text.shownLine(sample::valueLine(3, 1)),
                 lines[sample::valueLine(3, 1)]);
    }

    void textThatIsNoNumberThrows_data()
    {
        QTest::addColumn<QString>("sensor");
        QTest::addColumn<QString>("pulse");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("message");
        QTest::newRow("rpm") << "20"
                             << "auto" << 0 << 7 << "abc"
                             << "'abc' is not a valid integer value";
        QTest::newRow("pulse") << "20"
                               << "2,5" << 0 << 7 << "1000"
                               << "'2,5' is not a valid floating point value";
        QTest::newRow("empty code") << "20"
                                    << "auto" << 2 << 4 << ""
                                    << "'' is not a valid integer value";
        QTest::newRow("empty sensor angle") << ""
                                            << "auto" << 0 << 7 << "1000"
                                            << "'' is not a valid integer value";
    }
    void textThatIsNoNumberThrows()
    {
        QFETCH(QString, sensor);
        QFETCH(QString, pulse);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QString, cell);
        QFETCH(QString, message);
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.sensorAngle = sensor;
        loaded.doc.settings.secondPulse = pulse;
        loaded.doc.cell(column, row) = cell;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        writeFile(path, "old");
        try {
            saveSource(loaded.doc, path);
            QFAIL("no conversion error");
        } catch (const ConversionError &error) {
            QCOMPARE(error.message(), message);
        }
        QCOMPARE(readFile(path), QByteArray("old"));
    }

    void readBackAcceptsWhatTheWriterWrote()
    {
        LoadedSource loaded(sampleBytes());
        QCOMPARE(verifyReadBack(loaded.doc), std::nullopt);
        loaded.doc.settings.secondPulse = QStringLiteral("39.9");
        QCOMPARE(verifyReadBack(loaded.doc), MessageId::MissingData);
        QCOMPARE(rewriteSource(loaded.doc), std::nullopt);
        QCOMPARE(verifyReadBack(loaded.doc), std::nullopt);
        loaded.doc.cell(2, 9) = QStringLiteral("99");
        QCOMPARE(verifyReadBack(loaded.doc), MessageId::MissingData);
    }

    // A short include line that the writer lengthens by 27 characters moves "ldi R23," from
    // inside the window the load searches (to 1499) to outside it.
    void readBackRejectsMarkerPushedOutOfItsWindow()
    {
        QList<QByteArray> lines = sampleLines();
        lines[sample::kIncludeLine] = cp(u"nop;кварц4МГц угол 20");
        lines.insert(5, ';' + QByteArray(62, '-'));
        const QByteArray bytes = joinLines(lines);
        LoadedSource loaded(bytes);
        QVERIFY(loaded.completed);
        QCOMPARE(*loaded.doc.text.find(markers::pulseSteps.toByteArray(), 0), 1480);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        writeFile(path, bytes);
        QCOMPARE(saveSource(loaded.doc, path), MessageId::MissingData);
        QCOMPARE(*loaded.doc.text.find(markers::pulseSteps.toByteArray(), 0), 1507);
        QCOMPARE(readFile(path), bytes);
    }

    // A spark-to-1 line whose marker starts at 5400 behind a long run of tabs: the rewrite moves
    // the marker before 5400, so a second save would pass over this line and rewrite the next
    // one, which the first save left with the old pin. Only the comparison with a second save
    // sees this; the save is refused and the file stays as it was.
    void saveThatASecondSaveWouldChangeIsRefused()
    {
        QList<QByteArray> lines = sampleLines();
        const SourceText plain = SourceText::fromFileBytes(joinLines(lines));
        const qsizetype lineAt = plain.lineIndexAt(5380);
        const qsizetype padding = 5380 - plain.lineStart(lineAt) - 2;
        QVERIFY(padding >= 1 && lineAt < sample::kSparkToOneLines[0]);
        lines.insert(lineAt, ';' + QByteArray(padding - 1, '-'));
        lines.insert(lineAt + 1, "sbi PortC,0" + QByteArray(9, '\t') + markers::sparkToOne());
        const QByteArray bytes = joinLines(lines);
        LoadedSource loaded(bytes);
        QVERIFY(loaded.completed);
        QCOMPARE(*loaded.doc.text.find(markers::sparkToOne(), 0), 5400);
        loaded.doc.settings.sparkOutput = DocumentSettings::kPortD6;

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        writeFile(path, bytes);
        QCOMPARE(saveSource(loaded.doc, path), MessageId::MissingData);
        QCOMPARE(readFile(path), bytes);
        // The first save had rewritten the new line and the next, not the one after them.
        QCOMPARE(loaded.doc.text.shownLine(lineAt + 1), sparkLine("sbi", "PortD,6", '1'));
        QCOMPARE(loaded.doc.text.shownLine(sample::kSparkToOneLines[1] + 2),
                 sparkLine("sbi", "PortC,0", '1'));
    }

    void readBackRejectsValuesTheirFieldsCannotHold_data()
    {
        QTest::addColumn<QString>("pulse");
        QTest::addColumn<QString>("code");
        QTest::addColumn<MessageId>("stop");
        QTest::newRow("1000 pulse steps") << "700"
                                          << "7" << MessageId::PulseOutOfRange;
        QTest::newRow("negative pulse steps") << "-7"
                                              << "7" << MessageId::PulseOutOfRange;
        QTest::newRow("four-digit code") << "auto"
                                         << "1234" << MessageId::MissingData;
    }
    void readBackRejectsValuesTheirFieldsCannotHold()
    {
        QFETCH(QString, pulse);
        QFETCH(QString, code);
        QFETCH(MessageId, stop);
        LoadedSource loaded(sampleBytes());
        loaded.doc.settings.secondPulse = pulse;
        loaded.doc.cell(2, 5) = code;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        writeFile(path, "old");
        QCOMPARE(saveSource(loaded.doc, path), stop);
        QCOMPARE(readFile(path), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(WriterTest)
#include "tst_writer.moc"
