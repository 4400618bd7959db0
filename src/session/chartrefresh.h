// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

class ChartSeries;
struct Document;

// Rebuilds the series from the document: one point per breakpoint (rows 1..32), X the RPM of
// column 0, Y the angle of column 4. A breakpoint without angle ("-") is drawn green at the
// height of the last angle above it in the grid, or at 0.
// Does not look for empty angle cells; callers check that first. Throws ConversionError for an
// RPM or angle text that is not a number, leaving the points of the rows above it.
void refreshChart(const Document &document, ChartSeries &series);

// Marks the breakpoint of row 1..32 with a yellow point over its red one; a row without angle,
// or a row outside 1..32, gets none. Meant to follow refreshChart.
void addHighlightPoint(const Document &document, int row, ChartSeries &series);
