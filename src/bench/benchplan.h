// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// What the timing bench needs to know of a firmware source: read from its text with the load's
// own searches.
struct BenchFirmware
{
    int sensorAngle = 20; // degrees before top dead centre of the rising sensor edge
    int markSteps = 29;   // the "ldi R23," steps of 0.7 degree: where the falling edge lies
    bool secondPulseAuto = true;
    int sparkItem = 0;                      // 0 PC0, 1 PD6
    int clockMHz = 4;                       // from the include line's "кварцNМГц"
    std::array<int, 31> compareConstants{}; // rows 2..32
    std::array<std::array<int, 32>, 3> codes{};

    int compareConstant(int row) const { return compareConstants[std::size_t(row - 2)]; }
    int code(int table, int row) const
    {
        return codes[std::size_t(table - 1)][std::size_t(row - 1)];
    }
};

// Reads the settings, the compare constants and the three tables from a source's file bytes;
// nothing when the text lacks any of them (the message says which).
std::optional<BenchFirmware> readBenchFirmware(const QByteArray &fileBytes, QString *error);

// The RPM from which the firmware uses a row (117187.5 / (255 - constant)), and the RPM the
// grid shows for the row (that rounded to tens). Row 1 starts at 460.
double rowStartRpm(const BenchFirmware &firmware, int row);
int shownRpm(const BenchFirmware &firmware, int row);

// The angle a tuner may see off at a point: 0.35 degree plus the crank angle of 3 us.
double toleranceAt(double rpm);

enum class PointKind
{
    Middle,          // the middle of the row's RPM range
    AboveBreakpoint, // just above the RPM the grid shows for the row
};

struct BenchPoint
{
    int table = 1;
    int row = 1;
    PointKind kind = PointKind::Middle;
    int rpm = 0;
    int code = 0;
    std::optional<double> expected; // degrees before top dead centre; none for "no spark"
    double tolerance = 0;
};

// Two points per row of each chosen table (1..3), rows in order.
QList<BenchPoint> planPoints(const BenchFirmware &firmware, const QList<int> &tables);

// What the runner saw in one measured revolution.
struct RevolutionSample
{
    int sparks = 0;
    qint64 firstSparkCycles = -1; // from the rising sensor edge
    int rowRegister = -1;
};

struct PointResult
{
    BenchPoint point;
    std::optional<double> measured; // mean advance over the measured revolutions
    std::optional<double> difference;
    int usedRow = 0;             // 1..32, 0 when the firmware's row is not known
    int sparksPerRevolution = 0; // the largest count seen
    bool ok = false;
};

// The cycles of one revolution and of the sensor mark at a point.
double periodCycles(const BenchFirmware &firmware, int rpm);
double markCycles(const BenchFirmware &firmware, int rpm);

// Judges a point: the advance of a revolution is the sensor angle minus the spark's delay
// after the rising edge, counted from the next edge when the spark comes in the second half of
// the revolution. The point is within tolerance when every revolution fired once, each within
// the tolerance of the table angle (or never, for "no spark"), from the row it belongs to.
PointResult judgePoint(const BenchFirmware &firmware, const BenchPoint &point,
                       const QList<RevolutionSample> &revolutions);

// Checks that need no simulation: breakpoints that fall, rows sharing a compare constant (the
// lower one is never used), and angle jumps of more than 10 degrees between neighbouring rows.
struct StaticFinding
{
    int table = 0; // 0 for the breakpoints, which all tables share
    int row = 0;
    QString message; // in English
    QString russian; // the same in Russian
    const QString &text(unsigned char language) const { return language == 0 ? russian : message; }
};
QList<StaticFinding> staticChecks(const BenchFirmware &firmware, const QList<int> &tables);
