// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include "domain/numbers.h"
#include "format/cp1251.h"
#include "session/document.h"
#include "session/loadscan.h"
#include "session/programstate.h"

#include <algorithm>
#include <array>

namespace {

QByteArray cp(QStringView text)
{
    return toCp1251(text);
}

// The settings the scan starts from, and a log of the ones it changed, in the order the load
// shows them.
struct RecordingSettings : DocumentSettings
{
    RecordingSettings()
    {
        sensorAngle = QStringLiteral("35");
        secondPulse = QStringLiteral("12.6");
        sparkOutput = kPortD6;
    }
    QStringList calls;

    void takeFrom(const DocumentSettings &after)
    {
        if (after.sensorAngle != sensorAngle)
            calls << QStringLiteral("angle:") + after.sensorAngle;
        if (after.secondPulse != secondPulse)
            calls << QStringLiteral("pulse:") + after.secondPulse;
        if (after.sparkOutput != sparkOutput)
            calls << QStringLiteral("spark:%1").arg(after.sparkOutput);
        static_cast<DocumentSettings &>(*this) = after;
    }
};

// Lays out a source line by line. Padding comment lines put a chosen character at a chosen
// text position, counted as the scan counts: each line shown as its first 80 characters (a CR
// inside a line not shown) and followed by two characters, whatever line end the file uses.
class SourceBuilder
{
public:
    explicit SourceBuilder(QByteArray lineEnd) : m_lineEnd(std::move(lineEnd)) {}

    void append(const QByteArray &line)
    {
        m_bytes += line + m_lineEnd;
        const qsizetype shown = line.size() - line.count('\r');
        m_position += std::min<qsizetype>(shown, 80) + 2;
    }

    void padTo(qsizetype position)
    {
        qsizetype gap = position - m_position;
        if (gap < 0 || gap == 1) {
            m_ok = false;
            return;
        }
        while (gap > 0) {
            qsizetype lineLength = std::min<qsizetype>(gap, kPadLength + 2);
            if (gap - lineLength == 1)
                --lineLength;
            append(lineLength > 2 ? ";" + QByteArray(lineLength - 3, '-') : QByteArray());
            gap -= lineLength;
        }
    }

    bool ok() const { return m_ok; }
    const QByteArray &bytes() const { return m_bytes; }

private:
    static constexpr qsizetype kPadLength = 40;
    QByteArray m_lineEnd;
    QByteArray m_bytes;
    qsizetype m_position = 0;
    bool m_ok = true;
};

// Lines whose character `offset` of the first line stands at text position `at`.
struct Block
{
    qsizetype at = 0;
    qsizetype offset = 0;
    QList<QByteArray> lines;
};

constexpr qsizetype kSparkMarkerOffset = 14;

QByteArray sparkLine(const QByteArray &port)
{
    return "\tcbi " + port + "\t\t" + cp(u";лог\"0\"на выход \"искра\"");
}

QByteArray compareLine(const QByteArray &constant)
{
    return "\tcpi R21, " + constant + "\t;compare";
}

// Compare lines in file order: the highest breakpoint (row 32) first.
QList<QByteArray> compareLines(const QList<QByteArray> &constants)
{
    QList<QByteArray> lines;
    for (const QByteArray &constant : constants)
        lines << compareLine(constant);
    return lines;
}

// Constants for rows 32 down to 2: 8 * (row - 2), so 240 down to 0.
QList<QByteArray> defaultConstants()
{
    QList<QByteArray> constants;
    for (int row = 32; row >= 2; --row)
        constants << QByteArray::number(8 * (row - 2));
    return constants;
}

// RPM of the default constants, rows 2 to 32.
const QStringList kDefaultRpm = {"460",  "470",  "490",  "510",  "530",  "550",  "570",  "590",
                                 "610",  "640",  "670",  "700",  "740",  "780",  "820",  "870",
                                 "920",  "980",  "1060", "1140", "1230", "1350", "1480", "1650",
                                 "1860", "2130", "2490", "3000", "3780", "5100", "7810"};

using Codes = std::array<QList<QByteArray>, 3>;

// Table 1: 0, 5, 10, ... 155; table 2: 255, 253, ... 193; table 3: 101 ... 132.
Codes defaultCodes()
{
    Codes codes;
    for (int row = 1; row <= 32; ++row) {
        codes[0] << QByteArray::number(5 * (row - 1));
        codes[1] << QByteArray::number(255 - 2 * (row - 1));
        codes[2] << QByteArray::number(100 + row);
    }
    return codes;
}

QByteArray valueLine(const QByteArray &code)
{
    return "\tldi R16, " + code + "\t;code";
}

QList<QByteArray> tableEntries(const QList<QByteArray> &codes)
{
    QList<QByteArray> lines;
    for (const QByteArray &code : codes)
        lines << valueLine(code) << QByteArray("\tst X+, R16");
    return lines;
}

QList<QByteArray> tableSection(const Codes &codes, const QList<QByteArray> &labels = {
                                                       "FuozTable1:", "FuozTable2:", "FuozTable3:"})
{
    QList<QByteArray> lines;
    for (int table = 0; table < 3; ++table) {
        if (table < labels.size())
            lines << labels[table];
        lines << tableEntries(codes[std::size_t(table)]);
    }
    return lines;
}

struct Layout
{
    Block angle{0, 0, {cp(u".include \"m8def.inc\"\t;кварц4МГц, датчик угол 20")}};
    Block pulseSteps{1450, 0, {"ldi R23,57\t\t;second pulse in 0.7 degree steps"}};
    Block pulseMode{1600, 0, {"ldi R30,0b00000010\t;bit 1: automatic second pulse"}};
    Block spark{3800, kSparkMarkerOffset, {sparkLine("PortC,0")}};
    Block compare{7200, 0, compareLines(defaultConstants())};
    QList<QByteArray> afterCompare{"\tsbi ADCSRA,ADEN\t;trimming resistor"};
    Block tables{21100, 0, tableSection(defaultCodes())};
    QList<Block> extra;
};

// The file bytes of a layout, or an empty array when its positions cannot be met.
QByteArray build(const Layout &layout, const QByteArray &lineEnd = "\r\n")
{
    Block compare = layout.compare;
    compare.lines << layout.afterCompare;
    QList<Block> blocks = {layout.angle, layout.pulseSteps, layout.pulseMode,
                           layout.spark, compare,           layout.tables};
    blocks << layout.extra;
    std::stable_sort(blocks.begin(), blocks.end(), [](const Block &a, const Block &b) {
        return a.at - a.offset < b.at - b.offset;
    });
    SourceBuilder builder(lineEnd);
    for (const Block &block : blocks) {
        if (block.lines.isEmpty())
            continue;
        builder.padTo(block.at - block.offset);
        for (const QByteArray &line : block.lines)
            builder.append(line);
    }
    return builder.ok() ? builder.bytes() : QByteArray();
}

QString old(int column, int row)
{
    return QStringLiteral("old %1/%2").arg(column).arg(row);
}

const QString kCompleted = QStringLiteral("completed");
const QString kMissing = QStringLiteral("missing data");

// One scan of file bytes into a recording target and a grid whose cells all hold "old c/r".
struct Scan
{
    RecordingSettings settings;
    Document grid;
    ProgramState state;
    QString result; // kCompleted, kMissing or the conversion error's message
    QString line;   // the line a stop names

    Scan()
    {
        for (int column = 0; column < Document::kColumns; ++column) {
            grid.headers[std::size_t(column)] = old(column, 0);
            for (int row = 1; row <= 32; ++row)
                grid.cell(column, row) = old(column, row);
        }
    }

    void run(const QByteArray &bytes)
    {
        grid.text = SourceText::fromFileBytes(bytes);
        grid.settings = settings;
        const auto recorded = qScopeGuard([this] { settings.takeFrom(grid.settings); });
        try {
            const ScanOutcome outcome = scanSource(grid, state.Language);
            line = outcome.line;
            if (outcome.completed())
                result = kCompleted;
            else if (*outcome.stop == MessageId::MissingData)
                result = kMissing;
            else
                result = QStringLiteral("unexpected message");
        } catch (const ConversionError &error) {
            result = error.message();
        }
    }

    QStringList column(int column, int firstRow = 1, int lastRow = 32) const
    {
        QStringList cells;
        for (int row = firstRow; row <= lastRow; ++row)
            cells << (row == 0 ? grid.headers[std::size_t(column)] : grid.cell(column, row));
        return cells;
    }
};

QStringList oldColumn(int column, int firstRow = 1, int lastRow = 32)
{
    QStringList cells;
    for (int row = firstRow; row <= lastRow; ++row)
        cells << old(column, row);
    return cells;
}

QStringList texts(const QList<QByteArray> &bytes)
{
    QStringList list;
    for (const QByteArray &item : bytes)
        list << QString::fromLatin1(item);
    return list;
}

// tenths / 10 as the exact decimal with at most one decimal.
QString tenthsText(int tenths)
{
    QString text = tenths < 0 ? QStringLiteral("-") : QString();
    text += QString::number(std::abs(tenths) / 10);
    if (tenths % 10 != 0)
        text += QLatin1Char('.') + QString::number(std::abs(tenths) % 10);
    return text;
}

// Angles of table 1 of the default layout with the sensor angle 20: 20 - 3.5 * (row - 1).
QStringList defaultTable1Angles()
{
    QStringList angles;
    for (int row = 1; row <= 32; ++row)
        angles << tenthsText(200 - 35 * (row - 1));
    return angles;
}

class LocaleGuard
{
public:
    explicit LocaleGuard(const QLocale &locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(m_previous); }
    LocaleGuard(const LocaleGuard &) = delete;
    LocaleGuard &operator=(const LocaleGuard &) = delete;

private:
    QLocale m_previous;
};

} // namespace

class TestLoadScan : public QObject
{
    Q_OBJECT
private slots:
    void assemblerFormsOfTheInstructions_data();
    void assemblerFormsOfTheInstructions();
    void commentedOutInstructionsArePassedOver();
    void initTestCase();

    void completeSource();
    void lfOnlySourceGivesTheSameResult();
    void lfOnlyBreaksCountTwo();
    void longLineIsCountedCut();
    void loneCrIsNotCounted();
    void emptyFileStopsAtThePulseSteps();

    void sensorAngle_data();
    void sensorAngle();
    void emptySensorAngleFailsInTheAngleColumn();

    void pulseStepsWindow_data();
    void pulseStepsWindow();
    void pulseModeWindow_data();
    void pulseModeWindow();
    void pulseMode_data();
    void pulseMode();
    void pulseAngleUsesTheLocaleSeparator();
    void emptyPulseStepsIsNoInteger();

    void sparkOutput_data();
    void sparkOutput();
    void sparkMarkerFromPosition3700();

    void compareConstantConversions();
    void firstCompareLineFrom7100FillsRow32();
    void compareConstant255DividesByZero();
    void emptyCompareConstantIsNoNumber();
    void searchesContinueAfterTheValueField();

    void trimmer_data();
    void trimmer();

    void missingMarkers_data();
    void missingMarkers();

    void tableHeaders_data();
    void tableHeaders();
    void anyTableMarkerCountsAsLabel();
    void tableLabelFrom21000();
    void tableValuesAreTheFirst32AfterTheLabel();
    void rawCodeTextIsKept();
    void emptyCodeInTheActiveTableStops();
    void emptyCodeInAnotherTableIsKept();
    void activeTableTwo();
    void angleColumnCodes_data();
    void angleColumnCodes();
    void activeTableTextThatIsNoNumber();
    void activeTableOutOfRangeWritesNoAngles();

    void sampleSource();
    void randomBytesNeverCrash();
    void mutatedSourcesNeverCrash();
};

void TestLoadScan::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestLoadScan::completeSource()
{
    const QByteArray bytes = build(Layout());
    QVERIFY(!bytes.isEmpty());
    Scan scan;
    scan.grid.calibration.trimmerActive = false;
    scan.run(bytes);
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.settings.calls, QStringList({"angle:20", "pulse:auto", "spark:0"}));
    QCOMPARE(scan.settings.sensorAngle, QStringLiteral("20"));
    QCOMPARE(scan.settings.secondPulse, QStringLiteral("auto"));
    QCOMPARE(scan.settings.sparkOutput, DocumentSettings::kPortC0);
    QCOMPARE(scan.column(Document::kRpmColumn), QStringList({"460"}) + kDefaultRpm);
    QVERIFY(scan.grid.calibration.trimmerActive);
    QCOMPARE(scan.grid.headers[1], QStringLiteral(u"таб.1"));
    QCOMPARE(scan.grid.headers[2], QStringLiteral(u"таб.2"));
    QCOMPARE(scan.grid.headers[3], QStringLiteral(u"таб.3"));
    const Codes codes = defaultCodes();
    for (int table = 1; table <= 3; ++table)
        QCOMPARE(scan.column(table), texts(codes[std::size_t(table - 1)]));
    QCOMPARE(scan.column(Document::kAngleColumn), defaultTable1Angles());
    // Header cells of the RPM and angle columns are not the scan's.
    QCOMPARE(scan.grid.headers[0], old(0, 0));
    QCOMPARE(scan.grid.headers[4], old(4, 0));
    // Neither is the program's path, name or language.
    QCOMPARE(scan.state.FirmwareName, QString());
    QCOMPARE(scan.state.Language, 0);
}

void TestLoadScan::lfOnlySourceGivesTheSameResult()
{
    const QByteArray crlf = build(Layout());
    const QByteArray lf = build(Layout(), "\n");
    QVERIFY(!lf.isEmpty());
    QCOMPARE(lf.count('\r'), 0);
    QVERIFY(lf.size() < crlf.size());
    Scan a;
    a.run(crlf);
    Scan b;
    b.run(lf);
    QCOMPARE(b.result, kCompleted);
    QCOMPARE(b.settings.calls, a.settings.calls);
    for (int column = 0; column < Document::kColumns; ++column)
        QCOMPARE(b.column(column, 0), a.column(column, 0));
}

void TestLoadScan::lfOnlyBreaksCountTwo()
{
    // In the LF-only file the marker's byte offset lies inside 1400..1499, but its text
    // position, with two characters per break, is 1520: outside the window.
    Layout layout;
    layout.pulseSteps.at = 1520;
    const QByteArray lf = build(layout, "\n");
    QVERIFY(!lf.isEmpty());
    const qsizetype byteOffset = lf.indexOf("ldi R23,");
    QVERIFY2(byteOffset >= 1400 && byteOffset <= 1499, qPrintable(QString::number(byteOffset)));
    Scan scan;
    scan.run(lf);
    QCOMPARE(scan.result, kMissing);
    QCOMPARE(scan.settings.calls, QStringList({"angle:20"}));

    // And the other way round: text position 1499 lies at a smaller byte offset.
    layout.pulseSteps.at = 1499;
    layout.pulseMode.lines = {"ldi R30,0b00000000"};
    Scan found;
    found.run(build(layout, "\n"));
    QCOMPARE(found.result, kCompleted);
    QCOMPARE(found.settings.secondPulse, QStringLiteral("39.9"));
}

void TestLoadScan::longLineIsCountedCut()
{
    // A line of 100 characters is counted as 80. Its cut-off tail holds a decoy "ldi R23,99"
    // that would lie inside the window if the line were counted whole.
    for (const qsizetype at : {qsizetype(1499), qsizetype(1500)}) {
        Layout layout;
        const QByteArray longLine = ";" + QByteArray(84, '-') + "ldi R23,99" + QByteArray(5, '-');
        QCOMPARE(longLine.size(), 100);
        layout.extra << Block{1380, 0, {longLine}};
        layout.pulseSteps.at = at;
        layout.pulseMode.lines = {"ldi R30,0b00000000"};
        const QByteArray bytes = build(layout);
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(bytes.indexOf("ldi R23,57"), at + 20);
        Scan scan;
        scan.run(bytes);
        if (at == 1499) {
            QCOMPARE(scan.result, kCompleted);
            QCOMPARE(scan.settings.secondPulse, QStringLiteral("39.9"));
        } else {
            QCOMPARE(scan.result, kMissing);
            QCOMPARE(scan.settings.secondPulse, QStringLiteral("12.6"));
        }
    }
}

void TestLoadScan::loneCrIsNotCounted()
{
    // Two lone CRs before the marker: the marker's text position is 1499 (byte offset 1501).
    Layout layout;
    layout.pulseSteps = Block{1499, 0, {"\r\rldi R23,57\t\r"}};
    layout.pulseMode.lines = {"ldi R30,0b00000000"};
    const QByteArray bytes = build(layout);
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(bytes.indexOf("ldi R23,"), 1501);
    Scan scan;
    scan.run(bytes);
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.settings.secondPulse, QStringLiteral("39.9"));

    // The assembler ends a line at a lone CR: a CR inside the value field hides the 7 from it
    // (the editor would read 57), and the scan stops at that line.
    layout.pulseSteps = Block{1499, 0, {"ldi R23,5\r7\t"}};
    Scan hidden;
    hidden.run(build(layout));
    QCOMPARE(hidden.result, kMissing);
    QVERIFY2(hidden.line.endsWith(QStringLiteral(": ldi R23,57\t")), qPrintable(hidden.line));
}

void TestLoadScan::emptyFileStopsAtThePulseSteps()
{
    Scan scan;
    scan.run(QByteArray());
    QCOMPARE(scan.result, kMissing);
    QCOMPARE(scan.settings.calls, QStringList());
    QCOMPARE(scan.column(0, 0), oldColumn(0, 0));
}

void TestLoadScan::sensorAngle_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QStringList>("calls");
    const QByteArray word = cp(u"угол");
    const QByteArray x59(59, 'x');
    QTest::newRow("first line") << QList<QByteArray>{"; " + word + " 20"}
                                << QStringList{"angle:20"};
    QTest::newRow("at 59") << QList<QByteArray>{x59 + word + " 25"} << QStringList{"angle:25"};
    QTest::newRow("at 60") << QList<QByteArray>{x59 + "x" + word + " 25"} << QStringList{};
    QTest::newRow("second line") << QList<QByteArray>{"; head", word + " 15"}
                                 << QStringList{"angle:15"};
    // The box shows the last match only.
    QTest::newRow("second match overwrites")
        << QList<QByteArray>{word + " 20 " + word + " 30"} << QStringList{"angle:30"};
    // A match uses one try and moves on by 8: the tries after a match at 0 reach 8..66.
    QTest::newRow("stretched window, 66")
        << QList<QByteArray>{word + " 20" + QByteArray(59, 'x') + word + " 30"}
        << QStringList{"angle:30"};
    QTest::newRow("stretched window, 67")
        << QList<QByteArray>{word + " 20" + QByteArray(60, 'x') + word + " 30"}
        << QStringList{"angle:20"};
    QTest::newRow("spaced digits") << QList<QByteArray>{word + " 4 0"} << QStringList{"angle:40"};
    QTest::newRow("three digits") << QList<QByteArray>{word + " 100"} << QStringList{"angle:100"};
    QTest::newRow("no digit") << QList<QByteArray>{word + " ;x"} << QStringList{"angle:"};
    QTest::newRow("field runs into the line break")
        << QList<QByteArray>{word + " 7", "99"} << QStringList{"angle:7"};
    QTest::newRow("other case") << QList<QByteArray>{cp(u"Угол 20")} << QStringList{};
}

void TestLoadScan::sensorAngle()
{
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QStringList, calls);
    Scan scan;
    scan.run(lines.join("\r\n") + "\r\n");
    // Nothing else in the text: the scan goes on and stops at the second pulse.
    QCOMPARE(scan.result, kMissing);
    QCOMPARE(scan.settings.calls, calls);
    const QString expected = calls.isEmpty() ? QStringLiteral("35") : calls.last().mid(6);
    QCOMPARE(scan.settings.sensorAngle, expected);
}

void TestLoadScan::emptySensorAngleFailsInTheAngleColumn()
{
    Layout layout;
    layout.angle.lines = {cp(u".include \"m8def.inc\"\t;кварц4МГц, угол ;")};
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(scan.settings.sensorAngle, QString());
    // Everything up to the angle column was read; the angle column is untouched.
    QCOMPARE(scan.column(0), QStringList({"460"}) + kDefaultRpm);
    QCOMPARE(scan.column(1), texts(defaultCodes()[0]));
    QCOMPARE(scan.column(3), texts(defaultCodes()[2]));
    QCOMPARE(scan.column(Document::kAngleColumn), oldColumn(Document::kAngleColumn));
}

void TestLoadScan::pulseStepsWindow_data()
{
    QTest::addColumn<qsizetype>("at");
    QTest::addColumn<bool>("found");
    QTest::newRow("1399") << qsizetype(1399) << false;
    QTest::newRow("1400") << qsizetype(1400) << true;
    QTest::newRow("1499") << qsizetype(1499) << true;
    QTest::newRow("1500") << qsizetype(1500) << false;
}

void TestLoadScan::pulseStepsWindow()
{
    QFETCH(qsizetype, at);
    QFETCH(bool, found);
    Layout layout;
    layout.pulseSteps.at = at;
    layout.pulseMode.lines = {"ldi R30,0b00000000"};
    const QByteArray bytes = build(layout);
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(bytes.indexOf("ldi R23,"), at);
    Scan scan;
    scan.run(bytes);
    if (found) {
        QCOMPARE(scan.result, kCompleted);
        QCOMPARE(scan.settings.secondPulse, QStringLiteral("39.9"));
    } else {
        QCOMPARE(scan.result, kMissing);
        // Only the sensor angle was taken; pulse, spark and grid stay as they were.
        QCOMPARE(scan.settings.calls, QStringList({"angle:20"}));
        QCOMPARE(scan.column(0, 0), oldColumn(0, 0));
        QCOMPARE(scan.column(1, 0), oldColumn(1, 0));
    }
}

void TestLoadScan::pulseModeWindow_data()
{
    QTest::addColumn<QByteArray>("stepsLine");
    QTest::addColumn<qsizetype>("modeAt");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("pulse");
    QTest::newRow("1749") << QByteArray("ldi R23,57") << qsizetype(1749) << true << "39.9";
    QTest::newRow("1750") << QByteArray("ldi R23,57") << qsizetype(1750) << false << "";
    // The search starts 11 characters after the "ldi R23," match.
    QTest::newRow("p+11") << QByteArray("ldi R23,7\r\nldi R30,0b00000000") << qsizetype(-1) << true
                          << "4.9";
    QTest::newRow("p+10") << QByteArray("ldi R23,57ldi R30,0b00000000") << qsizetype(-1) << false
                          << "";
}

void TestLoadScan::pulseModeWindow()
{
    QFETCH(QByteArray, stepsLine);
    QFETCH(qsizetype, modeAt);
    QFETCH(bool, found);
    QFETCH(QString, pulse);
    Layout layout;
    layout.pulseSteps.lines = {stepsLine};
    if (modeAt < 0)
        layout.pulseMode.lines.clear();
    else
        layout.pulseMode = Block{modeAt, 0, {"ldi R30,0b00000000"}};
    const QByteArray bytes = build(layout);
    QVERIFY(!bytes.isEmpty());
    Scan scan;
    scan.run(bytes);
    if (found) {
        QCOMPARE(scan.result, kCompleted);
        QCOMPARE(scan.settings.calls.value(1), QStringLiteral("pulse:") + pulse);
    } else {
        QCOMPARE(scan.result, kMissing);
        QCOMPARE(scan.settings.calls, QStringList({"angle:20"}));
        QCOMPARE(scan.settings.secondPulse, QStringLiteral("12.6"));
    }
}

void TestLoadScan::pulseMode_data()
{
    QTest::addColumn<QByteArray>("steps");
    QTest::addColumn<QByteArray>("modeLine");
    QTest::addColumn<QString>("pulse");
    QTest::newRow("bit 1 set") << QByteArray("57") << QByteArray("ldi R30,0b00000010")
                               << QStringLiteral("auto");
    QTest::newRow("bit 1 clear") << QByteArray("57") << QByteArray("ldi R30,0b00000000")
                                 << QStringLiteral("39.9");

    QTest::newRow("zero steps") << QByteArray("0") << QByteArray("ldi R30,0b00000000")
                                << QStringLiteral("0");
    QTest::newRow("one step") << QByteArray("1") << QByteArray("ldi R30,0b00000000")
                              << QStringLiteral("0.7");
    QTest::newRow("100 steps") << QByteArray("100") << QByteArray("ldi R30,0b00000000")
                               << QStringLiteral("70");
    QTest::newRow("143 steps") << QByteArray("143") << QByteArray("ldi R30,0b00000000")
                               << QStringLiteral("100.1");
}

void TestLoadScan::pulseMode()
{
    QFETCH(QByteArray, steps);
    QFETCH(QByteArray, modeLine);
    QFETCH(QString, pulse);
    Layout layout;
    layout.pulseSteps.lines = {"ldi R23," + steps + "\t;steps"};
    layout.pulseMode.lines = {modeLine};
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.settings.secondPulse, pulse);
}

void TestLoadScan::pulseAngleUsesTheLocaleSeparator()
{
    const LocaleGuard guard{QLocale(QLocale::German, QLocale::Germany)};
    Layout layout;
    layout.pulseMode.lines = {"ldi R30,0b00000000"};
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.settings.secondPulse, QStringLiteral("39,9"));
    QCOMPARE(scan.grid.cell(Document::kAngleColumn, 2), QStringLiteral("16,5"));
}

void TestLoadScan::emptyPulseStepsIsNoInteger()
{
    Layout layout;
    layout.pulseSteps.lines = {"ldi R23,\t;none"};
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, QStringLiteral("'' is not a valid integer value"));
    QCOMPARE(scan.settings.calls, QStringList({"angle:20"}));
    QCOMPARE(scan.column(0, 0), oldColumn(0, 0));
}

void TestLoadScan::sparkOutput_data()
{
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<bool>("selected");
    QTest::newRow("PortC,0") << QByteArray("PortC,0") << 1 << 0 << true;
    QTest::newRow("PortD,6") << QByteArray("PortD,6") << 0 << 1 << true;
    QTest::newRow("PortB,1 from C") << QByteArray("PortB,1") << 0 << 0 << false;
    QTest::newRow("PortB,1 from D") << QByteArray("PortB,1") << 1 << 1 << false;
}

void TestLoadScan::sparkOutput()
{
    QFETCH(QByteArray, port);
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(bool, selected);
    Layout layout;
    layout.spark.lines = {sparkLine(port)};
    Scan scan;
    scan.settings.sparkOutput = before;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.settings.sparkOutput, after);
    QCOMPARE(scan.settings.calls.contains(QStringLiteral("spark:%1").arg(after)), selected);
}

void TestLoadScan::sparkMarkerFromPosition3700()
{
    // A marker at 3699 is not seen; the first one from 3700 on decides.
    Layout layout;
    layout.spark = Block{3699, kSparkMarkerOffset, {sparkLine("PortD,6")}};
    layout.extra << Block{3700 + 200, kSparkMarkerOffset, {sparkLine("PortC,0")}}
                 << Block{3700 + 400, kSparkMarkerOffset, {sparkLine("PortD,6")}};
    Scan scan;
    scan.settings.sparkOutput = DocumentSettings::kPortD6;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.settings.sparkOutput, DocumentSettings::kPortC0);

    layout.spark.at = 3700;
    Scan first;
    first.settings.sparkOutput = DocumentSettings::kPortC0;
    first.run(build(layout));
    QCOMPARE(first.result, kCompleted);
    QCOMPARE(first.settings.sparkOutput, DocumentSettings::kPortD6);
}

void TestLoadScan::compareConstantConversions()
{
    // File order: rows 32, 31, ... 2; a 32nd line is not read and row 1 is always 460.
    QList<QByteArray> constants = {"249", "240", "230", "200", "100", "50",
                                   "0",   "300", "999", "012", "1",   "254"};
    while (constants.size() < 31)
        constants << "128";
    constants << "7";
    Layout layout;
    layout.compare.lines = compareLines(constants);
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QStringList expected = {"19530", "7810",  "4690", "2130", "760", "570",
                            "460",   "-2600", "-160", "480",  "460", "117190"};
    while (expected.size() < 31)
        expected << "920";
    expected << "460";
    std::reverse(expected.begin(), expected.end());
    QCOMPARE(scan.column(0), expected);
}

void TestLoadScan::firstCompareLineFrom7100FillsRow32()
{
    QList<QByteArray> constants = defaultConstants();
    constants.prepend("100"); // at 7099: before the search starts
    Layout layout;
    layout.compare = Block{7099, 1, compareLines(constants)};
    const QByteArray bytes = build(layout);
    QCOMPARE(bytes.indexOf("cpi R21,"), 7099);
    Scan scan;
    scan.run(bytes);
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.column(0), QStringList({"460"}) + kDefaultRpm);

    layout.compare = Block{7100, 1, compareLines(constants)};
    Scan at7100;
    at7100.run(build(layout));
    QCOMPARE(at7100.result, kCompleted);
    // Now "100" is row 32 and the default constants move one row down; 0 is not read.
    QCOMPARE(at7100.column(0), QStringList({"460"}) + kDefaultRpm.mid(1) + QStringList{"760"});
}

void TestLoadScan::compareConstant255DividesByZero()
{
    QList<QByteArray> constants = defaultConstants();
    constants[12] = "255"; // row 20
    Layout layout;
    layout.compare.lines = compareLines(constants);
    Scan scan;
    scan.grid.calibration.trimmerActive = false;
    scan.run(build(layout));
    QCOMPARE(scan.result, QStringLiteral("Floating point division by zero"));
    // Rows 32..21 converted, row 20 and below still raw, row 1 untouched, nothing after read.
    QCOMPARE(scan.column(0, 21, 32), kDefaultRpm.mid(19));
    QCOMPARE(scan.grid.cell(0, 20), QStringLiteral("255"));
    QCOMPARE(scan.grid.cell(0, 19), QStringLiteral("136"));
    QCOMPARE(scan.grid.cell(0, 2), QStringLiteral("0"));
    QCOMPARE(scan.grid.cell(0, 1), old(0, 1));
    QVERIFY(!scan.grid.calibration.trimmerActive);
    QCOMPARE(scan.column(1, 0), oldColumn(1, 0));
}

void TestLoadScan::emptyCompareConstantIsNoNumber()
{
    QList<QByteArray> constants = defaultConstants();
    Layout layout;
    layout.compare.lines = compareLines(constants);
    layout.compare.lines[22] = "\tcpi R21,\t;none"; // row 10
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, QStringLiteral("'' is not a valid floating point value"));
    QCOMPARE(scan.column(0, 11, 32), kDefaultRpm.mid(9));
    QCOMPARE(scan.grid.cell(0, 10), QString());
    QCOMPARE(scan.grid.cell(0, 9), QStringLiteral("56"));
    QCOMPARE(scan.grid.cell(0, 1), old(0, 1));
}

void TestLoadScan::searchesContinueAfterTheValueField()
{
    // A marker that starts inside the value field of the match before it is not seen: the
    // search goes on three characters after the field's start (12 after the match). The value
    // lines of a table are searched from the character after the label's start.
    QList<QByteArray> lines = compareLines(defaultConstants());
    lines[0] = "\tcpi R21, 1;cpi R21, 200"; // row 32: 1; the second marker is skipped
    lines[30] = "\tcpi R21, 5;sbi ADCSRA,"; // row 2: 5; the enable marker is skipped
    Layout layout;
    layout.compare.lines = lines;
    layout.afterCompare = {";sbi ADCSRA,ADEN"};
    QList<QByteArray> section = tableSection(defaultCodes());
    section[0] = "FuozTable1:ldi R16, 9;ldi R16, 8"; // row 1: 9, then row 2 from the next line
    section.removeAt(1);
    layout.tables.lines = section;
    Scan scan;
    scan.grid.calibration.trimmerActive = true;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.grid.cell(0, 32), QStringLiteral("460"));
    QCOMPARE(scan.grid.cell(0, 2), QStringLiteral("470"));
    QCOMPARE(scan.column(0, 3, 31), kDefaultRpm.mid(1, 29));
    QVERIFY(!scan.grid.calibration.trimmerActive);
    QCOMPARE(scan.column(1), QStringList({"9"}) + texts(defaultCodes()[0].mid(1)));
    QCOMPARE(scan.column(2), texts(defaultCodes()[1]));
}

void TestLoadScan::trimmer_data()
{
    QTest::addColumn<QList<QByteArray>>("compareBlock"); // inserted after the 10th compare line
    QTest::addColumn<QList<QByteArray>>("afterCompare");
    QTest::addColumn<bool>("active");
    QTest::newRow("commented") << QList<QByteArray>{} << QList<QByteArray>{";sbi ADCSRA,ADEN"}
                               << false;
    QTest::newRow("tab") << QList<QByteArray>{} << QList<QByteArray>{"\tsbi ADCSRA,ADEN"} << true;
    QTest::newRow("line start") << QList<QByteArray>{} << QList<QByteArray>{"sbi ADCSRA,ADEN"}
                                << true;
    QTest::newRow("semicolon and space")
        << QList<QByteArray>{} << QList<QByteArray>{"; sbi ADCSRA,ADEN"} << true;
    QTest::newRow("first after the compare lines")
        << QList<QByteArray>{} << QList<QByteArray>{";sbi ADCSRA,ADEN", "\tsbi ADCSRA,ADEN"}
        << false;
    QTest::newRow("one among the compare lines is not seen")
        << QList<QByteArray>{"\tsbi ADCSRA,ADEN"} << QList<QByteArray>{";sbi ADCSRA,ADEN"} << false;
}

void TestLoadScan::trimmer()
{
    QFETCH(QList<QByteArray>, compareBlock);
    QFETCH(QList<QByteArray>, afterCompare);
    QFETCH(bool, active);
    Layout layout;
    for (qsizetype i = 0; i < compareBlock.size(); ++i)
        layout.compare.lines.insert(10 + i, compareBlock[i]);
    layout.afterCompare = afterCompare;
    Scan scan;
    scan.grid.calibration.trimmerActive = !active;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.grid.calibration.trimmerActive, active);
}

void TestLoadScan::missingMarkers_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("calls");
    QTest::newRow("spark output") << "spark"
                                  << "angle:20 pulse:auto";
    QTest::newRow("no compare line") << "compare 0"
                                     << "angle:20 pulse:auto spark:0";
    QTest::newRow("30 compare lines") << "compare 30"
                                      << "angle:20 pulse:auto spark:0";
    QTest::newRow("adc enable") << "adc"
                                << "angle:20 pulse:auto spark:0";
    QTest::newRow("no table label") << "labels 0"
                                    << "angle:20 pulse:auto spark:0";
    QTest::newRow("two table labels") << "labels 2"
                                      << "angle:20 pulse:auto spark:0";
    QTest::newRow("31 values in table 3") << "table 3 short"
                                          << "angle:20 pulse:auto spark:0";
    QTest::newRow("31 values in table 1") << "table 1 short"
                                          << "angle:20 pulse:auto spark:0";
}

void TestLoadScan::missingMarkers()
{
    QFETCH(QString, missing);
    QFETCH(QString, calls);

    // The grid expected after the stop, column by column from row 0: old unless written.
    QList<QStringList> expected;
    for (int column = 0; column < Document::kColumns; ++column)
        expected << oldColumn(column, 0);
    const QStringList constants = texts(defaultConstants());
    const auto rawConstants = [&](int count) {
        for (int index = 0; index < count; ++index)
            expected[0][32 - index] = constants[index];
    };
    const auto converted = [&] { expected[0] = QStringList{old(0, 0), "460"} + kDefaultRpm; };
    const auto table = [&](int column, QChar digit, const QList<QByteArray> &codes) {
        expected[column][0] = QStringLiteral(u"таб.") + digit;
        for (qsizetype row = 1; row <= codes.size(); ++row)
            expected[column][row] = QString::fromLatin1(codes[row - 1]);
    };

    Layout layout;
    Codes codes = defaultCodes();
    bool trimmerRead = true;
    if (missing == "spark") {
        layout.spark.lines.clear();
        trimmerRead = false;
    } else if (missing == "compare 0") {
        layout.compare.lines.clear();
        trimmerRead = false;
    } else if (missing == "compare 30") {
        layout.compare.lines.removeLast();
        rawConstants(30);
        trimmerRead = false;
    } else if (missing == "adc") {
        layout.afterCompare.clear();
        converted();
        trimmerRead = false;
    } else if (missing == "labels 0") {
        layout.tables.lines = tableSection(codes, {});
        converted();
    } else if (missing == "labels 2") {
        layout.tables.lines = tableSection(codes, {"FuozTable1:", "FuozTable2:"});
        converted();
        table(1, '1', codes[0]);
        table(2, '2', codes[1]);
    } else if (missing == "table 3 short") {
        codes[2].removeLast();
        layout.tables.lines = tableSection(codes);
        converted();
        table(1, '1', codes[0]);
        table(2, '2', codes[1]);
        table(3, '3', codes[2]);
    } else if (missing == "table 1 short") {
        // Table 1 takes the first value of table 2 as its 32nd; the next label found is then
        // label 3, whose values fill column 2, and no label is left for column 3.
        codes[0].removeLast();
        layout.tables.lines = tableSection(codes);
        converted();
        table(1, '1', codes[0] + QList<QByteArray>{codes[1][0]});
        table(2, '3', codes[2]);
    }
    const QByteArray bytes = build(layout);
    QVERIFY(!bytes.isEmpty());
    Scan scan;
    scan.grid.calibration.trimmerActive = false;
    scan.run(bytes);
    QCOMPARE(scan.result, kMissing);
    QCOMPARE(scan.settings.calls.join(' '), calls);
    QCOMPARE(scan.grid.calibration.trimmerActive, trimmerRead);
    for (int column = 0; column < Document::kColumns; ++column)
        QCOMPARE(scan.column(column, 0), expected[column]);
}

void TestLoadScan::tableHeaders_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("headers");
    QTest::newRow("Russian") << 0
                             << QStringList{QStringLiteral(u"таб.7"), QStringLiteral(u"таб.2"),
                                            QStringLiteral(u"таб.3")};
    QTest::newRow("English") << 1 << QStringList{"Tab.7", "Tab.2", "Tab.3"};
}

void TestLoadScan::tableHeaders()
{
    QFETCH(int, language);
    QFETCH(QStringList, headers);
    Layout layout;
    layout.tables.lines =
        tableSection(defaultCodes(), {"FuozTable7:", "FuozTable2:", "FuozTable3:"});
    Scan scan;
    scan.state.Language = static_cast<unsigned char>(language);
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.column(1, 0, 0) + scan.column(2, 0, 0) + scan.column(3, 0, 0), headers);
    // The first label found fills column 1, whatever its digit.
    QCOMPARE(scan.column(1), texts(defaultCodes()[0]));
    QCOMPARE(scan.state.Language, language);
}

void TestLoadScan::anyTableMarkerCountsAsLabel()
{
    // A comment naming the marker before the first real label counts as the first label; the
    // real label 1 then lies before table 1's values and is passed over.
    Layout layout;
    layout.tables.lines.prepend(cp(u"; таблицы FuozTableЖ: углы"));
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.grid.headers[1], QStringLiteral(u"таб.Ж"));
    QCOMPARE(scan.grid.headers[2], QStringLiteral(u"таб.2"));
    QCOMPARE(scan.grid.headers[3], QStringLiteral(u"таб.3"));
    QCOMPARE(scan.column(1), texts(defaultCodes()[0]));
    QCOMPARE(scan.column(3), texts(defaultCodes()[2]));

    // The character after the marker may be the line break.
    layout.tables.lines[0] = "; FuozTable";
    Scan atLineEnd;
    atLineEnd.run(build(layout));
    QCOMPARE(atLineEnd.result, kCompleted);
    QCOMPARE(atLineEnd.grid.headers[1], QStringLiteral(u"таб.\r"));
}

void TestLoadScan::tableLabelFrom21000()
{
    // A label at 20999 and a value line between 21000 and the first label are not read.
    Layout layout;
    layout.tables.at = 21100;
    layout.extra << Block{20999, 0, {"FuozTable9:", valueLine("99")}};
    const QByteArray bytes = build(layout);
    QCOMPARE(bytes.indexOf("FuozTable"), 20999);
    Scan scan;
    scan.run(bytes);
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.grid.headers[1], QStringLiteral(u"таб.1"));
    QCOMPARE(scan.column(1), texts(defaultCodes()[0]));

    layout.extra = {Block{21000, 0, {"FuozTable9:"}}};
    layout.tables.at = 21050;
    Scan at21000;
    at21000.run(build(layout));
    QCOMPARE(at21000.result, kCompleted);
    QCOMPARE(at21000.grid.headers[1], QStringLiteral(u"таб.9"));
    // Label 9's first 32 values are table 1's; label 1 sits in between unread.
    QCOMPARE(at21000.column(1), texts(defaultCodes()[0]));
}

void TestLoadScan::tableValuesAreTheFirst32AfterTheLabel()
{
    // Table 1 with other lines between its values and a 33rd value before label 2.
    Codes codes = defaultCodes();
    QList<QByteArray> section = {"FuozTable1:", "\t; first point, 460 rpm"};
    for (int row = 1; row <= 32; ++row) {
        section << valueLine(codes[0][row - 1]) << "\tst X+, R16";
        if (row % 8 == 0)
            section << ""
                    << "; ldi R17, 5"
                    << "\tnop";
    }
    section << valueLine("77"); // a 33rd value line
    section << "FuozTable2:" << tableEntries(codes[1]) << "FuozTable3:" << tableEntries(codes[2]);
    Layout layout;
    layout.tables.lines = section;
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.grid.cell(1, 1), QStringLiteral("0"));
    QCOMPARE(scan.grid.cell(1, 32), QStringLiteral("155"));
    QCOMPARE(scan.column(1), texts(codes[0]));
    QCOMPARE(scan.column(2), texts(codes[1]));
    QCOMPARE(scan.column(3), texts(codes[2]));
}

void TestLoadScan::rawCodeTextIsKept()
{
    Codes codes = defaultCodes();
    codes[0][0] = "012";
    codes[0][1] = "7";
    codes[1][5] = "007";
    Layout layout;
    layout.tables.lines = tableSection(codes);
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.grid.cell(1, 1), QStringLiteral("012"));
    QCOMPARE(scan.grid.cell(1, 2), QStringLiteral("7"));
    QCOMPARE(scan.grid.cell(2, 6), QStringLiteral("007"));
    QCOMPARE(scan.grid.cell(4, 1), QStringLiteral("11.6"));
    QCOMPARE(scan.grid.cell(4, 2), QStringLiteral("15.1"));
}

void TestLoadScan::emptyCodeInTheActiveTableStops()
{
    Codes codes = defaultCodes();
    codes[0][4] = ""; // row 5
    Layout layout;
    layout.tables.lines = tableSection(codes);
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kMissing);
    QCOMPARE(scan.grid.cell(1, 5), QString());
    QCOMPARE(scan.column(3), texts(codes[2]));
    QCOMPARE(scan.column(4, 1, 4), defaultTable1Angles().mid(0, 4));
    QCOMPARE(scan.column(4, 5), oldColumn(4, 5));
}

void TestLoadScan::emptyCodeInAnotherTableIsKept()
{
    Codes codes = defaultCodes();
    codes[2][6] = "";
    Layout layout;
    layout.tables.lines = tableSection(codes);
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.grid.cell(3, 7), QString());
    QCOMPARE(scan.column(4), defaultTable1Angles());
}

void TestLoadScan::activeTableTwo()
{
    Scan scan;
    scan.settings.activeTable = QStringLiteral("2");
    scan.state.Language = 1;
    scan.run(build(Layout()));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.column(1, 0, 0) + scan.column(2, 0, 0) + scan.column(3, 0, 0),
             QStringList({"Tab.1", "Tab.2", "Tab.3"}));
    // Table 2: 255 - 2 * (row - 1), so 20 + 1.4 * (row - 1).
    QStringList angles;
    for (int row = 1; row <= 32; ++row)
        angles << tenthsText(200 + 14 * (row - 1));
    QCOMPARE(scan.column(4), angles);
}

void TestLoadScan::angleColumnCodes_data()
{
    QTest::addColumn<QByteArray>("sensor");
    QTest::addColumn<QList<QByteArray>>("rowCodes");
    QTest::addColumn<QStringList>("angles");
    QTest::newRow("S=20") << QByteArray("20")
                          << QList<QByteArray>{"180", "57",  "200", "0",   "179",
                                               "181", "255", "1",   "254", "10"}
                          << QStringList{"-",    "-19.9", "58.5", "20",   "-105.3",
                                         "71.8", "20",    "19.3", "20.7", "13"};
    // The sensor angle is the one just read from the file.
    QTest::newRow("S=30") << QByteArray("30") << QList<QByteArray>{"200", "043"}
                          << QStringList{"68.5", "-0.1"};
}

void TestLoadScan::angleColumnCodes()
{
    QFETCH(QByteArray, sensor);
    QFETCH(QList<QByteArray>, rowCodes);
    QFETCH(QStringList, angles);
    Codes codes = defaultCodes();
    for (qsizetype i = 0; i < rowCodes.size(); ++i)
        codes[0][i] = rowCodes[i];
    Layout layout;
    layout.angle.lines = {cp(u";кварц4МГц угол ") + sensor};
    layout.tables.lines = tableSection(codes);
    Scan scan;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.column(4, 1, int(angles.size())), angles);
}

void TestLoadScan::activeTableTextThatIsNoNumber()
{
    for (const QString &text : {QString(), QStringLiteral("x")}) {
        Scan scan;
        scan.settings.activeTable = text;
        scan.run(build(Layout()));
        QCOMPARE(scan.result, QStringLiteral("'%1' is not a valid integer value").arg(text));
        QCOMPARE(scan.column(3), texts(defaultCodes()[2]));
        QCOMPARE(scan.column(4), oldColumn(4));
    }
}

void TestLoadScan::activeTableOutOfRangeWritesNoAngles()
{
    // The box's key filter admits only 1 to 3; any other number must not address another
    // column as codes.
    for (const QString &text : {QStringLiteral("0"), QStringLiteral("4"), QStringLiteral("-1")}) {
        Scan scan;
        scan.settings.activeTable = text;
        scan.run(build(Layout()));
        QCOMPARE(scan.result, kMissing);
        QCOMPARE(scan.column(4), oldColumn(4));
    }
}

void TestLoadScan::sampleSource()
{
    QFile file(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QByteArray bytes = file.readAll();
    // Read and written back unchanged.
    QCOMPARE(SourceText::fromFileBytes(bytes).toFileBytes(), bytes);

    Scan scan;
    scan.grid.calibration.trimmerActive = true;
    scan.run(bytes);
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.settings.calls, QStringList({"angle:20", "pulse:auto", "spark:0"}));
    QVERIFY(!scan.grid.calibration.trimmerActive);
    const auto cells = [](const char *list) { return QString::fromLatin1(list).split(' '); };
    QCOMPARE(scan.column(0), cells("460 500 600 800 1000 1200 1500 1800 1990 2210 2490 2790 "
                                   "3000 3450 3780 4190 4690 5100 5330 5860 6510 6890 7320 "
                                   "7810 8370 9010 9770 10650 11720 13020 14650 19530"));
    QCOMPARE(scan.grid.headers[1], QStringLiteral(u"таб.1"));
    QCOMPARE(scan.grid.headers[2], QStringLiteral(u"таб.2"));
    QCOMPARE(scan.grid.headers[3], QStringLiteral(u"таб.3"));
    QCOMPARE(scan.column(1), cells("14 14 14 11 7 3 252 248 245 242 239 237 236 234 233 233 "
                                   "233 234 234 235 236 237 238 239 240 241 242 243 244 245 "
                                   "246 246"));
    QCOMPARE(scan.column(2), cells("17 17 16 14 11 8 5 2 0 253 251 249 248 247 246 245 245 "
                                   "245 246 246 247 247 248 248 249 249 250 250 251 251 252 "
                                   "252"));
    QCOMPARE(scan.column(3), cells("21 20 18 14 10 6 2 254 251 248 245 243 241 239 238 237 "
                                   "237 237 238 239 240 241 242 243 244 245 246 247 248 249 "
                                   "180 180"));
    QCOMPARE(scan.column(4), cells("10.2 10.2 10.2 12.3 15.1 17.9 22.1 24.9 27 29.1 31.2 32.6 "
                                   "33.3 34.7 35.4 35.4 35.4 34.7 34.7 34 33.3 32.6 31.9 31.2 "
                                   "30.5 29.8 29.1 28.4 27.7 27 26.3 26.3"));

    // Table 3 as the active one ends in two points without angle.
    Scan third;
    third.settings.activeTable = QStringLiteral("3");
    third.run(bytes);
    QCOMPARE(third.result, kCompleted);
    QCOMPARE(third.column(4, 29), QStringList({"24.9", "24.2", "-", "-"}));
}

void TestLoadScan::randomBytesNeverCrash()
{
    // Short texts of random bytes, some seeded with marker pieces; nothing is found in them
    // beyond the sensor angle.
    QRandomGenerator random(20260401);
    const QList<QByteArray> pieces = {cp(u"угол"), "ldi R23,", "\r\n", "\n", "\r", " 7", ";"};
    for (int i = 0; i < 2000; ++i) {
        QByteArray bytes;
        const int length = int(random.bounded(120));
        while (bytes.size() < length) {
            if (random.bounded(4) == 0)
                bytes += pieces[random.bounded(int(pieces.size()))];
            else
                bytes += char(random.bounded(256));
        }
        Scan scan;
        scan.run(bytes);
        QCOMPARE(scan.result, kMissing);
        QCOMPARE(scan.column(0, 0), oldColumn(0, 0));
    }
}

void TestLoadScan::mutatedSourcesNeverCrash()
{
    // Sources whose bytes are changed, dropped or added around the markers: the scan ends in
    // one of its outcomes and a completed scan leaves a full angle column.
    const QByteArray base = build(Layout());
    QList<qsizetype> hotSpots;
    for (const QByteArray &marker :
         {cp(u"угол"), QByteArray("ldi R23,"), QByteArray("ldi R30,"), cp(u";лог\"0\""),
          QByteArray("cpi R21,"), QByteArray("sbi ADCSRA,"), QByteArray("FuozTable"),
          QByteArray("ldi R16,")}) {
        for (qsizetype at = base.indexOf(marker); at >= 0; at = base.indexOf(marker, at + 1))
            hotSpots << at;
    }
    const QByteArray alphabet("0123456789 ;\t\r\n,-.R");
    const QRegularExpression errors(QStringLiteral(
        "^('[0-9]*' is not a valid (integer|floating point) value|Floating point division by "
        "zero)$"));
    QRandomGenerator random(7);
    int completed = 0;
    int missingData = 0;
    int conversionErrors = 0;
    for (int i = 0; i < 1500; ++i) {
        QByteArray bytes = base;
        const int edits = 1 + int(random.bounded(4));
        for (int edit = 0; edit < edits; ++edit) {
            const qsizetype spot = hotSpots[random.bounded(int(hotSpots.size()))];
            const qsizetype at =
                std::clamp<qsizetype>(spot + int(random.bounded(24)) - 4, 0, bytes.size() - 1);
            const char ch = random.bounded(2) == 0 ? alphabet[random.bounded(int(alphabet.size()))]
                                                   : char(random.bounded(256));
            switch (random.bounded(3)) {
            case 0:
                bytes[at] = ch;
                break;
            case 1:
                bytes.remove(at, 1 + int(random.bounded(12)));
                break;
            default:
                bytes.insert(at, ch);
                break;
            }
        }
        Scan scan;
        scan.run(bytes);
        if (scan.result == kCompleted) {
            ++completed;
            QCOMPARE(scan.grid.cell(0, 1), QStringLiteral("460"));
            for (int row = 1; row <= 32; ++row)
                QVERIFY(!scan.grid.cell(Document::kAngleColumn, row).isEmpty());
        } else if (scan.result == kMissing) {
            ++missingData;
        } else {
            QVERIFY2(errors.match(scan.result).hasMatch(), qPrintable(scan.result));
            ++conversionErrors;
        }
    }
    // The edits reach every kind of outcome.
    QVERIFY(completed > 0);
    QVERIFY(missingData > 0);
    QVERIFY(conversionErrors > 0);
}

QTEST_GUILESS_MAIN(TestLoadScan)
#include "scan_test.moc"

void TestLoadScan::assemblerFormsOfTheInstructions_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("read"); // the value shown, or empty: the scan stops at the line
    // Forms the assembler reads as the field does: they load as always.
    QTest::newRow("steps after a blank") << "steps" << QByteArray("ldi R23, 57") << "39.9";
    QTest::newRow("leading zero") << "value" << QByteArray("ldi R16, 011 ;old") << "011";
    QTest::newRow("compare with tab") << "compare" << QByteArray("cpi R21, 249\t") << "19530";
    // Other letter case and blanks, a label, a register with a leading zero: the assembler reads
    // the same instruction, and its decimal operand is the value.
    QTest::newRow("no blank after the comma") << "compare" << QByteArray("cpi R21,249") << "19530";
    QTest::newRow("two blanks") << "compare" << QByteArray("cpi R21,  249") << "19530";
    QTest::newRow("compare in capitals, tab")
        << "compare" << QByteArray("CPI\tr21 ,249 ;c") << "19530";
    QTest::newRow("LDI") << "value" << QByteArray("LDI R16, 7") << "7";
    QTest::newRow("r16") << "value" << QByteArray("ldi r16,7") << "7";
    QTest::newRow("tabs") << "value" << QByteArray("ldi\tR16,\t7\t;c") << "7";
    QTest::newRow("label, R016") << "value" << QByteArray("row1: Ldi R016 , 7") << "7";
    QTest::newRow("steps with two blanks") << "steps" << QByteArray("ldi R23,  57") << "39.9";
    QTest::newRow("steps in capitals") << "steps" << QByteArray("LDI r23,57") << "39.9";
    QTest::newRow("binary mode after a blank")
        << "mode" << QByteArray("ldi R30, 0b00000010") << "auto";
    QTest::newRow("mode in hex") << "mode" << QByteArray("ldi R30,0x02") << "auto";
    QTest::newRow("fixed mode in decimal") << "mode" << QByteArray("Ldi r30, 0") << "39.9";
    // Values the writer's form would not hold the same, or an instruction whose register may be
    // R16 under another name: the scan stops there and names the line.
    QTest::newRow("0x hex") << "value" << QByteArray("ldi R16, 0xFC") << "";
    QTest::newRow("$ hex") << "value" << QByteArray("ldi R16, $0B") << "";
    QTest::newRow("binary in capitals") << "value" << QByteArray("LDI R16, 0b111") << "";
    QTest::newRow("four digits") << "value" << QByteArray("ldi R16, 1100") << "";
    QTest::newRow("expression") << "value" << QByteArray("ldi R16, 11+1") << "";
    QTest::newRow("register by name") << "value" << QByteArray("ldi temp, 7") << "";
    QTest::newRow("compare register by name") << "compare" << QByteArray("cpi rpm, 7") << "";
    QTest::newRow("mode with other bits") << "mode" << QByteArray("ldi R30,0b11111101") << "";
}

void TestLoadScan::assemblerFormsOfTheInstructions()
{
    QFETCH(QString, item);
    QFETCH(QByteArray, line);
    QFETCH(QString, read);
    Layout layout;
    if (item == QStringLiteral("steps"))
        layout.pulseSteps.lines = {line};
    else if (item == QStringLiteral("mode"))
        layout.pulseMode.lines = {line};
    else if (item == QStringLiteral("compare"))
        layout.compare.lines[0] = line;
    else
        layout.tables.lines[1] = line; // row 1 of table 1
    if (item == QStringLiteral("steps"))
        layout.pulseMode.lines = {"ldi R30,0b00000000"};
    const QByteArray bytes = build(layout);
    QVERIFY(!bytes.isEmpty());
    Scan scan;
    scan.run(bytes);
    if (!read.isEmpty()) {
        QCOMPARE(scan.result, kCompleted);
        QCOMPARE(scan.line, QString());
        const QString shown = item == QStringLiteral("compare") ? scan.column(0, 32, 32).first()
                              : item == QStringLiteral("value") ? scan.column(1, 1, 1).first()
                                                                : scan.settings.secondPulse;
        QCOMPARE(shown, read);
        return;
    }
    QCOMPARE(scan.result, kMissing);
    const QList<QByteArray> lines = bytes.split('\n');
    const qsizetype index = lines.indexOf(line + '\r');
    QVERIFY(index >= 0);
    QCOMPARE(scan.line,
             QString::number(index + 1) + QStringLiteral(": ") + QString::fromLatin1(line));
    // Nothing of the tables is written once the scan stopped before them.
    QCOMPARE(scan.column(3), oldColumn(3));
}

void TestLoadScan::commentedOutInstructionsArePassedOver()
{
    // A commented-out copy before each live line: the live ones are read.
    Layout layout;
    layout.pulseSteps.lines = {";ldi R23,99", "ldi R23,57\t;steps"};
    layout.pulseMode.lines = {"; ldi R30,0b00000000", "ldi R30,0b00000010\t;auto"};
    layout.spark.lines = {";\tcbi PortD,6\t\t" + cp(u";лог\"0\"на выход \"искра\""),
                          sparkLine("PortC,0")};
    layout.compare.lines.prepend("\t;cpi R21, 248");
    layout.tables.lines.insert(1, "\t;ldi R16, 12 ;old");
    Scan scan;
    scan.settings.sparkOutput = DocumentSettings::kPortD6;
    scan.run(build(layout));
    QCOMPARE(scan.result, kCompleted);
    QCOMPARE(scan.settings.calls,
             QStringList({"angle:20", "pulse:auto",
                          QStringLiteral("spark:%1").arg(DocumentSettings::kPortC0)}));
    QCOMPARE(scan.column(0, 2), kDefaultRpm);
    QCOMPARE(scan.column(1), texts(defaultCodes()[0]));
}
