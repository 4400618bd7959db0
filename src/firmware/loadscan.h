// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "firmware/messageid.h"
#include "firmware/programstate.h"
#include "firmware/settingstarget.h"
#include "firmware/sourcetext.h"

#include <optional>

class GridModel;

// Markers of the firmware source layout, in code page 1251.
namespace markers {
QByteArray sensorAngle(); // "угол"
QByteArray pulseSteps();  // "ldi R23,"
QByteArray pulseMode();   // "ldi R30,"
QByteArray sparkToZero(); // ";лог"0"на выход "искра""
QByteArray sparkToOne();  // ";лог"1"на выход "искра""
QByteArray compareLine(); // "cpi R21,"
QByteArray adcEnable();   // "sbi ADCSRA,"
QByteArray tableLabel();  // "FuozTable"
QByteArray tableValue();  // "ldi R16,"
QByteArray crystal();     // "кварц4МГц"
} // namespace markers

// Fixed text positions of the layout.
namespace layout {
inline constexpr qsizetype kSensorAngleTries = 60;
inline constexpr qsizetype kPulseStepsFrom = 1400;
inline constexpr qsizetype kPulseStepsLast = 1499;
inline constexpr qsizetype kPulseModeLast = 1749;
inline constexpr qsizetype kSparkToZeroFrom = 3700;
inline constexpr qsizetype kSparkToOneFrom = 5400;
inline constexpr qsizetype kSparkToOneThirdFrom = 15700;
inline constexpr qsizetype kCompareFrom = 7100;
inline constexpr qsizetype kTablesFrom = 21000;
inline constexpr int kCompareLines = 31;
inline constexpr int kTableValues = 32;
} // namespace layout

// RPM of a compare constant: 10 * round(11718.75 / (255 - c)). Throws for c = 255.
long double rpmOfCompareConstant(long double constant);

struct ScanOutcome
{
    // Set when the scan stopped with a message (the missing-data warning); what was written
    // before the stop stays written.
    std::optional<MessageId> stop;
    // The line the stop is about, as "<number>: <text>", when it is about one.
    QString line;
    bool completed() const { return !stop; }
};

// The load's scan of a source that has been read: the sensor angle, the second pulse, the spark
// output, the RPM breakpoints (column 0), the trimming resistor (state.TrimmerActive), the three
// tables (columns 1-3 and their headers in state.Language) and the angle column of the active
// table. Instruction markers in a comment are passed over; a value field that does not hold what
// the assembler reads as the instruction's operand stops the scan with MissingData and the line.
// Writes each value as it reaches it. Throws ConversionError for a value that is not a
// number. The chart, FirmwareName and the title are left to the caller.
ScanOutcome scanSource(const SourceText &source, SettingsTarget &settings, GridModel &grid,
                       ProgramState &state);
