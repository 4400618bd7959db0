// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/savetable.h"

#include "domain/anglecode.h"
#include "session/chartrefresh.h"
#include "session/document.h"
#include "session/tablecolumn.h"

std::optional<MessageId> saveToTable(Document &document, ChartSeries &series)
{
    if (document.FirmwarePath.isEmpty())
        return MessageId::OpenFileFirst;
    if (document.anyAngleEmpty())
        return MessageId::FillAllAngles;

    refreshChart(document, series);

    for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
        const AngleCode result =
            angleToCode(document.cell(Document::kAngleColumn, row), document.settings.sensorAngle);
        switch (result.failure) {
        case AngleLimit::Below:
            return MessageId::BelowSensorLimit;
        case AngleLimit::Above:
            return MessageId::AboveSensorLimit;
        case AngleLimit::None:
            break;
        }
        document.cell(activeTableColumn(document.settings.activeTable), row) =
            QString::number(result.code);
    }
    return std::nullopt;
}
