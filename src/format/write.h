// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/calibration.h"
#include "domain/stop.h"
#include "format/sourcetext.h"

#include <optional>

// The steps of a write in their order, each the rewrite of one line or group of lines.
namespace writestep {
inline constexpr int kInclude = 0;
inline constexpr int kSecondPulse = 1;
inline constexpr int kSparkToZero = 2;
inline constexpr int kSparkToOne = 3; // the first two lines
// The compare line of point 32 comes first, that of point 2 last.
constexpr int compareLine(int point)
{
    return 4 + (kPointCount - point);
}
inline constexpr int kSparkToOneThird = compareLine(2) + 1;
constexpr int tableEntry(int table, int point)
{
    return kSparkToOneThird + 1 + (table - 1) * kPointCount + (point - 1);
}
} // namespace writestep

struct WriteOptions
{
    // The angle the store lines' comments repeat for code 180 until a table entry gives one.
    long double firstCommentAngle = 0;
    // Ends the write before this step with this stop, leaving the lines of the steps before:
    // a caller whose value for that step could not be had still gets the text written so far.
    struct PlannedStop
    {
        int step;
        Stop stop;
    };
    std::optional<PlannedStop> stopBefore;
};

struct WriteResult
{
    SourceText text; // the lines rewritten up to the stop, or all of them
    std::optional<Stop> stop;
    // The line a MissingData stop is about, as "<number>: <text>", when it is about one.
    QString stopLine;
};

// The second pulse's highest step count: the assembler keeps only the low byte of a larger one.
inline constexpr int kHighestPulseSteps = 255;

// Puts the calibration into the source text: the processor include line with the sensor angle,
// the second pulse lines (none when the calibration does not know the pulse mode), the four
// spark output lines, the 31 compare lines and the 96 table entries with the store line after
// each. Every line is found by a marker search in the text as it stands after the edits before
// it and replaced whole; nothing is added or lost, and no line is rewritten twice. Instruction
// markers in a comment are passed over, and the line after a table value is replaced only when
// it is the value's store instruction.
// Stops with MissingData when a marker or a line is missing, the text is empty or the spark
// output is unknown; with PulseOutOfRange, before any line changes, for a fixed second pulse
// outside 0 to 255 steps; and with a conversion error for a code or a needed sensor angle that
// is no whole number.
WriteResult write(const SourceText &source, const Calibration &calibration,
                  const WriteOptions &options = {});

// The angle of the highest table entry of `table` that has one, or 0: the default first comment
// angle when the angle column shows that table.
long double lastAngleOfTable(const Calibration &calibration, int table);

// Whether a file of these bytes loads back with the calibration's written values (sensor angle,
// second pulse, spark output, compare constants, codes) and takes the same write again
// unchanged, so that no file is written that this program cannot read back and save again.
bool readsBack(const QByteArray &fileBytes, const Calibration &calibration,
               const WriteOptions &options = {});
// The same for the bytes of a written text (its toFileBytes()): where they are the text itself
// and split back to its lines, the text is checked without splitting them again.
bool readsBack(const SourceText &written, const QByteArray &fileBytes,
               const Calibration &calibration, const WriteOptions &options = {});
