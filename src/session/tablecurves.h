// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

class ChartSeries;
struct Document;

// Fills `series` with the step curve of one table's codes (column `table` of the grid) at the
// sensor angle, over the breakpoints of column 0: as the chart refresh draws the angle column,
// a code 180 sitting at the height of the last angle above it. Returns false, with the series
// left empty, when a breakpoint, a code or the sensor angle is not a number: such a curve is
// only a backdrop and draws nothing rather than stopping the user.
bool fillTableCurve(const Document &document, int table, const QString &sensorAngleText,
                    quint32 colour, ChartSeries &series);
