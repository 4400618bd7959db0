// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/chartrefresh.h"

#include "chart/chartseries.h"
#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "session/gridmodel.h"

void refreshChart(const GridModel &grid, ChartSeries &series)
{
    series.clear();
    double lastAngle = 0;
    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
        const int rpm = strToInt(grid.cell(GridModel::kRpmColumn, row));
        const QString &angleText = grid.cell(GridModel::kAngleColumn, row);
        if (angleText != kNoAngleMark) {
            lastAngle = strToFloat(angleText);
            series.add(rpm, lastAngle, QString(), kChartRed);
        } else {
            series.add(rpm, lastAngle, QString(), kChartGreen);
        }
    }
}

void addHighlightPoint(const GridModel &grid, int row, ChartSeries &series)
{
    if (row < GridModel::kFirstPoint || row > GridModel::kLastPoint)
        return;
    const QString &angleText = grid.cell(GridModel::kAngleColumn, row);
    if (angleText == kNoAngleMark)
        return;
    series.add(strToInt(grid.cell(GridModel::kRpmColumn, row)), strToFloat(angleText), QString(),
               kChartYellow);
}
