// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "firmware/filesave.h"
#include "firmware/messageid.h"
#include "firmware/settingstarget.h"
#include "firmware/sourcetext.h"

#include <optional>

class GridModel;

// The RPM breakpoints a compare line can hold.
inline constexpr int kLowestRpm = 460;
inline constexpr int kHighestRpm = 20000;

// The compare constant of an RPM breakpoint: 255 - 117187.5 / rpm, rounded half to even.
int compareConstantForRpm(int rpm);

// Puts the settings and the tables into the source text: the processor include line, the second
// pulse lines, the four spark output lines, the 31 compare lines (rows 32 down to 2) and the 96
// table entries with the store line after each. Every line is found by a marker search in the
// text as it stands after the edits before it, and replaced whole; nothing is added or lost.
//
// Instruction markers in a comment are passed over, and the line after a table value is replaced
// only when it is the value's store instruction.
//
// Returns a message when the rewrite stops: PulseOutOfRange for a second pulse whose step count
// is outside 0 to 255 (before any line changes), RpmTooLow / RpmTooHigh for a breakpoint out of
// range (checked before its line is replaced), MissingData when a marker or a line is missing or
// the text is empty; stopLine, when given, gets "<number>: <text>" of the line a MissingData stop
// is about, or an empty text. Throws ConversionError for a text that is not a number. A stop
// leaves the lines rewritten so far.
std::optional<MessageId> rewriteSource(SourceText &source, const SettingsTarget &settings,
                                       const GridModel &grid, QString *stopLine = nullptr);

// The second pulse's step count for the text of its box: the angle over 0.7, rounded.
// Throws ConversionError for a text that is not a number.
long double secondPulseSteps(const QString &pulseText);
inline constexpr int kHighestPulseSteps = 255;

// Runs the load's scan on the text as a reload of its file bytes would see it and compares what
// it reads with what the rewrite has just written: the sensor angle, the second pulse, the spark
// output, the RPM breakpoints and the three tables' codes. Then rewrites that text once more with
// the same settings and cells, which must find every line again and change nothing. Returns
// MissingData when the scan stops or reads anything else, or the second rewrite stops or differs,
// so that no file is written that this program cannot read back and save again.
std::optional<MessageId> verifyReadBack(const SourceText &source, const SettingsTarget &settings,
                                        const GridModel &grid);

// The save after "Save to table": rewriteSource, verifyReadBack, then writeSourceFile of the
// text's file bytes to path. confirmWrite, when given, is asked right before the file is written;
// false stops the save with nothing written and no message. Returns the message to show when it
// stops before writing (the file is then untouched); nothing on success or when not confirmed.
// Throws ConversionError for a text that is not a number and FileWriteError when the file cannot be
// written (the file stays as it was). In every case `source` keeps the lines rewritten so far.
std::optional<MessageId> saveSource(SourceText &source, const SettingsTarget &settings,
                                    const GridModel &grid, const QString &path,
                                    const ChunkWriter &writeChunk = {},
                                    const std::function<bool()> &confirmWrite = {},
                                    QString *stopLine = nullptr);
