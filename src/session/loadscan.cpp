// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/loadscan.h"

#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "session/gridmodel.h"

void showScan(const ScanResult &result, SettingsTarget &settings, GridModel &grid,
              ProgramState &state)
{
    const Calibration &calibration = result.calibration;
    if (calibration.sensorAngle)
        settings.setSensorAngleText(*calibration.sensorAngle);
    const SecondPulse &pulse = calibration.secondPulse;
    if (pulse.automatic == true)
        settings.selectSecondPulseAuto();
    else if (pulse.automatic == false)
        settings.setSecondPulseText(floatToStr(pulse.steps * kAngleStep));
    if (calibration.sparkOutput)
        settings.selectSparkOutput(*calibration.sparkOutput == SparkOutput::PortC0
                                       ? SettingsTarget::kPortC0
                                       : SettingsTarget::kPortD6);

    for (int i = 0; i < result.compareRead; ++i) {
        const int point = kPointCount - i;
        const QString text = i < result.compareConverted
                                 ? QString::number(calibration.rpm(point))
                                 : result.compareDigits[std::size_t(point - 2)];
        grid.setCell(GridModel::kRpmColumn, point, text);
    }
    if (result.compareConverted == kCompareCount)
        grid.setCell(GridModel::kRpmColumn, GridModel::kFirstPoint, QString::number(kIdleRpm));
    if (result.trimmerRead)
        state.TrimmerActive = calibration.trimmerActive;

    const QString headerPrefix =
        state.Language == 0 ? QStringLiteral(u"таб.") : QStringLiteral("Tab.");
    for (int table = 1; table <= result.labelsRead; ++table) {
        grid.setCell(table, 0, headerPrefix + result.tableLabels[std::size_t(table - 1)]);
        for (int point = 1; point <= result.codesRead[std::size_t(table - 1)]; ++point)
            grid.setCell(table, point, calibration.code(table, point));
    }
}

std::optional<MessageId> fillAngleColumn(const SettingsTarget &settings, GridModel &grid)
{
    const int active = strToInt(settings.activeTableText());
    if (active < 1 || active > kTableCount)
        return MessageId::MissingData;
    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
        const QString &codeText = grid.cell(active, row);
        if (codeText.isEmpty())
            return MessageId::MissingData;
        grid.setCell(GridModel::kAngleColumn, row,
                     angleTextForCode(strToInt(codeText), settings.sensorAngleText()));
    }
    return std::nullopt;
}

ScanOutcome scanSource(const SourceText &source, SettingsTarget &settings, GridModel &grid,
                       ProgramState &state)
{
    const ScanResult result = scan(source);
    showScan(result, settings, grid, state);
    if (result.stop) {
        if (const auto *error = std::get_if<ConversionError>(&*result.stop))
            throw *error;
        return {std::get<MessageId>(*result.stop), result.stopLine};
    }
    return {fillAngleColumn(settings, grid), {}};
}
