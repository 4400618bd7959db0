// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "firmware/loadscan.h"

#include "firmware/cp1251.h"
#include "firmware/instruction.h"
#include "firmware/numbers.h"
#include "tables/anglecode.h"
#include "tables/gridmodel.h"

namespace markers {
QByteArray sensorAngle()
{
    return toCp1251(u"угол");
}
QByteArray pulseSteps()
{
    return QByteArrayLiteral("ldi R23,");
}
QByteArray pulseMode()
{
    return QByteArrayLiteral("ldi R30,");
}
QByteArray sparkToZero()
{
    return toCp1251(u";лог\"0\"на выход \"искра\"");
}
QByteArray sparkToOne()
{
    return toCp1251(u";лог\"1\"на выход \"искра\"");
}
QByteArray compareLine()
{
    return QByteArrayLiteral("cpi R21,");
}
QByteArray adcEnable()
{
    return QByteArrayLiteral("sbi ADCSRA,");
}
QByteArray tableLabel()
{
    return QByteArrayLiteral("FuozTable");
}
QByteArray tableValue()
{
    return QByteArrayLiteral("ldi R16,");
}
QByteArray crystal()
{
    return toCp1251(u"кварц4МГц");
}
} // namespace markers

long double rpmOfCompareConstant(long double constant)
{
    if (constant == 255)
        throw ConversionError::divisionByZero();
    return 10 * roundHalfEven(11718.75L / (255 - constant));
}

namespace {

QString text(const QByteArray &latin)
{
    return QString::fromLatin1(latin);
}

ScanOutcome missingData()
{
    return {MessageId::MissingData, {}};
}

ScanOutcome misread(const SourceText &source, qsizetype pos)
{
    return {MessageId::MissingData, lineReference(source, pos)};
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

// The sensor angle: 60 tries over the start of the text; a match moves on past its value field,
// and a later match within the tries overwrites the text again.
void scanSensorAngle(const SourceText &source, SettingsTarget &settings)
{
    const QByteArray marker = markers::sensorAngle();
    qsizetype q = 0;
    for (qsizetype tries = 0; tries < layout::kSensorAngleTries; ++tries) {
        if (source.matchesAt(q, marker)) {
            settings.setSensorAngleText(text(source.valueField(q + 5)));
            q += 8;
        } else {
            ++q;
        }
    }
}

} // namespace

ScanOutcome scanSource(const SourceText &source, SettingsTarget &settings, GridModel &grid,
                       ProgramState &state)
{
    scanSensorAngle(source, settings);

    // Second sensor pulse: its step count, then whether it is automatic.
    const auto steps =
        findInCode(source, markers::pulseSteps(), layout::kPulseStepsFrom, layout::kPulseStepsLast);
    if (!steps)
        return missingData();
    const QByteArray stepsField = source.valueField(*steps + 8);
    const int stepCount = strToInt(text(stepsField));
    if (!fieldHoldsOperand(source, stepsField, *steps + 8))
        return misread(source, *steps);
    const long double pulseAngle = stepCount * kAngleStep;

    const auto mode = findInCode(source, markers::pulseMode(), *steps + 11, layout::kPulseModeLast);
    if (!mode)
        return missingData();
    // The character read is bit 1 of the binary literal; a save writes the whole literal as
    // 0b00000010 or 0b00000000, so the operand must be exactly the one the character stands for.
    const char modeBit = source.at(*mode + 16);
    const auto modeOperand = operandAt(source, *mode + 8);
    if (!modeOperand || (modeBit != '1' && modeBit != '0') ||
        *modeOperand != (modeBit == '1' ? 2 : 0))
        return misread(source, *mode);
    if (modeBit == '1')
        settings.selectSecondPulseAuto();
    else if (modeBit == '0')
        settings.setSecondPulseText(floatToStr(pulseAngle));

    // Spark output pin: the seven characters that end two characters before the marker.
    const auto spark = findAfterCode(source, markers::sparkToZero(), layout::kSparkToZeroFrom);
    if (!spark)
        return missingData();
    const QByteArray port = source.window(*spark - 9, 7);
    if (port == "PortC,0")
        settings.selectSparkOutput(SettingsTarget::kPortC0);
    else if (port == "PortD,6")
        settings.selectSparkOutput(SettingsTarget::kPortD6);

    // Compare constants, highest RPM first, into rows 32 down to 2; then converted to RPM.
    qsizetype q = layout::kCompareFrom;
    for (int row = GridModel::kLastPoint; row > GridModel::kFirstPoint; --row) {
        const auto compare = findInCode(source, markers::compareLine(), q);
        if (!compare)
            return missingData();
        const QByteArray field = source.valueField(*compare + 9);
        if (!fieldHoldsOperand(source, field, *compare + 8))
            return misread(source, *compare);
        grid.setCell(GridModel::kRpmColumn, row, text(field));
        q = *compare + 12;
    }
    for (int row = GridModel::kLastPoint; row > GridModel::kFirstPoint; --row) {
        const long double constant = strToFloat(grid.cell(GridModel::kRpmColumn, row));
        const auto rpm = static_cast<long long>(rpmOfCompareConstant(constant));
        grid.setCell(GridModel::kRpmColumn, row, QString::number(rpm));
    }
    grid.setCell(GridModel::kRpmColumn, GridModel::kFirstPoint, QStringLiteral("460"));

    // Trimming resistor: read when its ADC-enable line is not commented out.
    const auto adc = source.find(markers::adcEnable(), q);
    if (!adc)
        return missingData();
    state.TrimmerActive = source.at(*adc - 1) != ';';

    // The three tables: a label, then the first 32 value lines after it.
    q = layout::kTablesFrom;
    const QString headerPrefix =
        state.Language == 0 ? QStringLiteral(u"таб.") : QStringLiteral("Tab.");
    for (int table = 1; table <= 3; ++table) {
        const auto label = source.find(markers::tableLabel(), q);
        if (!label)
            return missingData();
        const qsizetype digitAt = *label + markers::tableLabel().size();
        const QString digit =
            digitAt < source.size() ? fromCp1251(source.window(digitAt, 1)) : QString();
        grid.setCell(table, 0, headerPrefix + digit);
        qsizetype r = *label + 1;
        for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
            const auto value = findInCode(source, markers::tableValue(), r);
            if (!value)
                return missingData();
            const QByteArray field = source.valueField(*value + 9);
            if (!fieldHoldsOperand(source, field, *value + 8))
                return misread(source, *value);
            grid.setCell(table, row, text(field));
            r = *value + 12;
        }
        q = r;
    }

    // The angle column of the active table.
    const int active = strToInt(settings.activeTableText());
    if (active < 1 || active > 3)
        return missingData();
    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
        const QString &codeText = grid.cell(active, row);
        if (codeText.isEmpty())
            return missingData();
        grid.setCell(GridModel::kAngleColumn, row,
                     angleTextForCode(strToInt(codeText), settings.sensorAngleText()));
    }
    return {};
}
