// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/write.h"

#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "format/cp1251.h"
#include "format/editedtext.h"
#include "format/instruction.h"
#include "format/layout.h"
#include "format/scan.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>
#include <vector>

namespace {

// The lines the writer puts into the source.
// Whether a line is the store instruction "st X+,R16", whatever its blanks, letter case and
// comment: the only line after a table value that the writer may replace by its own.
bool isStoreLine(QByteArrayView line)
{
    static constexpr QByteArrayView store("stx+,r16");
    qsizetype matched = 0;
    for (const char ch : line) {
        if (ch == ';')
            break;
        if (ch == ' ' || ch == '\t' || ch == '\r')
            continue;
        const char lower = ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch;
        if (matched == store.size() || lower != store[matched])
            return false;
        ++matched;
    }
    return matched == store.size();
}

namespace lines {

QByteArray include(const QString &sensorAngle)
{
    return toCp1251(QStringLiteral(".include \"m8def.inc\"\t;AT8-16, кварц4МГц, угол ") +
                    sensorAngle);
}

QByteArray pulseMode(bool automatic)
{
    static const QByteArray autoLine = toCp1251(u"ldi R30,0b00000010\t;РОН статуса");
    static const QByteArray fixedLine = toCp1251(u"ldi R30,0b00000000\t;РОН статуса");
    return automatic ? autoLine : fixedLine;
}

// The line's parts in one buffer of the right size. Digits and other ASCII text are their own
// code page 1251 bytes, so they go in as they are.
struct Part
{
    Part(QByteArrayView b) : bytes(b) {}
    Part(QStringView t) : text(t) {}
    QByteArrayView bytes;
    QStringView text;
};

QByteArray joined(std::initializer_list<Part> parts)
{
    qsizetype size = 0;
    for (const Part &part : parts)
        size += part.bytes.size() + part.text.size();
    QByteArray line(size, Qt::Uninitialized);
    char *out = line.data();
    for (const Part &part : parts) {
        if (!part.bytes.isEmpty())
            out = std::copy(part.bytes.begin(), part.bytes.end(), out);
        for (const QChar ch : part.text)
            *out++ = ch.unicode() < 0x80 ? char(ch.unicode()) : toCp1251(QStringView(&ch, 1))[0];
    }
    return line;
}

struct Number
{
    explicit Number(qint64 value) : end(std::to_chars(digits, digits + sizeof digits, value).ptr) {}
    QByteArrayView view() const { return QByteArrayView(digits, end - digits); }
    char digits[24];
    char *end;
};

QByteArray pulseSteps(qint64 steps)
{
    static const QByteArray comment = toCp1251(u"\t\t\t;длинна метки,х0.7°,сток 128=90°");
    return joined({{"ldi R23,"}, {Number(steps).view()}, {comment}});
}

QByteArray spark(QByteArrayView instruction, SparkOutput port, QByteArrayView marker)
{
    return joined(
        {{instruction}, {port == SparkOutput::PortC0 ? "PortC,0" : "PortD,6"}, {"\t\t"}, {marker}});
}

QByteArray compare(int constant)
{
    static const QByteArray comment = toCp1251(u"\t;сравнение РОН с контстантой");
    return joined({{"cpi R21, "}, {Number(constant).view()}, {comment}});
}

QByteArray tableValue(const QString &code)
{
    static const QByteArray comment = toCp1251(u"\t;множитель");
    return joined({{"ldi R16, "}, {QStringView(code)}, {comment}});
}

QByteArray tableStore(long double angle)
{
    static const QByteArray head = toCp1251(u"st X+, R16\t;в ОЗУ, ");
    static const QByteArray degree = toCp1251(u"°");
    const QString angleText = floatToStr(angle);
    return joined({{head}, {QStringView(angleText)}, {degree}});
}

} // namespace lines

struct Stopped
{
    Stop stop;
    QString line = {};
};

class Writer
{
public:
    Writer(const SourceText &source, const Calibration &calibration, const WriteOptions &options)
        : m_text(source), m_doubts(source.doubts()), m_calibration(calibration), m_options(options)
    {}

    // Whether the write goes through and changes nothing, without building the text.
    bool keepsText()
    {
        try {
            writeAll();
        } catch (const Stopped &) {
            return false;
        } catch (const ConversionError &) {
            return false;
        }
        return m_text.keepsText();
    }

    WriteResult run()
    {
        std::optional<Stop> stop;
        QString stopLine;
        try {
            writeAll();
        } catch (const Stopped &stopped) {
            stop = stopped.stop;
            stopLine = stopped.line;
        } catch (const ConversionError &error) {
            stop = error;
        }
        return {m_text.result(), stop, stopLine};
    }

private:
    void writeAll()
    {
        if (m_text.size() == 0)
            missing();
        step(writestep::kInclude);
        const SecondPulse &pulse = m_calibration.secondPulse;
        if (pulse.automatic == false && (pulse.steps < 0 || pulse.steps > kHighestPulseSteps))
            throw Stopped{MessageId::PulseOutOfRange};
        replaceLineHolding(findOnCodeLine(markers::crystal, 0),
                           lines::include(m_calibration.sensorAngle.value_or(QString())));
        step(writestep::kSecondPulse);
        writeSecondPulse();
        step(writestep::kSparkToZero);
        if (!m_calibration.sparkOutput)
            missing();
        const SparkOutput port = *m_calibration.sparkOutput;
        replaceLineHolding(findAfterCode(markers::sparkToZero, layout::kSparkToZeroFrom),
                           lines::spark("cbi ", port, markers::sparkToZero));
        step(writestep::kSparkToOne);
        const qsizetype afterSecond = writeSparkToOne(port, layout::kSparkToOneFrom, 2);
        writeCompareLines();
        step(writestep::kSparkToOneThird);
        // The third line lies further on; it must not be one of the two already written.
        writeSparkToOne(port, std::max(layout::kSparkToOneThirdFrom, afterSecond), 1);
        writeTables();
    }

    [[noreturn]] static void missing() { throw Stopped{MessageId::MissingData}; }

    void step(int index)
    {
        if (m_options.stopBefore && m_options.stopBefore->step == index)
            throw Stopped{m_options.stopBefore->stop};
    }

    static qsizetype found(const std::optional<qsizetype> &pos)
    {
        if (!pos)
            missing();
        return *pos;
    }
    qsizetype find(QByteArrayView marker, qsizetype from)
    {
        return found(m_text.find(marker, from));
    }
    qsizetype findAfterCode(QByteArrayView marker, qsizetype from)
    {
        return found(::findAfterCode(m_text, marker, from));
    }
    qsizetype findOnCodeLine(QByteArrayView marker, qsizetype from)
    {
        return found(::findOnCodeLine(m_text, marker, from));
    }
    // The mnemonic's position of the next line that is the instruction, in any letter case and
    // blanks; stops at a line that may be it.
    qsizetype findInstruction(const instructions::Instruction &wanted, qsizetype from)
    {
        const auto instruction = ::findInstruction(m_text, wanted, from);
        if (!instruction)
            missing();
        if (!instruction->sure)
            throw Stopped{MessageId::MissingData, lineReference(m_text, instruction->pos)};
        return instruction->pos;
    }

    // Stops at the first of lines first to last that the assembler may read otherwise than the
    // searches, naming the line that makes it so: the lines between the values written.
    void requireSure(qsizetype first, qsizetype last) const
    {
        if (const auto cause = m_doubts.causeIn(first, last))
            throw Stopped{MessageId::MissingData, lineReference(m_text, m_text.lineStart(*cause))};
    }

    // Replaces a line that no earlier step of this write has rewritten: rewriting it again
    // would silently undo the first rewrite (a table's store line may fall on a spark line).
    // Nor is a line rewritten that the assembler may read otherwise (in a conditional block,
    // with code after a lone CR): the firmware would not get what it says, or lose that code.
    void replaceOnce(qsizetype index, QByteArray line)
    {
        if (index < 0 || index >= m_text.lineCount() || m_text.isReplaced(index))
            missing();
        requireSure(index, index);
        m_text.replaceLine(index, std::move(line));
    }

    // The line with the labels that stand before the instruction of line `index`: code may
    // jump to them.
    QByteArray withLabels(qsizetype index, QByteArray line) const
    {
        const QByteArrayView old = m_text.lineView(index);
        if (!instruction::startsWithLabel(old))
            return line;
        const qsizetype wordAt = statementOf(old).wordAt;
        if (wordAt > 0 && !instruction::isBlank(old.first(wordAt)))
            line.prepend(old.first(wordAt));
        return line;
    }

    // Returns the start of the line after it, where a search goes on. For lines in the writer's
    // own form this is where the fixed offsets after a match reach as well; unlike them it never
    // finds the marker just written again, nor jumps over the start of the next line.
    qsizetype replaceLineHolding(qsizetype pos, QByteArray line)
    {
        const qsizetype index = m_text.lineIndexAt(pos);
        replaceOnce(index, withLabels(index, std::move(line)));
        return startOfLine(index + 1);
    }

    qsizetype startOfLine(qsizetype index) const
    {
        return index < m_text.lineCount() ? m_text.lineStart(index) : m_text.size();
    }

    void writeSecondPulse()
    {
        const SecondPulse &pulse = m_calibration.secondPulse;
        if (!pulse.automatic)
            return; // a mode the tool does not know stays as the source has it
        if (*pulse.automatic) {
            replaceLineHolding(findInstruction(instructions::pulseMode, layout::kPulseStepsFrom),
                               lines::pulseMode(true));
            return;
        }
        const qsizetype next =
            replaceLineHolding(findInstruction(instructions::pulseSteps, layout::kPulseStepsFrom),
                               lines::pulseSteps(pulse.steps));
        replaceLineHolding(findInstruction(instructions::pulseMode, next), lines::pulseMode(false));
    }

    qsizetype writeSparkToOne(SparkOutput port, qsizetype from, int count)
    {
        for (int i = 0; i < count; ++i)
            from = replaceLineHolding(findAfterCode(markers::sparkToOne, from),
                                      lines::spark("sbi ", port, markers::sparkToOne));
        return from;
    }

    // The first compare line takes point 32, the 31st point 2; the idle point has none.
    void writeCompareLines()
    {
        qsizetype from = layout::kCompareFrom;
        qsizetype unchecked = -1;
        for (int point = kPointCount; point > 1; --point) {
            step(writestep::compareLine(point));
            const qsizetype found = findInstruction(instructions::compareLine, from);
            const qsizetype index = m_text.lineIndexAt(found);
            requireSure(unchecked < 0 ? index : unchecked, index);
            unchecked = index + 1;
            from = replaceLineHolding(found, lines::compare(m_calibration.compareConstant(point)));
        }
    }

    // Each entry is its value line and the line right after it, which becomes the store line
    // with the entry's angle; code 180 repeats the angle written last.
    void writeTables()
    {
        long double angle = m_options.firstCommentAngle;
        qsizetype from = layout::kTablesFrom;
        for (int table = 1; table <= kTableCount; ++table) {
            step(writestep::tableEntry(table, 1));
            const QByteArray label =
                markers::tableLabel.toByteArray() + QByteArray::number(table) + ':';
            from = find(label, from);
            qsizetype unchecked = m_text.lineIndexAt(from);
            from += markers::tableLabel.size();
            for (int point = 1; point <= kPointCount; ++point) {
                step(writestep::tableEntry(table, point));
                const qsizetype found = findInstruction(instructions::tableValue, from);
                const qsizetype index = m_text.lineIndexAt(found);
                requireSure(unchecked, index + 1);
                unchecked = index + 2;
                const QString &codeText = m_calibration.code(table, point);
                const int code = strToInt(codeText);
                if (code != kNoAngleCode)
                    angle = codeToAngle(code, sensorAngle());
                if (index + 1 >= m_text.lineCount() || m_text.isReplaced(index + 1))
                    missing();
                if (!isStoreLine(m_text.wholeLineView(index + 1)))
                    throw Stopped{MessageId::MissingData,
                                  lineReference(m_text, m_text.lineStart(index + 1))};
                replaceOnce(index, withLabels(index, lines::tableValue(codeText)));
                replaceOnce(index + 1, storeLine(code, angle));
                from = startOfLine(index + 2);
            }
        }
    }

    // The store line of a code; the comment's number text is the costly part, so each code's
    // line is made once and kept for the next writes with the same sensor angle and decimal
    // separator (a save writes the same lines twice: the write and its read-back). Code 180
    // repeats the line before.
    QByteArray storeLine(int code, long double angle)
    {
        if (code >= 0 && code < int(StoreLines::kCodes) && code != kNoAngleCode) {
            QByteArray &line = storeLines().lines[std::size_t(code)];
            if (line.isNull())
                line = lines::tableStore(angle);
            m_lastStoreLine = line;
        } else if (code != kNoAngleCode || m_lastStoreLine.isNull()) {
            m_lastStoreLine = lines::tableStore(angle);
        }
        return m_lastStoreLine;
    }

    struct StoreLines
    {
        static constexpr std::size_t kCodes = 256;
        int sensorAngle = 0;
        QChar separator;
        std::array<QByteArray, kCodes> lines;
    };

    // Only called once the sensor angle has been read as a number.
    StoreLines &storeLines()
    {
        thread_local StoreLines kept;
        if (!m_storeLinesChecked) {
            const QChar separator = decimalSeparator();
            if (kept.sensorAngle != *m_sensorAngle || kept.separator != separator) {
                kept.lines.fill(QByteArray());
                kept.sensorAngle = *m_sensorAngle;
                kept.separator = separator;
            }
            m_storeLinesChecked = true;
        }
        return kept;
    }

    int sensorAngle()
    {
        if (!m_sensorAngle)
            m_sensorAngle = strToInt(m_calibration.sensorAngle.value_or(QString()));
        return *m_sensorAngle;
    }

    EditedText m_text;
    const LineDoubts &m_doubts; // of the source's lines, which keep their indices
    const Calibration &m_calibration;
    const WriteOptions &m_options;
    std::optional<int> m_sensorAngle;
    bool m_storeLinesChecked = false;
    QByteArray m_lastStoreLine;
};

bool sameWrittenValues(const Calibration &read, const Calibration &written)
{
    return read.sensorAngle == written.sensorAngle && read.secondPulse == written.secondPulse &&
           read.sparkOutput == written.sparkOutput &&
           read.compareConstants == written.compareConstants && read.codes == written.codes;
}

} // namespace

WriteResult write(const SourceText &source, const Calibration &calibration,
                  const WriteOptions &options)
{
    return Writer(source, calibration, options).run();
}

long double lastAngleOfTable(const Calibration &calibration, int table)
{
    for (int point = kPointCount; point >= 1; --point) {
        const QString &code = calibration.code(table, point);
        bool ok = false;
        const int value = code.toInt(&ok);
        if (ok && value != kNoAngleCode) {
            const int sensor = calibration.sensorAngle.value_or(QString()).toInt(&ok);
            return ok ? codeToAngle(value, sensor) : 0;
        }
    }
    return 0;
}

namespace {

bool textReadsBack(const SourceText &reloaded, const Calibration &calibration,
                   const WriteOptions &options)
{
    // The scan and the second write take the same marks of the text's doubtful lines.
    const ScanResult read = scan(reloaded);
    if (!read.completed() || !sameWrittenValues(read.calibration, calibration))
        return false;
    WriteOptions again = options;
    again.stopBefore.reset();
    return Writer(reloaded, calibration, again).keepsText();
}

} // namespace

bool readsBack(const QByteArray &fileBytes, const Calibration &calibration,
               const WriteOptions &options)
{
    return textReadsBack(SourceText::fromFileBytes(fileBytes), calibration, options);
}

bool readsBack(const SourceText &written, const QByteArray &fileBytes,
               const Calibration &calibration, const WriteOptions &options)
{
    // The very bytes of the text, not merely equal ones, so that nothing else needs comparing.
    if (written.splitsToItself() && fileBytes.constData() == written.text().constData() &&
        fileBytes.size() == written.size())
        return textReadsBack(written, calibration, options);
    return readsBack(fileBytes, calibration, options);
}
