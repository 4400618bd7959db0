// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "firmware/writer.h"

#include "firmware/cp1251.h"
#include "firmware/instruction.h"
#include "firmware/loadscan.h"
#include "firmware/numbers.h"
#include "tables/anglecode.h"
#include "tables/gridmodel.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

int compareConstantForRpm(int rpm)
{
    Q_ASSERT(rpm >= kLowestRpm && rpm <= kHighestRpm);
    return int(roundHalfEven(255 - 117187.5L / rpm));
}

long double secondPulseSteps(const QString &pulseText)
{
    return roundHalfEven(static_cast<long double>(strToFloat(pulseText)) / kAngleStep);
}

namespace {

const QString kAuto = QStringLiteral("auto");

// Whether a line is the store instruction "st X+,R16", whatever its blanks, letter case and
// comment: the only line after a table value that the writer may replace by its own.
bool isStoreLine(const QByteArray &line)
{
    QByteArray code = line.left(line.indexOf(';') < 0 ? line.size() : line.indexOf(';'));
    code.removeIf([](char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; });
    return code.compare("stX+,R16", Qt::CaseInsensitive) == 0;
}

// A rounded value in plain decimal, however large.
QString wholeNumberText(long double value)
{
    if (std::fabs(value) < 9.0e18L)
        return QString::number(static_cast<qint64>(value));
    std::array<char, 512> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.0Lf", value);
    return QString::fromLatin1(buffer.data());
}

QString sparkPort(int item)
{
    if (item == SettingsTarget::kPortC0)
        return QStringLiteral("PortC,0");
    if (item == SettingsTarget::kPortD6)
        return QStringLiteral("PortD,6");
    return {};
}

// The lines the writer puts into the source.
namespace lines {

QByteArray include(const QString &sensorAngle)
{
    return toCp1251(QStringLiteral(".include \"m8def.inc\"\t;AT8-16, кварц4МГц, угол ") +
                    sensorAngle);
}

QByteArray pulseMode(bool automatic)
{
    return toCp1251(automatic ? QStringLiteral("ldi R30,0b00000010\t;РОН статуса")
                              : QStringLiteral("ldi R30,0b00000000\t;РОН статуса"));
}

QByteArray pulseSteps(long double steps)
{
    return toCp1251(QStringLiteral("ldi R23,") + wholeNumberText(steps) +
                    QStringLiteral("\t\t\t;длинна метки,х0.7°,сток 128=90°"));
}

QByteArray spark(const char *instruction, const QString &port, const QByteArray &marker)
{
    return instruction + toCp1251(port) + "\t\t" + marker;
}

QByteArray compare(int constant)
{
    return toCp1251(QStringLiteral("cpi R21, ") + QString::number(constant) +
                    QStringLiteral("\t;сравнение РОН с контстантой"));
}

QByteArray tableValue(const QString &code)
{
    return toCp1251(QStringLiteral("ldi R16, ") + code + QStringLiteral("\t;множитель"));
}

QByteArray tableStore(long double angle)
{
    return toCp1251(QStringLiteral("st X+, R16\t;в ОЗУ, ") + floatToStr(angle) +
                    QStringLiteral("°"));
}

} // namespace lines

// Where a search goes on after a rewritten line: the start of the next line. For lines in the
// writer's own form this is the place the fixed offsets after a match reach as well; unlike them
// it never finds the marker just written again, nor jumps over the start of the next line.
qsizetype startOfLine(const SourceText &source, qsizetype index)
{
    return index < source.lineCount() ? source.lineStart(index) : source.size();
}

// The angle the table comments start from: the highest row of the angle column that holds one.
long double lastAngleOfColumn(const GridModel &grid)
{
    for (int row = GridModel::kLastPoint; row >= GridModel::kFirstPoint; --row) {
        const QString &text = grid.cell(GridModel::kAngleColumn, row);
        if (text != kNoAngleMark)
            return strToFloat(text);
    }
    return 0;
}

class Rewriter
{
public:
    Rewriter(SourceText &source, const SettingsTarget &settings, const GridModel &grid)
        : m_source(source), m_settings(settings), m_grid(grid),
          m_rewritten(std::size_t(source.lineCount()), false)
    {}

    // "<number>: <text>" of the line a MissingData stop is about, if any.
    const QString &stopLine() const { return m_stopLine; }

    std::optional<MessageId> run()
    {
        if (m_source.isEmpty())
            return MessageId::MissingData;
        // The assembler keeps only the low byte of a larger step count: a different pulse.
        const QString pulse = m_settings.secondPulseText();
        if (pulse != kAuto) {
            const long double steps = secondPulseSteps(pulse);
            if (steps < 0 || steps > kHighestPulseSteps)
                return MessageId::PulseOutOfRange;
        }
        if (!rewriteInclude() || !rewriteSecondPulse())
            return MessageId::MissingData;
        const QString port = sparkPort(m_settings.sparkOutputItem());
        if (port.isEmpty())
            return MessageId::MissingData;
        if (!rewriteSparkToZero(port))
            return MessageId::MissingData;
        const auto afterSecondSparkToOne = rewriteSparkToOne(port, layout::kSparkToOneFrom, 2);
        if (!afterSecondSparkToOne)
            return MessageId::MissingData;
        if (const auto stop = rewriteCompareLines())
            return stop;
        // The third line lies further on; it must not be one of the two already written.
        const qsizetype thirdFrom = std::max(layout::kSparkToOneThirdFrom, *afterSecondSparkToOne);
        if (!rewriteSparkToOne(port, thirdFrom, 1))
            return MessageId::MissingData;
        if (!rewriteTables())
            return MessageId::MissingData;
        return std::nullopt;
    }

private:
    // Replaces a line that no earlier step of this save has rewritten. The line after a table
    // value is replaced whatever it holds, so it can be a spark or compare line written before
    // when such a line stands among the table entries. Rewriting it again would silently undo
    // the first rewrite (the firmware would keep an old spark pin, which the read-back check
    // cannot see), so such a layout is refused.
    bool replaceOnce(qsizetype index, const QByteArray &line)
    {
        if (index < 0 || index >= m_source.lineCount() || m_rewritten[std::size_t(index)])
            return false;
        m_rewritten[std::size_t(index)] = true;
        m_source.replaceLine(index, line);
        return true;
    }

    // Replaces the line that holds pos; returns the start of the line after it, where a
    // search goes on, or nothing when the line was rewritten before.
    std::optional<qsizetype> replaceLineHolding(qsizetype pos, const QByteArray &line)
    {
        const qsizetype index = m_source.lineIndexAt(pos);
        if (!replaceOnce(index, line))
            return std::nullopt;
        return startOfLine(m_source, index + 1);
    }

    bool rewriteInclude()
    {
        const auto found = findOnCodeLine(m_source, markers::crystal(), 0);
        return found && replaceLineHolding(*found, lines::include(m_settings.sensorAngleText()));
    }

    bool rewriteSecondPulse()
    {
        const QString pulse = m_settings.secondPulseText();
        if (pulse == kAuto) {
            const auto mode = findInCode(m_source, markers::pulseMode(), layout::kPulseStepsFrom);
            return mode && replaceLineHolding(*mode, lines::pulseMode(true));
        }
        const long double steps = secondPulseSteps(pulse);
        const auto stepsAt = findInCode(m_source, markers::pulseSteps(), layout::kPulseStepsFrom);
        if (!stepsAt)
            return false;
        const auto next = replaceLineHolding(*stepsAt, lines::pulseSteps(steps));
        if (!next)
            return false;
        const auto mode = findInCode(m_source, markers::pulseMode(), *next);
        return mode && replaceLineHolding(*mode, lines::pulseMode(false));
    }

    bool rewriteSparkToZero(const QString &port)
    {
        const QByteArray marker = markers::sparkToZero();
        const auto found = findAfterCode(m_source, marker, layout::kSparkToZeroFrom);
        return found && replaceLineHolding(*found, lines::spark("cbi ", port, marker));
    }

    // Rewrites `count` spark-to-1 lines from `from` on; returns where the search would go on.
    std::optional<qsizetype> rewriteSparkToOne(const QString &port, qsizetype from, int count)
    {
        const QByteArray marker = markers::sparkToOne();
        for (int i = 0; i < count; ++i) {
            const auto found = findAfterCode(m_source, marker, from);
            if (!found)
                return std::nullopt;
            const auto next = replaceLineHolding(*found, lines::spark("sbi ", port, marker));
            if (!next)
                return std::nullopt;
            from = *next;
        }
        return from;
    }

    // The first compare line takes the breakpoint of row 32, the 31st that of row 2. Row 1, the
    // idle breakpoint, has no line.
    std::optional<MessageId> rewriteCompareLines()
    {
        qsizetype from = layout::kCompareFrom;
        for (int row = GridModel::kLastPoint; row > GridModel::kFirstPoint; --row) {
            const auto found = findInCode(m_source, markers::compareLine(), from);
            if (!found)
                return MessageId::MissingData;
            const int rpm = strToInt(m_grid.cell(GridModel::kRpmColumn, row));
            if (rpm < kLowestRpm)
                return MessageId::RpmTooLow;
            if (rpm > kHighestRpm)
                return MessageId::RpmTooHigh;
            const auto next =
                replaceLineHolding(*found, lines::compare(compareConstantForRpm(rpm)));
            if (!next)
                return MessageId::MissingData;
            from = *next;
        }
        return std::nullopt;
    }

    // Each table entry is its value line and the line right after it, which becomes the store
    // line with the entry's angle; code 180 repeats the angle written last.
    bool rewriteTables()
    {
        long double angle = lastAngleOfColumn(m_grid);
        qsizetype from = layout::kTablesFrom;
        for (int table = 1; table <= 3; ++table) {
            const QByteArray label = markers::tableLabel() + QByteArray::number(table) + ':';
            const auto labelAt = m_source.find(label, from);
            if (!labelAt)
                return false;
            from = *labelAt + markers::tableLabel().size();
            for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
                const auto found = findInCode(m_source, markers::tableValue(), from);
                if (!found)
                    return false;
                const QString &codeText = m_grid.cell(table, row);
                const int code = strToInt(codeText);
                if (code != kNoAngleCode)
                    angle = codeToAngle(code, sensorAngle());
                const qsizetype index = m_source.lineIndexAt(*found);
                if (index + 1 >= m_source.lineCount() || m_rewritten[std::size_t(index + 1)])
                    return false;
                if (!isStoreLine(m_source.wholeLine(index + 1))) {
                    m_stopLine = lineReference(m_source, m_source.lineStart(index + 1));
                    return false;
                }
                if (!replaceOnce(index, lines::tableValue(codeText)) ||
                    !replaceOnce(index + 1, lines::tableStore(angle)))
                    return false;
                from = startOfLine(m_source, index + 2);
            }
        }
        return true;
    }

    int sensorAngle()
    {
        if (!m_sensorAngle)
            m_sensorAngle = strToInt(m_settings.sensorAngleText());
        return *m_sensorAngle;
    }

    SourceText &m_source;
    const SettingsTarget &m_settings;
    const GridModel &m_grid;
    std::optional<int> m_sensorAngle;
    QString m_stopLine;
    std::vector<bool> m_rewritten; // by line index; the line count never changes
};

// What the load's scan reports, item by item; an item it never reaches stays unset.
class RecordingSettings final : public SettingsTarget
{
public:
    explicit RecordingSettings(QString activeTable) : m_activeTable(std::move(activeTable)) {}

    QString sensorAngleText() const override { return sensorAngle.value_or(QString()); }
    void setSensorAngleText(const QString &text) override { sensorAngle = text; }
    QString activeTableText() const override { return m_activeTable; }
    QString secondPulseText() const override { return secondPulse.value_or(QString()); }
    void selectSecondPulseAuto() override { secondPulse = kAuto; }
    void setSecondPulseText(const QString &text) override { secondPulse = text; }
    int sparkOutputItem() const override { return sparkOutput.value_or(-1); }
    void selectSparkOutput(int item) override { sparkOutput = item; }

    std::optional<QString> sensorAngle;
    std::optional<QString> secondPulse;
    std::optional<int> sparkOutput;

private:
    QString m_activeTable;
};

bool readBackMatches(const RecordingSettings &read, const GridModel &readGrid,
                     const SettingsTarget &settings, const GridModel &grid)
{
    if (read.sensorAngle != settings.sensorAngleText())
        return false;
    const QString pulse = settings.secondPulseText();
    const QString expectedPulse =
        pulse == kAuto ? kAuto : floatToStr(secondPulseSteps(pulse) * kAngleStep);
    if (read.secondPulse != expectedPulse)
        return false;
    if (read.sparkOutput != settings.sparkOutputItem())
        return false;
    for (int row = GridModel::kFirstPoint + 1; row <= GridModel::kLastPoint; ++row) {
        const int written = strToInt(grid.cell(GridModel::kRpmColumn, row));
        if (written < kLowestRpm || written > kHighestRpm)
            return false;
        const int constant = compareConstantForRpm(written);
        const auto rpm = static_cast<long long>(rpmOfCompareConstant(constant));
        if (readGrid.cell(GridModel::kRpmColumn, row) != QString::number(rpm))
            return false;
    }
    for (int table = 1; table <= 3; ++table) {
        for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
            if (readGrid.cell(table, row) != grid.cell(table, row))
                return false;
        }
    }
    return true;
}

std::optional<MessageId> verifyFileBytes(const QByteArray &fileBytes,
                                         const SettingsTarget &settings, const GridModel &grid)
{
    const SourceText reloaded = SourceText::fromFileBytes(fileBytes);
    RecordingSettings read(settings.activeTableText());
    GridModel readGrid;
    ProgramState state;
    try {
        if (!scanSource(reloaded, read, readGrid, state).completed())
            return MessageId::MissingData;
    } catch (const ConversionError &) {
        return MessageId::MissingData;
    }
    if (!readBackMatches(read, readGrid, settings, grid))
        return MessageId::MissingData;

    // The file must also take the next save: the writer's own searches find the same lines in
    // it again, so that saving it once more changes nothing. A rewrite that removed a marker
    // the writer needs (a table label on the line of a value) or put one where a later search
    // finds it would otherwise leave a file that cannot be saved again, or a firmware line that
    // no longer follows the settings.
    SourceText again = reloaded;
    try {
        if (Rewriter(again, settings, grid).run() || again.toFileBytes() != fileBytes)
            return MessageId::MissingData;
    } catch (const ConversionError &) {
        return MessageId::MissingData;
    }
    return std::nullopt;
}

} // namespace

std::optional<MessageId> rewriteSource(SourceText &source, const SettingsTarget &settings,
                                       const GridModel &grid, QString *stopLine)
{
    Rewriter rewriter(source, settings, grid);
    const auto stop = rewriter.run();
    if (stopLine)
        *stopLine = stop ? rewriter.stopLine() : QString();
    return stop;
}

std::optional<MessageId> verifyReadBack(const SourceText &source, const SettingsTarget &settings,
                                        const GridModel &grid)
{
    return verifyFileBytes(source.toFileBytes(), settings, grid);
}

std::optional<MessageId> saveSource(SourceText &source, const SettingsTarget &settings,
                                    const GridModel &grid, const QString &path,
                                    const ChunkWriter &writeChunk,
                                    const std::function<bool()> &confirmWrite, QString *stopLine)
{
    if (const auto stop = rewriteSource(source, settings, grid, stopLine))
        return stop;
    const QByteArray bytes = source.toFileBytes();
    if (const auto stop = verifyFileBytes(bytes, settings, grid))
        return stop;
    if (confirmWrite && !confirmWrite())
        return std::nullopt;
    writeSourceFile(path, bytes, writeChunk);
    return std::nullopt;
}
