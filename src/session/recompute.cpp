// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/recompute.h"

#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "session/chartrefresh.h"
#include "session/document.h"
#include "session/tablecolumn.h"

void recomputeAngleColumn(Document &document, ChartSeries &series)
{
    const DocumentSettings &settings = document.settings;
    const int column = activeTableColumn(settings.activeTable);
    for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
        const int code = strToInt(document.cell(column, row));
        document.cell(Document::kAngleColumn, row) = angleTextForCode(code, settings.sensorAngle);
    }
    refreshChart(document, series);
}

void activeTableChanged(Document &document, ChartSeries &series)
{
    if (document.anyAngleEmpty())
        return;
    recomputeAngleColumn(document, series);
}

void sensorAngleChanged(Document &document, ChartSeries &series)
{
    if (document.anyAngleEmpty() || !document.settings.keepCodes ||
        document.settings.sensorAngle.isEmpty())
        return;
    recomputeAngleColumn(document, series);
}
