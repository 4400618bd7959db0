// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The layout of the firmware source in one place: the markers the load and the save search
// for (code page 1251 bytes), the text positions the searches start at, and the offsets of the
// values after a marker.

namespace markers {
// A marker is a view of its bytes; calling it gives a copy.
struct Marker : QByteArrayView
{
    using QByteArrayView::QByteArrayView;
    QByteArray operator()() const { return toByteArray(); }
};

// "угол"
inline constexpr Marker sensorAngle{"\xF3\xE3\xEE\xEB"};
inline constexpr Marker pulseSteps{"ldi R23,"};
inline constexpr Marker pulseMode{"ldi R30,"};
// ";лог"0"на выход "искра""
inline constexpr Marker sparkToZero{
    ";\xEB\xEE\xE3\"0\"\xED\xE0 \xE2\xFB\xF5\xEE\xE4 \"\xE8\xF1\xEA\xF0\xE0\""};
// ";лог"1"на выход "искра""
inline constexpr Marker sparkToOne{
    ";\xEB\xEE\xE3\"1\"\xED\xE0 \xE2\xFB\xF5\xEE\xE4 \"\xE8\xF1\xEA\xF0\xE0\""};
inline constexpr Marker compareLine{"cpi R21,"};
inline constexpr Marker adcEnable{"sbi ADCSRA,"};
inline constexpr Marker tableLabel{"FuozTable"};
inline constexpr Marker tableValue{"ldi R16,"};
// "кварц4МГц"
inline constexpr Marker crystal{"\xEA\xE2\xE0\xF0\xF6\x34\xCC\xC3\xF6"};
} // namespace markers

// The instructions behind the instruction markers: the assembler reads them in any letter case
// and with any blanks, so a line is one of them when its mnemonic and first register are.
namespace instructions {
struct Instruction
{
    markers::Marker marker; // the writer's own form, up to the comma
    QByteArrayView mnemonic;
    int reg;
};

inline constexpr Instruction pulseSteps{markers::pulseSteps, "ldi", 23};
inline constexpr Instruction pulseMode{markers::pulseMode, "ldi", 30};
inline constexpr Instruction compareLine{markers::compareLine, "cpi", 21};
inline constexpr Instruction tableValue{markers::tableValue, "ldi", 16};
} // namespace instructions

namespace layout {
inline constexpr qsizetype kSensorAngleTries = 60;
inline constexpr qsizetype kSensorAngleField = 5; // after "угол"
inline constexpr qsizetype kPulseStepsFrom = 1400;
inline constexpr qsizetype kPulseStepsLast = 1499;
inline constexpr qsizetype kPulseStepsField = 8;
inline constexpr qsizetype kPulseModeAfterSteps = 11; // where the mode search starts
inline constexpr qsizetype kPulseModeLast = 1749;
inline constexpr qsizetype kSparkToZeroFrom = 3700;
inline constexpr qsizetype kSparkPortBefore = 9; // "PortC,0", two tabs, then the marker
inline constexpr qsizetype kSparkToOneFrom = 5400;
inline constexpr qsizetype kSparkToOneThirdFrom = 15700;
inline constexpr qsizetype kCompareFrom = 7100;
inline constexpr qsizetype kCompareField = 9;
inline constexpr qsizetype kTablesFrom = 21000;
inline constexpr qsizetype kTableValueField = 9;
inline constexpr qsizetype kAfterValueField = 12; // where the next search goes on
} // namespace layout
