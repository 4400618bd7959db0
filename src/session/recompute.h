// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

class ChartSeries;
struct Document;

// Rewrites the angle column (points 1..32) from the codes of the active table at the current
// sensor angle, then refreshes the chart. The codes are left alone. Throws ConversionError for
// a text that is not a whole number (the active table, a code, the sensor angle at the first
// point that has an angle); the points above then have their new angles and the chart is not
// refreshed.
void recomputeAngleColumn(Document &document, ChartSeries &series);

// Another active table was chosen. Idle while any angle cell is empty, which keeps it quiet
// before the first load.
void activeTableChanged(Document &document, ChartSeries &series);

// The sensor angle text changed. With keepCodes set the codes stay and the angles move with the
// sensor; without it the angle column is left as typed, so that the next "Save to table" finds
// codes that keep those angles at the new sensor angle. Also idle while any angle cell is
// empty and while the sensor angle text is empty (between typed characters).
void sensorAngleChanged(Document &document, ChartSeries &series);
