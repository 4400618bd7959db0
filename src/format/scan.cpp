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
    explicit Scanner(const SourceText &source) : m_source(source) {}

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
        scanSensorAngle();
        if (!scanSecondPulse() || !scanSparkOutput() || !scanCompareConstants() || !scanTrimmer() ||
            !scanTables())
            m_result.stop = MessageId::MissingData;
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
        const auto steps = findInCode(m_source, markers::pulseSteps, layout::kPulseStepsFrom,
                                      layout::kPulseStepsLast);
        if (!steps)
            return false;
        SecondPulse &pulse = m_result.calibration.secondPulse;
        const QByteArray stepsField = m_source.valueField(*steps + layout::kPulseStepsField);
        pulse.steps = strToInt(latin(stepsField));
        if (!fieldHoldsOperand(m_source, stepsField, *steps + layout::kPulseStepsField))
            throw Misread{*steps};
        const auto mode = findInCode(m_source, markers::pulseMode,
                                     *steps + layout::kPulseModeAfterSteps, layout::kPulseModeLast);
        if (!mode)
            return false;
        // The character read is bit 1 of the binary literal; a save writes the whole literal as
        // 0b00000010 or 0b00000000, so the operand must be exactly the one the character stands
        // for.
        const char bit = m_source.at(*mode + layout::kPulseModeBit);
        const auto modeOperand = operandAt(m_source, *mode + markers::pulseMode.size());
        if (!modeOperand || (bit != '1' && bit != '0') || *modeOperand != (bit == '1' ? 2 : 0))
            throw Misread{*mode};
        if (bit == '1')
            pulse.automatic = true;
        else if (bit == '0')
            pulse.automatic = false;
        return true;
    }

    bool scanSparkOutput()
    {
        const auto spark = findAfterCode(m_source, markers::sparkToZero, layout::kSparkToZeroFrom);
        if (!spark)
            return false;
        const QByteArray port = m_source.window(*spark - layout::kSparkPortBefore, 7);
        m_result.calibration.sparkOutput = sparkOutputFromText(QString::fromLatin1(port));
        return true;
    }

    // Highest point first; all are read before any is converted.
    bool scanCompareConstants()
    {
        m_next = layout::kCompareFrom;
        for (int point = kPointCount; point > 1; --point) {
            const auto compare = findInCode(m_source, markers::compareLine, m_next);
            if (!compare)
                return false;
            const QByteArray field = m_source.valueField(*compare + layout::kCompareField);
            if (!fieldHoldsOperand(m_source, field, *compare + markers::compareLine.size()))
                throw Misread{*compare};
            m_result.compareDigits[std::size_t(point - 2)] = latin(field);
            ++m_result.compareRead;
            m_next = *compare + layout::kAfterValueField;
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
        m_result.calibration.trimmerActive = m_source.at(*adc - 1) != ';';
        m_result.trimmerRead = true;
        return true;
    }

    // Each table: a label, then the first 32 value lines after it.
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
            qsizetype r = *label + 1;
            for (int point = 1; point <= kPointCount; ++point) {
                const auto value = findInCode(m_source, markers::tableValue, r);
                if (!value)
                    return false;
                const QByteArray field = m_source.valueField(*value + layout::kTableValueField);
                if (!fieldHoldsOperand(m_source, field, *value + markers::tableValue.size()))
                    throw Misread{*value};
                m_result.calibration.code(table, point) = latin(field);
                ++m_result.codesRead[std::size_t(table - 1)];
                r = *value + layout::kAfterValueField;
            }
            q = r;
        }
        return true;
    }

    const SourceText &m_source;
    ScanResult m_result;
    qsizetype m_next = 0;
};

} // namespace

ScanResult scan(const SourceText &source)
{
    return Scanner(source).run();
}
