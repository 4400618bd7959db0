// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/calibration.h"

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
    bool trimmerRead = false;               // the ADC that reads the trimmer is enabled
    std::array<int, 31> compareConstants{}; // rows 2..32
    std::array<std::array<int, 32>, 3> codes{};
    Calibration calibration; // as read, for the exact comparison with the image

    int compareConstant(int row) const { return compareConstants[std::size_t(row - 2)]; }
    int code(int table, int row) const
    {
        return codes[std::size_t(table - 1)][std::size_t(row - 1)];
    }
};

// Reads the settings, the compare constants and the three tables from a source's file bytes;
// nothing when the text lacks any of them (the message says which).
std::optional<BenchFirmware> readBenchFirmware(const QByteArray &fileBytes, QString *error);

// The RPM from which the firmware uses a row (kRpmTimesCompareSteps / (255 - constant)), and the
// RPM the grid shows for the row (that rounded to tens). Row 1 starts at 460.
double rowStartRpm(const BenchFirmware &firmware, int row);
int shownRpm(const BenchFirmware &firmware, int row);
// The row the firmware uses at a steady speed: 1 plus the rows whose start lies below it.
int firmwareRowAt(const BenchFirmware &firmware, double rpm);

// What the simulated chip does not do that the real one does: interrupt entry takes 4 cycles,
// 4 more when it wakes the chip from Idle, and INT0 waits up to 2 cycles for the pin's
// synchroniser. A timed spark lies behind two interrupts taken from Idle (INT0 resets Timer 1,
// its compare raises the spark): 2 + 8 + 8 cycles later on the chip than in the simulator; a
// spark raised by INT0 itself (codes 0 and 255, cranking) 2 + 8. Every measured angle is moved
// back by it.
constexpr int kTimedSparkLatency = 18;
constexpr int kSensorSparkLatency = 10;

// The angle a measured spark may lie off the table at a point. Codes and breakpoints are
// compared exactly with the image before any simulation, so this only covers how the firmware
// counts time: in Timer 1 ticks of 8 cycles, the period up to one tick short, the delay rounded
// to half a tick, the compare on a tick of the free-running prescaler (up to one), and its
// compensation of the interrupt path in whole ticks (up to 2 off the chip's real path):
// 4.5 ticks, plus 0.01 degree for the step of 0.7 degree as a fraction of a turn.
double toleranceAt(const BenchFirmware &firmware, double rpm);
// For a code: a spark due at the sensor mark's end (the code within one step of the mark's
// length) waits behind that edge's interrupt, up to 24 cycles more.
constexpr int kMarkEdgeCycles = 24;
double toleranceAt(const BenchFirmware &firmware, double rpm, int code);

enum class CheckMode
{
    Quick, // steady points, both sides of every breakpoint, cranking and over-rev
    Full,  // and ramps, long runs, and the trimmer's ends
};

enum class PointKind
{
    Middle,          // the middle of the row's RPM range
    AboveBreakpoint, // just above the RPM the grid shows for the row
    BelowBreakpoint, // just below it: the row before is still in use
    Cranking,        // below the first breakpoint: the start mode
    OverRev,         // above the top breakpoint
    LongRun,         // the middle of the row held for many revolutions
    TrimLow,         // the middle of the row with the trimmer at one end of its travel
    TrimHigh,        // and at the other
    Ramp,            // the crankshaft speeding up or slowing down at a steady rate
};

// The report's sections, in order.
enum class ReportSection
{
    Steady,
    Breakpoints,
    StartAndOverRev,
    Ramps,
    LongRuns,
    Trimmer,
};
ReportSection sectionOf(PointKind kind);

struct BenchPoint
{
    int table = 1;
    int row = 1;
    PointKind kind = PointKind::Middle;
    int rpm = 0;   // the steady speed, or where a ramp starts
    int toRpm = 0; // where a ramp ends
    int rate = 0;  // a ramp's RPM per second, negative slowing down
    int code = 0;
    std::optional<double> expected; // degrees before top dead centre; none for "no spark"
    double tolerance = 0;
    int expectedRow = 0;     // the row the firmware must use, 0 when not checked
    int settle = 2;          // revolutions not judged: start-up and the first period
    QList<qint64> periods;   // every revolution, in CPU cycles, settle included
    int trimMillivolts = -1; // the trimmer's wiper, -1 in the middle of its travel
};

// The points of each chosen table (1..3), rows in order, for a mode.
QList<BenchPoint> planPoints(const BenchFirmware &firmware, const QList<int> &tables,
                             CheckMode mode = CheckMode::Quick);

// What the runner saw in one revolution.
struct RevolutionSample
{
    int sparks = 0;
    qint64 firstSparkCycles = -1; // from the rising sensor edge
    int rowRegister = -1;
    qint64 pulseCycles = -1; // high time of the first spark, -1 when it never fell
};

// One judged revolution, as the trace lists it.
struct RevolutionDetail
{
    double seconds = 0; // from the first sensor edge to this revolution's
    double rpm = 0;
    int row = 0; // the row the firmware used, 0 when not known
    std::optional<double> expected;
    std::optional<double> measured;
    std::optional<double> pulseMicroseconds;
    bool settling = false;
};

struct PointResult
{
    BenchPoint point;
    QList<RevolutionSample> revolutions;
    std::optional<double> measured; // mean advance over the judged revolutions
    std::optional<double> difference;
    int usedRow = 0;                // 1..32, 0 when the firmware's row is not known
    int sparksPerRevolution = 0;    // the largest count seen
    int missing = 0;                // judged revolutions without the spark they needed
    int extra = 0;                  // sparks beyond one a revolution, or where none belongs
    std::optional<double> margin;   // tolerance minus the largest deviation
    std::optional<double> jitter;   // largest minus smallest angle
    std::optional<double> retard;   // a ramp's largest lag behind the table
    std::optional<double> pulseMin; // microseconds
    std::optional<double> pulseMax;
    bool pulseOk = true;
    bool ok = false;
};

// The cycles of one revolution and of the sensor mark at a point.
double periodCycles(const BenchFirmware &firmware, double rpm);
double markDegrees(const BenchFirmware &firmware);

// The window a spark pulse's high time must lie in: long enough to fire the thyristor, short
// enough to end well before the next spark can come.
constexpr double kPulseMinMicroseconds = 20;
constexpr double kPulseMaxMicroseconds = 1000;

// Each revolution of a point with what was expected of it and what was measured. The advance of
// a revolution is the sensor angle minus the spark's delay after its rising edge, counted from
// the next edge when the spark comes in the second half, less the chip's latency. A ramp's
// revolution n is expected where a firmware fires that times it from the period before:
// the table's fraction of a turn of P(n-1) after the edge, seen against P(n).
QList<RevolutionDetail> revolutionDetails(const BenchFirmware &firmware, const BenchPoint &point,
                                          const QList<RevolutionSample> &revolutions);

// Judges a point: every judged revolution fired once (or never, for "no spark"), within the
// tolerance of what was expected, from the row it belongs to, with a pulse inside the window.
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
