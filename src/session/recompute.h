// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

class ChartSeries;
class GridModel;
class SettingsTarget;

// Rewrites the angle column (rows 1..32) from the codes of the active table at the current
// sensor angle, then refreshes the chart. The codes are left alone. Throws ConversionError for
// a text that is not a whole number (the active table, a code cell, the sensor angle at the
// first row that has an angle); the rows above then show their new angles and the chart is
// not refreshed.
void recomputeAngleColumn(GridModel &grid, ChartSeries &series, const SettingsTarget &settings);

// Another active table was chosen. Idle while any angle cell is empty, which keeps it quiet
// before the first load.
void activeTableChanged(GridModel &grid, ChartSeries &series, const SettingsTarget &settings);

// The sensor angle text changed. With keepCodes the codes stay and the angles move with the
// sensor; without it the angle column is left as typed, so that the next "Save to table" finds
// codes that keep those angles at the new sensor angle. Also idle while any angle cell is
// empty and while the sensor angle text is empty (between typed characters).
void sensorAngleChanged(GridModel &grid, ChartSeries &series, const SettingsTarget &settings,
                        bool keepCodes);
