// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/messageid.h"

#include <optional>

class ChartSeries;
struct Document;

// "Save to table": stores the angle column (points 1..32) as codes of the active table.
// Returns the warning to show, or nothing when every row was stored:
// - OpenFileFirst when no source has been chosen, FillAllAngles at an empty angle cell; in both
//   cases nothing has changed, the chart included;
// - otherwise the chart is refreshed from the angles as they stand, and the rows are converted
//   one by one, each code written before the next row is looked at, with the sensor angle read
//   afresh for each row; BelowSensorLimit / AboveSensorLimit stop at the failing row, leaving it
//   and the rows below with their old codes.
// The angle column itself is never changed. Throws ConversionError for a text that is not a
// number (from the chart refresh, the sensor angle or the active table), with the rows above
// already written.
std::optional<MessageId> saveToTable(Document &document, ChartSeries &series);
