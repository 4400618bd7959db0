// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/recompute.h"

#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "session/chartrefresh.h"
#include "session/gridmodel.h"
#include "session/settingstarget.h"
#include "session/tablecolumn.h"

void recomputeAngleColumn(GridModel &grid, ChartSeries &series, const SettingsTarget &settings)
{
    const int column = activeTableColumn(settings.activeTableText());
    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
        const int code = strToInt(grid.cell(column, row));
        grid.setCell(GridModel::kAngleColumn, row,
                     angleTextForCode(code, settings.sensorAngleText()));
    }
    refreshChart(grid, series);
}

void activeTableChanged(GridModel &grid, ChartSeries &series, const SettingsTarget &settings)
{
    if (grid.anyAngleEmpty())
        return;
    recomputeAngleColumn(grid, series, settings);
}

void sensorAngleChanged(GridModel &grid, ChartSeries &series, const SettingsTarget &settings,
                        bool keepCodes)
{
    if (grid.anyAngleEmpty() || !keepCodes || settings.sensorAngleText().isEmpty())
        return;
    recomputeAngleColumn(grid, series, settings);
}
