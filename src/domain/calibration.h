// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

// The settings and tables of one firmware source as plain values. Texts that the window shows
// and the writer puts back as they stand (the sensor angle, the table codes) keep their digits
// exactly as read, so that an empty code or "012" survives a load and a save unchanged.

inline constexpr int kTableCount = 3;
inline constexpr int kPointCount = 32;                // RPM points per table
inline constexpr int kCompareCount = kPointCount - 1; // the idle point has no compare line
inline constexpr int kIdleRpm = 460;                  // the first point, fixed
inline constexpr int kLowestRpm = 460;
inline constexpr int kHighestRpm = 20000;
// A breakpoint's RPM times (255 - its compare constant): 60 s of the 4 MHz clock over the
// firmware's 2048 clock cycles per compare step.
inline constexpr long double kRpmTimesCompareSteps = 117187.5L;

enum class SparkOutput
{
    PortC0, // "PortC,0"
    PortD6, // "PortD,6"
};

// The second sensor pulse: automatic, or a fixed angle given as a count of 0.7-degree steps.
// The count stands in the firmware also while the pulse is automatic; it then means nothing and
// takes no part in a comparison.
struct SecondPulse
{
    std::optional<bool> automatic; // none: the firmware's mode bit is neither 0 nor 1
    qint64 steps = 0;

    friend bool operator==(const SecondPulse &a, const SecondPulse &b)
    {
        return a.automatic == b.automatic && (a.automatic == true || a.steps == b.steps);
    }
};

struct Calibration
{
    std::optional<QString> sensorAngle; // whole degrees as digits; none when the source has none
    SecondPulse secondPulse;
    std::optional<SparkOutput> sparkOutput; // none for a pin the tool does not know
    bool trimmerActive = false;
    // Compare constants of points 2..32 (index 0 is point 2), each the firmware's counter
    // value of one RPM breakpoint.
    std::array<int, kCompareCount> compareConstants{};
    // The table codes of tables 1..3, points 1..32, as digits.
    std::array<std::array<QString, kPointCount>, kTableCount> codes;

    friend bool operator==(const Calibration &, const Calibration &) = default;

    // The RPM breakpoint of point 1..32. Throws ConversionError for the constant 255.
    int rpm(int point) const;
    int &compareConstant(int point) { return compareConstants[std::size_t(point - 2)]; }
    int compareConstant(int point) const { return compareConstants[std::size_t(point - 2)]; }
    QString &code(int table, int point)
    {
        return codes[std::size_t(table - 1)][std::size_t(point - 1)];
    }
    const QString &code(int table, int point) const
    {
        return codes[std::size_t(table - 1)][std::size_t(point - 1)];
    }
};

// RPM of a compare constant: 10 * round(11718.75 / (255 - c)). Throws ConversionError for 255.
long double rpmOfCompareConstant(long double constant);

// The compare constant of an RPM breakpoint: 255 - 117187.5 / rpm, rounded half to even.
int compareConstantForRpm(int rpm);

// The second pulse as the window's box shows it: "auto", or the angle in degrees.
QString secondPulseText(const SecondPulse &pulse);

// The spark output's text as the source and the window write it.
QString sparkOutputText(SparkOutput output);
std::optional<SparkOutput> sparkOutputFromText(QStringView text);

// A breakpoint that the firmware does not count above the one of the point before it: one of
// the two points is never used.
struct UnorderedBreakpoint
{
    int point = 0; // 2..32
    int rpm = 0;
    int previousRpm = 0;

    friend bool operator==(const UnorderedBreakpoint &, const UnorderedBreakpoint &) = default;
};

// Whether the firmware counts the breakpoint `rpm` above `below`, the one of the point before:
// within 460..20000 by their compare constants (two speeds may share one), outside it by the
// numbers alone.
bool breakpointAbove(int rpm, int below);

// The points of a calibration whose compare constant is not above the point before's; the idle
// point counts as constant 0.
QList<UnorderedBreakpoint> unorderedBreakpoints(const Calibration &calibration);
