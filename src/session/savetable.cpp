// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/savetable.h"

#include "domain/anglecode.h"
#include "session/chartrefresh.h"
#include "session/gridmodel.h"
#include "session/settingstarget.h"
#include "session/tablecolumn.h"

std::optional<MessageId> saveToTable(GridModel &grid, ChartSeries &series, bool sourceLoaded,
                                     const SettingsTarget &settings)
{
    if (!sourceLoaded)
        return MessageId::OpenFileFirst;
    if (grid.anyAngleEmpty())
        return MessageId::FillAllAngles;

    refreshChart(grid, series);

    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
        const AngleCode result =
            angleToCode(grid.cell(GridModel::kAngleColumn, row), settings.sensorAngleText());
        switch (result.failure) {
        case AngleLimit::Below:
            return MessageId::BelowSensorLimit;
        case AngleLimit::Above:
            return MessageId::AboveSensorLimit;
        case AngleLimit::None:
            break;
        }
        grid.setCell(activeTableColumn(settings.activeTableText()), row,
                     QString::number(result.code));
    }
    return std::nullopt;
}
