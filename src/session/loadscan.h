// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/messageid.h"
#include "format/layout.h"
#include "format/scan.h"
#include "format/sourcetext.h"
#include "session/programstate.h"
#include "session/settingstarget.h"

#include <optional>

class GridModel;

struct ScanOutcome
{
    // Set when the scan stopped with a message (the missing-data warning); what was written
    // before the stop stays written.
    std::optional<MessageId> stop;
    // The line the stop is about, as "<number>: <text>", when it is about one.
    QString line;
    bool completed() const { return !stop; }
};

// Shows what a scan read, as far as it got, in the setting boxes and the grid: the sensor
// angle, the second pulse, the spark output, the RPM breakpoints (column 0; constants read but
// not yet converted show as their digits), the trimming resistor (state.TrimmerActive), the
// table headers in state.Language and the codes (columns 1-3).
void showScan(const ScanResult &result, SettingsTarget &settings, GridModel &grid,
              ProgramState &state);

// Fills the angle column from the active table's codes at the sensor angle. Stops with
// MissingData at an empty code, leaving the rows above it written. Throws ConversionError for
// an active table or a sensor angle that is no whole number.
std::optional<MessageId> fillAngleColumn(const SettingsTarget &settings, GridModel &grid);

// The load's scan of a source that has been read, shown in the boxes and the grid, then the
// angle column of the active table. Throws ConversionError for a value that is not a number,
// after showing what was read before it. The chart, FirmwareName and the title are left to the
// caller.
ScanOutcome scanSource(const SourceText &source, SettingsTarget &settings, GridModel &grid,
                       ProgramState &state);
