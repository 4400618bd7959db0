// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/loadscan.h"

#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "session/texts.h"

void showScan(const ScanResult &result, Document &document, unsigned char language)
{
    const Calibration &calibration = result.calibration;
    DocumentSettings &settings = document.settings;
    if (calibration.sensorAngle)
        settings.sensorAngle = *calibration.sensorAngle;
    const SecondPulse &pulse = calibration.secondPulse;
    if (pulse.automatic)
        settings.secondPulse = secondPulseText(pulse);
    if (calibration.sparkOutput)
        settings.sparkOutput = *calibration.sparkOutput == SparkOutput::PortC0
                                   ? DocumentSettings::kPortC0
                                   : DocumentSettings::kPortD6;

    for (int i = 0; i < result.compareRead; ++i) {
        const int point = kPointCount - i;
        document.cell(Document::kRpmColumn, point) =
            i < result.compareConverted ? QString::number(calibration.rpm(point))
                                        : result.compareDigits[std::size_t(point - 2)];
    }
    if (result.compareConverted == kCompareCount)
        document.cell(Document::kRpmColumn, Document::kFirstPoint) = QString::number(kIdleRpm);
    if (result.trimmerRead)
        document.calibration.trimmerActive = calibration.trimmerActive;

    const QString headerPrefix = caption(Caption::TableHeaderPrefix, language);
    for (int table = 1; table <= result.labelsRead; ++table) {
        document.headers[std::size_t(table)] =
            headerPrefix + result.tableLabels[std::size_t(table - 1)];
        for (int point = 1; point <= result.codesRead[std::size_t(table - 1)]; ++point)
            document.cell(table, point) = calibration.code(table, point);
    }
}

std::optional<MessageId> fillAngleColumn(Document &document)
{
    const int active = strToInt(document.settings.activeTable);
    if (active < 1 || active > kTableCount)
        return MessageId::MissingData;
    for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
        const QString &codeText = document.cell(active, row);
        if (codeText.isEmpty())
            return MessageId::MissingData;
        document.cell(Document::kAngleColumn, row) =
            angleTextForCode(strToInt(codeText), document.settings.sensorAngle);
    }
    return std::nullopt;
}

ScanOutcome scanSource(Document &document, unsigned char language)
{
    const ScanResult result = scan(document.text);
    showScan(result, document, language);
    if (result.stop) {
        if (const auto *error = std::get_if<ConversionError>(&*result.stop))
            throw *error;
        return {std::get<MessageId>(*result.stop), result.stopLine};
    }
    return {fillAngleColumn(document), {}};
}
