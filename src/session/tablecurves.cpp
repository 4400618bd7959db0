// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/tablecurves.h"

#include "chart/chartseries.h"
#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "session/document.h"

#include <QList>

bool fillTableCurve(const Document &document, int table, const QString &sensorAngleText,
                    quint32 colour, ChartSeries &series)
{
    QList<std::pair<int, long double>> points;
    try {
        const int sensor = strToInt(sensorAngleText);
        long double last = 0;
        for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
            const int code = strToInt(document.cell(table, row));
            if (code != kNoAngleCode)
                last = codeToAngle(code, sensor);
            points.append({strToInt(document.cell(Document::kRpmColumn, row)), last});
        }
    } catch (const ConversionError &) {
        series.clear();
        return false;
    }
    series.clear();
    for (const auto &[rpm, angle] : points)
        series.add(rpm, double(angle), QString(), colour);
    return true;
}
