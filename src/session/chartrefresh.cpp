// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/chartrefresh.h"

#include "chart/chartseries.h"
#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "session/document.h"

void refreshChart(const Document &document, ChartSeries &series)
{
    series.clear();
    double lastAngle = 0;
    for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
        const int rpm = strToInt(document.cell(Document::kRpmColumn, row));
        const QString &angleText = document.cell(Document::kAngleColumn, row);
        if (angleText != kNoAngleMark) {
            lastAngle = strToFloat(angleText);
            series.add(rpm, lastAngle, QString(), kChartRed);
        } else {
            series.add(rpm, lastAngle, QString(), kChartGreen);
        }
    }
}

void addHighlightPoint(const Document &document, int row, ChartSeries &series)
{
    if (row < Document::kFirstPoint || row > Document::kLastPoint)
        return;
    const QString &angleText = document.cell(Document::kAngleColumn, row);
    if (angleText == kNoAngleMark)
        return;
    series.add(strToInt(document.cell(Document::kRpmColumn, row)), strToFloat(angleText), QString(),
               kChartYellow);
}
