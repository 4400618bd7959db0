// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/scan.h"

#include "format/cp1251.h"
#include "format/instruction.h"
#include "format/layout.h"

namespace {

QString latin(const QByteArray &digits)
{
    return QString::fromLatin1(digits);
}

// Whether the digits of a value field are the number the assembler reads as the operand that
// starts at operandPos; a field without digits agrees only with an operand that is no number.
bool fieldHoldsOperand(const SourceText &source, const QByteArray &field, qsizetype operandPos)
{
    const auto operand = operandAt(source, operandPos);
    if (field.isEmpty() || !operand)
        return field.isEmpty() && !operand;
    return field.toLongLong() == *operand;
}

// Ends the scan with MissingData about the line of pos.
struct Misread
{
    qsizetype pos;
};

class Scanner
{
public:
    explicit Scanner(const SourceText &source) : m_source(source), m_doubts(source.doubts()) {}

    ScanResult run()
    {
        try {
            scanAll();
        } catch (const ConversionError &error) {
            m_result.stop = error;
        } catch (const Misread &misread) {
            m_result.stop = MessageId::MissingData;
            m_result.stopLine = lineReference(m_source, misread.pos);
        }
        return std::move(m_result);
    }

private:
    void scanAll()
    {
        requireSureIfFound(findOnCodeLine(m_source, markers::crystal, 0));
        scanSensorAngle();
        if (!scanSecondPulse() || !scanSparkOutput() || !scanCompareConstants() || !scanTrimmer() ||
            !scanTables())
            m_result.stop = MessageId::MissingData;
    }

    // Ends the scan at the first of lines first to last that the assembler may read otherwise,
    // naming the line that makes it so.
    void requireSure(qsizetype first, qsizetype last) const
    {
        if (const auto cause = m_doubts.causeIn(first, last))
            throw Misread{m_source.lineStart(*cause)};
    }

    // A line that a save rewrites without the load reading a value from it (the include line,
    // the spark lines that set the output): when the assembler may read it otherwise, every
    // save would be refused, so the load is refused first.
    void requireSureIfFound(const std::optional<qsizetype> &pos) const
    {
        if (pos) {
            const qsizetype index = m_source.lineIndexAt(*pos);
            requireSure(index, index);
        }
    }

    qsizetype nextLineStart(qsizetype index) const
    {
        return index + 1 < m_source.lineCount() ? m_source.lineStart(index + 1) : m_source.size();
    }

    // The line as the assembler reads it: whole, without its lone CRs.
    QByteArray codeLine(qsizetype index) const
    {
        if (!m_source.wholeLineDiffers(index))
            return m_source.shownLine(index);
        QByteArray whole = m_source.wholeLine(index);
        whole.removeIf([](char ch) { return ch == '\r'; });
        return whole;
    }

    // The value of an instruction: in the writer's own form the digits of the value field at
    // fieldOffset after the marker, as long as they are the number the assembler reads; in
    // another form the operand itself when it is one to three decimal digits.
    QByteArray valueOf(const FoundInstruction &found, const instructions::Instruction &wanted,
                       qsizetype fieldOffset) const
    {
        if (!found.sure)
            throw Misread{found.pos};
        if (m_source.matchesAt(found.pos, wanted.marker)) {
            const QByteArray field = m_source.valueField(found.pos + fieldOffset);
            if (fieldHoldsOperand(m_source, field, found.pos + wanted.marker.size()))
                return field;
        }
        if (const auto plain = plainValueOperand(codeLine(found.line)))
            return *plain;
        throw Misread{found.pos};
    }

    // 60 tries over the start of the text; a match moves on past its value field, and a later
    // match within the tries overwrites the angle again.
    void scanSensorAngle()
    {
        qsizetype q = 0;
        for (qsizetype tries = 0; tries < layout::kSensorAngleTries; ++tries) {
            if (m_source.matchesAt(q, markers::sensorAngle)) {
                m_result.calibration.sensorAngle =
                    latin(m_source.valueField(q + layout::kSensorAngleField));
                q += layout::kSensorAngleField + 3;
            } else {
                ++q;
            }
        }
    }

    bool scanSecondPulse()
    {
        const auto steps = findInstruction(m_source, instructions::pulseSteps,
                                           layout::kPulseStepsFrom, layout::kPulseStepsLast);
        if (!steps)
            return false;
        SecondPulse &pulse = m_result.calibration.secondPulse;
        pulse.steps =
            strToInt(latin(valueOf(*steps, instructions::pulseSteps, layout::kPulseStepsField)));
        const auto mode =
            findInstruction(m_source, instructions::pulseMode,
                            steps->pos + layout::kPulseModeAfterSteps, layout::kPulseModeLast);
        if (!mode)
            return false;
        requireSure(steps->line, mode->line);
        if (!mode->sure)
            throw Misread{mode->pos};
        // A save writes the whole literal as 0b00000010 or 0b00000000, so the operand must be
        // exactly one of the two; in the writer's form the character at the fixed offset is bit
        // 1 of that literal.
        const QByteArray line = codeLine(mode->line);
        const Statement statement = statementOf(line);
        const qsizetype comma = statement.operands.indexOf(',');
        const auto operand =
            comma < 0 ? std::nullopt : assemblerNumber(statement.operands.sliced(comma + 1));
        if (!operand || (*operand != 2 && *operand != 0))
            throw Misread{mode->pos};
        pulse.automatic = *operand == 2;
        return true;
    }

    bool scanSparkOutput()
    {
        const auto spark = findAfterCode(m_source, markers::sparkToZero, layout::kSparkToZeroFrom);
        if (!spark)
            return false;
        requireSureIfFound(spark);
        // The lines that set the output again, found as a save finds them.
        qsizetype from = layout::kSparkToOneFrom;
        for (int line = 1; line <= 3; ++line) {
            if (line == 3)
                from = std::max(layout::kSparkToOneThirdFrom, from);
            const auto again = findAfterCode(m_source, markers::sparkToOne, from);
            requireSureIfFound(again);
            if (!again)
                break;
            from = nextLineStart(m_source.lineIndexAt(*again));
        }
        const QByteArray port = m_source.window(*spark - layout::kSparkPortBefore, 7);
        m_result.calibration.sparkOutput = sparkOutputFromText(QString::fromLatin1(port));
        return true;
    }

    // Highest point first; all are read before any is converted.
    bool scanCompareConstants()
    {
        qsizetype from = layout::kCompareFrom;
        qsizetype unchecked = -1;
        for (int point = kPointCount; point > 1; --point) {
            const auto compare = findInstruction(m_source, instructions::compareLine, from);
            if (!compare)
                return false;
            requireSure(unchecked < 0 ? compare->line : unchecked, compare->line);
            unchecked = compare->line + 1;
            const QByteArray field =
                valueOf(*compare, instructions::compareLine, layout::kCompareField);
            m_result.compareDigits[std::size_t(point - 2)] = latin(field);
            ++m_result.compareRead;
            from = nextLineStart(compare->line);
            m_next = std::min(compare->pos + layout::kAfterValueField, from);
        }
        for (int point = kPointCount; point > 1; --point) {
            const QString &digits = m_result.compareDigits[std::size_t(point - 2)];
            const long double constant = strToFloat(digits);
            rpmOfCompareConstant(constant); // 255 has no RPM
            m_result.calibration.compareConstant(point) = int(constant);
            ++m_result.compareConverted;
        }
        return true;
    }

    bool scanTrimmer()
    {
        const auto adc = m_source.find(markers::adcEnable, m_next);
        if (!adc)
            return false;
        const qsizetype index = m_source.lineIndexAt(*adc);
        requireSure(index, index);
        m_result.calibration.trimmerActive = m_source.at(*adc - 1) != ';';
        m_result.trimmerRead = true;
        return true;
    }

    // Each table: a label, then the first 32 value lines after it, each with the store line
    // after it.
    bool scanTables()
    {
        qsizetype q = layout::kTablesFrom;
        for (int table = 1; table <= kTableCount; ++table) {
            const auto label = m_source.find(markers::tableLabel, q);
            if (!label)
                return false;
            const qsizetype digitAt = *label + markers::tableLabel.size();
            m_result.tableLabels[std::size_t(table - 1)] =
                digitAt < m_source.size() ? fromCp1251(m_source.window(digitAt, 1)) : QString();
            ++m_result.labelsRead;
            qsizetype unchecked = m_source.lineIndexAt(*label);
            qsizetype from = *label + 1;
            for (int point = 1; point <= kPointCount; ++point) {
                const auto value = findInstruction(m_source, instructions::tableValue, from);
                if (!value)
                    return false;
                requireSure(unchecked, value->line + 1);
                unchecked = value->line + 2;
                const QByteArray field =
                    valueOf(*value, instructions::tableValue, layout::kTableValueField);
                m_result.calibration.code(table, point) = latin(field);
                ++m_result.codesRead[std::size_t(table - 1)];
                from = nextLineStart(value->line);
                q = std::min(value->pos + layout::kAfterValueField, from);
            }
        }
        return true;
    }

    const SourceText &m_source;
    const LineDoubts &m_doubts;
    ScanResult m_result;
    qsizetype m_next = 0;
};

} // namespace

ScanResult scan(const SourceText &source)
{
    return Scanner(source).run();
}
