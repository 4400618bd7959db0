// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "fuzzchecks.h"

#include "chart/chartseries.h"
#include "domain/numbers.h"
#include "format/sourcetext.h"
#include "session/document.h"
#include "session/loadscan.h"
#include "session/savetable.h"
#include "session/sourcesave.h"
#include "session/writer.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <algorithm>
#include <array>

namespace {

// The lines of the bytes as a reader must see them: split at LF, one CR before the LF dropped.
// Views into the bytes.
QList<QByteArrayView> expectedWholeLines(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype begin = 0;
    while (begin < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', begin);
        if (end < 0)
            end = bytes.size();
        qsizetype lineEnd = end;
        if (end < bytes.size() && lineEnd > begin && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        lines.append(bytes.sliced(begin, lineEnd - begin));
        begin = end + 1;
    }
    return lines;
}

// The line of the bytes that starts at `begin`, with its own line break ("\r\n", "\n", or none
// for a last line), as a view into the bytes.
QByteArrayView lineFrom(QByteArrayView bytes, qsizetype begin)
{
    const qsizetype end = bytes.indexOf('\n', begin);
    return bytes.sliced(begin, (end < 0 ? bytes.size() : end + 1) - begin);
}

qsizetype lineCountOf(QByteArrayView bytes)
{
    return bytes.count('\n') + (!bytes.isEmpty() && !bytes.endsWith('\n') ? 1 : 0);
}

QByteArrayView withoutBreak(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(line.endsWith("\r\n") ? 2 : 1);
    return line;
}

// What a save may change of a file: the text of the lines it rewrites, and their breaks only
// along with their text. Every other line keeps its bytes, and no comment line becomes code.
QString checkSavedLines(QByteArrayView before, QByteArrayView after)
{
    const qsizetype lineCount = lineCountOf(before);
    if (lineCountOf(after) != lineCount)
        return QStringLiteral("the saved file has %1 lines, not %2")
            .arg(lineCountOf(after))
            .arg(lineCount);
    qsizetype oldAt = 0;
    qsizetype newAt = 0;
    for (qsizetype i = 0; i < lineCount; ++i) {
        const QByteArrayView old = lineFrom(before, oldAt);
        const QByteArrayView now = lineFrom(after, newAt);
        oldAt += old.size();
        newAt += now.size();
        if (old == now)
            continue;
        if (withoutBreak(old) == withoutBreak(now))
            return QStringLiteral("line %1 kept its text but not its line break").arg(i + 1);
        if (old.startsWith(';') && !now.startsWith(';'))
            return QStringLiteral("the comment line %1 became code").arg(i + 1);
    }
    return {};
}

// Whether the shown line is the whole line without its CRs, cut to the shown length.
bool isShownLineOf(QByteArrayView shown, QByteArrayView whole)
{
    if (whole.size() <= SourceText::kShownLineLength && !whole.contains('\r'))
        return shown == whole;
    qsizetype length = 0;
    for (const char ch : whole) {
        if (ch == '\r')
            continue;
        if (length == SourceText::kShownLineLength)
            break;
        if (length == shown.size() || shown[length] != ch)
            return false;
        ++length;
    }
    return length == shown.size();
}

QString checkLines(QByteArrayView bytes, const SourceText &source)
{
    const QList<QByteArrayView> expected = expectedWholeLines(bytes);
    const qsizetype lineCount = expected.size();
    if (source.lineCount() != lineCount)
        return QStringLiteral("line count %1, expected %2").arg(source.lineCount()).arg(lineCount);
    const QByteArrayView text(source.text());
    qsizetype position = 0;
    for (qsizetype i = 0; i < lineCount; ++i) {
        if (source.lineStart(i) != position || source.lineIndexAt(position) != i)
            return QStringLiteral("line %1 does not start at position %2").arg(i).arg(position);
        const qsizetype next = i + 1 < lineCount ? source.lineStart(i + 1) : text.size();
        if (next < position + 2 || next > text.size() || text[next - 2] != '\r' ||
            text[next - 1] != '\n')
            return QStringLiteral("line %1 is not followed by CR LF").arg(i);
        const QByteArrayView shown = text.sliced(position, next - 2 - position);
        if (source.wholeLineView(i) != expected[i])
            return QStringLiteral("whole line %1 differs from the file").arg(i);
        if (!isShownLineOf(shown, expected[i]) || source.lineView(i) != shown)
            return QStringLiteral("shown line %1 differs from the file").arg(i);
        position = next;
    }
    if (position != source.size())
        return QStringLiteral("text size %1, lines give %2").arg(source.size()).arg(position);

    // Its own file bytes read back to the same lines.
    const SourceText again = SourceText::fromFileBytes(source.toFileBytes());
    if (again.text() != source.text() || again.lineCount() != source.lineCount())
        return QStringLiteral("the text's file bytes read back to another text");
    for (qsizetype i = 0; i < lineCount; ++i) {
        if (again.wholeLineView(i) != source.wholeLineView(i))
            return QStringLiteral("line %1 reads back changed").arg(i);
    }
    return {};
}

// Texts the header's indices pick from: plain values and texts a user could type or a source
// could hold that are no number, or no number the file can take.
const std::array kSensorAngleTexts = {
    QStringLiteral("20"),
    QStringLiteral("0"),
    QStringLiteral("35"),
    QStringLiteral("-10"),
    QStringLiteral("127"),
    QStringLiteral("x"),
    QString(),
    QStringLiteral("999"),
    QStringLiteral("2147483648"),
    QStringLiteral(" 5"),
    QStringLiteral("12a"),
    QStringLiteral("+7"),
    QStringLiteral(u"°"),
    QStringLiteral("007"),
    QStringLiteral("2\n0"),
};
const std::array kSecondPulseTexts = {
    QStringLiteral("auto"),  QStringLiteral("20"),
    QStringLiteral("39.9"),  QStringLiteral("0"),
    QStringLiteral("-3"),    QStringLiteral("1e30"),
    QStringLiteral("abc"),   QString(),
    QStringLiteral("Auto"),  QStringLiteral("0.35"),
    QStringLiteral("1.05"),  QStringLiteral("100000"),
    QStringLiteral("700.7"), QStringLiteral("-1e300"),
    QStringLiteral("178.5"),
};
const std::array kOddCellTexts = {
    QString(),
    QStringLiteral("x"),
    QStringLiteral("012"),
    QStringLiteral("-"),
    QStringLiteral(" 7"),
    QStringLiteral("+5"),
    QStringLiteral("-3"),
    QStringLiteral("256"),
    QStringLiteral("99999999999"),
    QStringLiteral("1e3"),
    QStringLiteral("1.5"),
    QStringLiteral("0"),
    QStringLiteral("180"),
    QStringLiteral("255"),
    QStringLiteral("2147483647"),
    QStringLiteral("-2147483648"),
    QStringLiteral("\t1"),
    QStringLiteral(u"٣"),
    QStringLiteral("1\r\n2"),
};

template <typename Texts> const QString &pick(const Texts &texts, unsigned char index)
{
    return texts[index % texts.size()];
}

QString cellText(int column, unsigned char value)
{
    switch (column) {
    case Document::kRpmColumn:
        return QString::number(400 + 80 * int(value));
    case Document::kAngleColumn:
        if (value == 255)
            return QStringLiteral("-");
        return floatToStr(20 + (int(value) - 180) * kAngleStep);
    default:
        return QString::number(value);
    }
}

struct SaveInput
{
    unsigned char flags = 0;
    unsigned char sensorAngle = 0;
    unsigned char secondPulse = 0;
    QByteArrayView edits;
    QByteArrayView source;

    QString activeTable() const { return QString::number((flags & 3) == 3 ? 1 : (flags & 3) + 1); }
    bool saveToTableFirst() const { return flags & 4; }
    int sparkOutput() const { return (flags >> 3) & 1; }
    bool replaceSensorAngle() const { return flags & 16; }
    bool replaceSecondPulse() const { return flags & 32; }
};

std::optional<SaveInput> parseSaveInput(QByteArrayView input)
{
    if (input.size() < kSaveHeaderSize)
        return std::nullopt;
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(input[i]); };
    SaveInput parsed;
    parsed.flags = byte(0);
    parsed.sensorAngle = byte(1);
    parsed.secondPulse = byte(2);
    const qsizetype editBytes = 3 * (byte(3) % 16);
    if (input.size() < kSaveHeaderSize + editBytes)
        return std::nullopt;
    parsed.edits = input.sliced(kSaveHeaderSize, editBytes);
    parsed.source = input.sliced(kSaveHeaderSize + editBytes);
    return parsed;
}

void applyEdits(const SaveInput &input, Document &document)
{
    DocumentSettings &settings = document.settings;
    if (input.replaceSensorAngle())
        settings.sensorAngle = pick(kSensorAngleTexts, input.sensorAngle);
    if (input.replaceSecondPulse())
        settings.secondPulse = pick(kSecondPulseTexts, input.secondPulse);
    settings.sparkOutput = input.sparkOutput();
    for (qsizetype i = 0; i + 2 < input.edits.size(); i += 3) {
        const auto columnByte = static_cast<unsigned char>(input.edits[i]);
        const int column = (columnByte & 7) % Document::kColumns;
        const int row = Document::kFirstPoint +
                        static_cast<unsigned char>(input.edits[i + 1]) % Document::kLastPoint;
        const auto value = static_cast<unsigned char>(input.edits[i + 2]);
        document.cell(column, row) =
            (columnByte & 8) ? pick(kOddCellTexts, value) : cellText(column, value);
    }
}

QString expectedSecondPulse(const QString &text)
{
    if (text == QStringLiteral("auto"))
        return text;
    const long double steps =
        roundHalfEven(static_cast<long double>(strToFloat(text)) / kAngleStep);
    return floatToStr(steps * kAngleStep);
}

// Loads the saved bytes and compares what the load reads with what was saved.
QString checkReload(const SourceText &written, const Document &grid)
{
    const DocumentSettings &saved = grid.settings;
    Document readGrid;
    readGrid.text = written;
    // Values the load cannot produce, so that a setting it leaves alone shows.
    DocumentSettings &read = readGrid.settings;
    read.activeTable = saved.activeTable;
    read.sensorAngle = QStringLiteral("<none>");
    read.secondPulse = QStringLiteral("<none>");
    read.sparkOutput = -1;
    try {
        if (!scanSource(readGrid, 0).completed())
            return QStringLiteral("the saved file does not load: missing data");
    } catch (const ConversionError &error) {
        return QStringLiteral("the saved file does not load: ") + error.message();
    }
    if (read.sensorAngle != saved.sensorAngle)
        return QStringLiteral("sensor angle reads back as '%1', saved '%2'")
            .arg(read.sensorAngle, saved.sensorAngle);
    const QString pulse = expectedSecondPulse(saved.secondPulse);
    if (read.secondPulse != pulse)
        return QStringLiteral("second pulse reads back as '%1', expected '%2'")
            .arg(read.secondPulse, pulse);
    if (read.sparkOutput != saved.sparkOutput)
        return QStringLiteral("spark output reads back as %1, saved %2")
            .arg(read.sparkOutput)
            .arg(saved.sparkOutput);
    for (int row = Document::kFirstPoint + 1; row <= Document::kLastPoint; ++row) {
        const int rpm = strToInt(grid.cell(Document::kRpmColumn, row));
        const auto expected =
            static_cast<long long>(rpmOfCompareConstant(compareConstantForRpm(rpm)));
        if (readGrid.cell(Document::kRpmColumn, row) != QString::number(expected))
            return QStringLiteral("RPM of row %1 reads back as '%2', expected %3")
                .arg(row)
                .arg(readGrid.cell(Document::kRpmColumn, row))
                .arg(expected);
    }
    for (int table = 1; table <= 3; ++table) {
        for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
            if (readGrid.cell(table, row) != grid.cell(table, row))
                return QStringLiteral("code of table %1 row %2 reads back as '%3', "
                                      "saved '%4'")
                    .arg(table)
                    .arg(row)
                    .arg(readGrid.cell(table, row), grid.cell(table, row));
        }
    }
    return {};
}

} // namespace

QString checkLoad(QByteArrayView bytes)
{
    const SourceText source = SourceText::fromFileBytes(bytes);
    if (QString failure = checkLines(bytes, source); !failure.isEmpty())
        return failure;

    Document grid;
    grid.text = source;
    grid.settings.activeTable = QString::number(1 + bytes.size() % 3);
    try {
        if (!scanSource(grid, 0).completed())
            return {};
    } catch (const ConversionError &) {
        return {};
    }
    for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
        if (grid.cell(Document::kRpmColumn, row).isEmpty() ||
            grid.cell(Document::kAngleColumn, row).isEmpty())
            return QStringLiteral("a completed load left row %1 empty").arg(row);
    }

    return {};
}

SaveScratchFile::SaveScratchFile()
    : m_dir(QDir::tempPath() + QStringLiteral("/cdi-fuzz-XXXXXX")),
      m_path(m_dir.filePath(QStringLiteral("CDI.asm")))
{}

std::optional<QByteArray> SaveScratchFile::read() const
{
    QFile file(m_path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return file.readAll();
}

QString checkSave(QByteArrayView input, SaveScratchFile &file)
{
    const auto parsed = parseSaveInput(input);
    if (!parsed)
        return {};

    Document grid;
    grid.FirmwarePath = file.path();
    // Split from a byte array, as the window's load does: a text in the shown form shares it.
    grid.text = SourceText::fromFileBytes(parsed->source.toByteArray());
    grid.settings.activeTable = parsed->activeTable();
    try {
        // Only a completed load may be saved.
        if (!scanSource(grid, 0).completed())
            return {};
    } catch (const ConversionError &) {
        return {};
    }
    grid.loaded = true;
    applyEdits(*parsed, grid);
    const SourceText &source = grid.text;

    const qsizetype lineCount = source.lineCount();
    const QByteArray textBefore = source.text();
    // True while a stop must leave the text as it was: during "Save to table".
    bool textMustStay = false;
    bool completed = false;
    try {
        std::optional<MessageId> stop;
        if (parsed->saveToTableFirst()) {
            ChartSeries series;
            textMustStay = true;
            stop = saveToTable(grid, series);
        }
        if (!stop) {
            textMustStay = false;
            completed = !saveSource(grid, file.path());
        }
    } catch (const ConversionError &) {
        completed = false;
    }

    if (source.lineCount() != lineCount)
        return QStringLiteral("the save changed the line count from %1 to %2")
            .arg(lineCount)
            .arg(source.lineCount());
    if (textMustStay && source.text() != textBefore)
        return QStringLiteral("a stop in \"Save to table\" changed the text");
    const std::optional<QByteArray> onDisk = file.read();
    if (!completed) {
        if (onDisk != file.expected())
            return QStringLiteral("a save that stopped changed the file");
        return {};
    }

    const QByteArray written = source.toFileBytes();
    if (onDisk != written)
        return QStringLiteral("the file does not hold the saved text");
    if (QString failure = checkSavedLines(parsed->source, written); !failure.isEmpty())
        return failure;
    file.setExpected(written);
    // Split afresh, not shared with the written text.
    const SourceText reloaded = SourceText::fromFileBytes(QByteArrayView(written));
    if (reloaded.lineCount() != lineCount)
        return QStringLiteral("the saved file reads back with another line count");
    // The save's read-back check takes the written text for its bytes split afresh when it
    // splits to itself: then the two must be the same lines.
    if (source.splitsToItself()) {
        bool same = reloaded.splitsToItself() && reloaded.text() == source.text();
        for (qsizetype i = 0; same && i < lineCount; ++i)
            same = reloaded.lineStart(i) == source.lineStart(i);
        if (!same)
            return QStringLiteral("the written text and its bytes split afresh differ");
    }
    if (QString failure = checkReload(reloaded, grid); !failure.isEmpty())
        return failure;

    // Saving again with the same settings and cells changes nothing. (That the text passes the
    // save's read-back check, the save itself has just shown: the same text and cells.)
    Document again = grid;
    again.text = reloaded;
    try {
        if (rewriteSource(again))
            return QStringLiteral("the saved file does not save again");
    } catch (const ConversionError &error) {
        return QStringLiteral("the saved file does not save again: ") + error.message();
    }
    if (again.text.toFileBytes() != written)
        return QStringLiteral("saving again changes the text");
    return {};
}
