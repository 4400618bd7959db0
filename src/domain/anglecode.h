// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

// The rule between table codes and advance angles. A code counts 0.7-degree steps from the
// sensor angle S: 0..179 below it (S - 0.7 * code), 181..255 above it (S + 0.7 * (255 - code)),
// and 180 means that the breakpoint has no angle, shown as "-".

inline constexpr int kNoAngleCode = 180;
inline const QString kNoAngleMark = QStringLiteral("-");

// The angle of a code other than 180, in extended precision.
long double codeToAngle(int code, int sensorAngle);

// The text of the angle column for a code: "-" for 180, else the angle in the general number
// format. The sensor angle text is converted only when it is needed (not for 180).
QString angleTextForCode(int code, const QString &sensorAngleText);
QString angleTextForCode(int code, int sensorAngle);

enum class AngleLimit
{
    None,
    Below, // more than 125 degrees below the sensor (code would be 180 or more)
    Above, // more than 52 degrees above the sensor (code would be 180 or less)
};

struct AngleCode
{
    int code = 0;
    AngleLimit failure = AngleLimit::None;
};

// The code of one angle cell's text: "-" gives 180; otherwise the text is parsed with the
// locale's separator, then the sensor angle text, and the code rounded half to even.
// Throws ConversionError for a text that is not a number.
AngleCode angleToCode(const QString &angleText, const QString &sensorAngleText);
