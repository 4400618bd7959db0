// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/benchplan.h"

#include "domain/anglecode.h"
#include "domain/calibration.h"
#include "domain/numbers.h"
#include "format/cp1251.h"
#include "format/scan.h"

#include <QMap>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRowOneRpm = kIdleRpm;
constexpr double kTopRpm = kHighestRpm;

std::optional<int> clockFromIncludeLine(const SourceText &source)
{
    const QByteArray marker = toCp1251(u"кварц");
    const QByteArray unit = toCp1251(u"МГц");
    const auto found = source.find(marker, 0);
    if (!found)
        return std::nullopt;
    qsizetype pos = *found + marker.size();
    int mhz = 0;
    int digits = 0;
    while (digits < 3 && source.at(pos) >= '0' && source.at(pos) <= '9') {
        mhz = mhz * 10 + (source.at(pos) - '0');
        ++pos;
        ++digits;
    }
    if (digits == 0 || mhz == 0 || !source.matchesAt(pos, unit))
        return std::nullopt;
    return mhz;
}

} // namespace

std::optional<BenchFirmware> readBenchFirmware(const QByteArray &fileBytes, QString *error)
{
    const SourceText source = SourceText::fromFileBytes(fileBytes);
    BenchFirmware firmware;
    try {
        const ScanResult read = scan(source);
        if (read.stop) {
            if (const auto *conversion = std::get_if<ConversionError>(&*read.stop))
                *error = conversion->message();
            else
                *error = QStringLiteral("the source lacks a setting or table the editor reads");
            if (!read.stopLine.isEmpty())
                *error += QStringLiteral(" (line %1)").arg(read.stopLine);
            return std::nullopt;
        }
        const Calibration &calibration = read.calibration;
        if (!calibration.sensorAngle || !calibration.sparkOutput) {
            *error = QStringLiteral("the source names no sensor angle or no known spark pin");
            return std::nullopt;
        }
        firmware.sensorAngle = strToInt(*calibration.sensorAngle);
        firmware.markSteps = int(std::clamp<qint64>(calibration.secondPulse.steps, 0, 255));
        firmware.secondPulseAuto = calibration.secondPulse.automatic.value_or(true);
        firmware.trimmerRead = calibration.trimmerActive;
        firmware.calibration = calibration;
        firmware.sparkItem = *calibration.sparkOutput == SparkOutput::PortD6 ? 1 : 0;
        for (int row = 2; row <= 32; ++row) {
            const int constant = calibration.compareConstant(row);
            if (constant < 0 || constant > 254) {
                *error =
                    QStringLiteral("row %1: compare constant %2 has no RPM").arg(row).arg(constant);
                return std::nullopt;
            }
            firmware.compareConstants[std::size_t(row - 2)] = constant;
        }
        for (int table = 1; table <= 3; ++table) {
            for (int row = 1; row <= 32; ++row) {
                const int code = strToInt(calibration.code(table, row));
                if (code < 0 || code > 255) {
                    *error = QStringLiteral("table %1 row %2: code %3 is not a byte")
                                 .arg(table)
                                 .arg(row)
                                 .arg(code);
                    return std::nullopt;
                }
                firmware.codes[std::size_t(table - 1)][std::size_t(row - 1)] = code;
            }
        }
    } catch (const ConversionError &e) {
        *error = e.message();
        return std::nullopt;
    }
    const auto clock = clockFromIncludeLine(source);
    if (!clock) {
        *error = QStringLiteral("the include line names no crystal (\"кварцNМГц\")");
        return std::nullopt;
    }
    firmware.clockMHz = *clock;
    return firmware;
}

double rowStartRpm(const BenchFirmware &firmware, int row)
{
    if (row == 1)
        return kRowOneRpm;
    return double(kRpmTimesCompareSteps) / (255 - firmware.compareConstant(row));
}

int shownRpm(const BenchFirmware &firmware, int row)
{
    if (row == 1)
        return int(kRowOneRpm);
    return int(rpmOfCompareConstant(firmware.compareConstant(row)));
}

int firmwareRowAt(const BenchFirmware &firmware, double rpm)
{
    int row = 1;
    for (int k = 2; k <= 32; ++k) {
        if (rpm > rowStartRpm(firmware, k))
            ++row;
    }
    return row;
}

double toleranceAt(const BenchFirmware &firmware, double rpm, int code)
{
    const double base = toleranceAt(firmware, rpm);
    if (code <= 0 || code >= kNoAngleCode || std::abs(code - firmware.markSteps) > 1)
        return base;
    return base + kMarkEdgeCycles / periodCycles(firmware, rpm) * 360.0;
}

double toleranceAt(const BenchFirmware &firmware, double rpm)
{
    constexpr double kTicks = 4.5;
    constexpr double kCyclesPerTick = 8;
    return 0.01 + kTicks * kCyclesPerTick / periodCycles(firmware, rpm) * 360.0;
}

ReportSection sectionOf(PointKind kind)
{
    switch (kind) {
    case PointKind::Middle:
        return ReportSection::Steady;
    case PointKind::AboveBreakpoint:
    case PointKind::BelowBreakpoint:
        return ReportSection::Breakpoints;
    case PointKind::Cranking:
    case PointKind::OverRev:
        return ReportSection::StartAndOverRev;
    case PointKind::Ramp:
        return ReportSection::Ramps;
    case PointKind::LongRun:
        return ReportSection::LongRuns;
    case PointKind::TrimLow:
    case PointKind::TrimHigh:
        return ReportSection::Trimmer;
    }
    return ReportSection::Steady;
}

namespace {

constexpr int kSettle = 2;
constexpr int kMeasure = 3;
constexpr int kLongRun = 200;
constexpr double kRampLow = 1000;
constexpr double kRampHigh = 19900;

std::optional<double> tableAngle(const BenchFirmware &firmware, int table, int row)
{
    const int code = firmware.code(table, row);
    if (code == kNoAngleCode)
        return std::nullopt;
    return double(codeToAngle(code, firmware.sensorAngle));
}

qint64 wholePeriod(const BenchFirmware &firmware, double rpm)
{
    return qint64(std::llround(periodCycles(firmware, rpm)));
}

BenchPoint steadyPoint(const BenchFirmware &firmware, int table, int row, PointKind kind,
                       double rpm, int measure)
{
    BenchPoint point;
    point.table = table;
    point.row = row;
    point.kind = kind;
    point.rpm = int(std::lround(rpm));
    point.expectedRow = firmwareRowAt(firmware, point.rpm);
    point.code = firmware.code(table, point.expectedRow);
    point.expected = tableAngle(firmware, table, point.expectedRow);
    point.tolerance = toleranceAt(firmware, point.rpm);
    point.settle = kSettle;
    point.periods = QList<qint64>(kSettle + measure, wholePeriod(firmware, point.rpm));
    return point;
}

// The engine's speed grows by `rate` RPM per second; each revolution takes the period of the
// speed it starts at. Held at both ends.
QList<qint64> rampPeriods(const BenchFirmware &firmware, double from, double to, double rate,
                          int hold)
{
    QList<qint64> periods(hold, wholePeriod(firmware, from));
    const double clock = firmware.clockMHz * 1e6;
    double rpm = from;
    while (rate > 0 ? rpm < to : rpm > to) {
        const qint64 period = wholePeriod(firmware, rpm);
        periods.append(period);
        rpm += rate * double(period) / clock;
    }
    periods.append(QList<qint64>(hold, wholePeriod(firmware, to)));
    return periods;
}

} // namespace

QList<BenchPoint> planPoints(const BenchFirmware &firmware, const QList<int> &tables,
                             CheckMode mode)
{
    QList<BenchPoint> points;
    for (const int table : tables) {
        for (int row = 1; row <= 32; ++row) {
            const double low = rowStartRpm(firmware, row);
            // The top row runs to the highest breakpoint the grid takes.
            double high = row < 32 ? rowStartRpm(firmware, row + 1) : kTopRpm;
            if (high <= low * 1.02) // a row with no range of its own: just above its start
                high = low * 1.02;
            const double middle = (low + high) / 2;
            const int shown = shownRpm(firmware, row);
            const double step = std::max(10.0, shown * 0.005);
            const double above = std::min(shown + step, middle);

            // Each point holds the firmware to the row the grid shows for its RPM.
            const auto expectRow = [&](BenchPoint point, int expectedRow) {
                point.row = row;
                point.expectedRow = expectedRow;
                point.code = firmware.code(table, expectedRow);
                point.expected = tableAngle(firmware, table, expectedRow);
                point.tolerance = toleranceAt(firmware, point.rpm, point.code);
                return point;
            };
            points.append(expectRow(
                steadyPoint(firmware, table, row, PointKind::Middle, middle, kMeasure), row));
            points.append(expectRow(steadyPoint(firmware, table, row, PointKind::AboveBreakpoint,
                                                std::ceil(above), kMeasure),
                                    row));
            if (row > 1)
                points.append(
                    expectRow(steadyPoint(firmware, table, row, PointKind::BelowBreakpoint,
                                          std::floor(shown - step), kMeasure),
                              row - 1));
        }
        // Cranking: the start mode, the same for every table.
        if (table == tables.first()) {
            for (const int rpm : {150, 250, 350, 450}) {
                BenchPoint crank =
                    steadyPoint(firmware, table, 1, PointKind::Cranking, rpm, kMeasure);
                crank.expectedRow = 0;
                crank.expected.reset();
                crank.code = 0;
                points.append(crank);
            }
        }
        for (int rpm = 20000; rpm <= 25000; rpm += 1000) {
            BenchPoint over = steadyPoint(firmware, table, 32, PointKind::OverRev, rpm, kMeasure);
            points.append(over);
        }
        if (mode != CheckMode::Full)
            continue;
        for (const int rate : {2000, 10000, 30000}) {
            for (const int sign : {1, -1}) {
                BenchPoint ramp;
                ramp.table = table;
                ramp.row = 0;
                ramp.kind = PointKind::Ramp;
                ramp.rpm = int(sign > 0 ? kRampLow : kRampHigh);
                ramp.toRpm = int(sign > 0 ? kRampHigh : kRampLow);
                ramp.rate = sign * rate;
                ramp.settle = 3;
                ramp.tolerance = toleranceAt(firmware, kRampHigh);
                ramp.periods = rampPeriods(firmware, ramp.rpm, ramp.toRpm, ramp.rate, 3);
                points.append(ramp);
            }
        }
        for (int row = 1; row <= 32; ++row) {
            const double low = rowStartRpm(firmware, row);
            double high = row < 32 ? rowStartRpm(firmware, row + 1) : kTopRpm;
            if (high <= low * 1.02)
                high = low * 1.02;
            const double middle = (low + high) / 2;
            BenchPoint longRun =
                steadyPoint(firmware, table, row, PointKind::LongRun, middle, kLongRun);
            longRun.row = longRun.expectedRow = row;
            longRun.code = firmware.code(table, row);
            longRun.expected = tableAngle(firmware, table, row);
            longRun.tolerance = toleranceAt(firmware, longRun.rpm, longRun.code);
            points.append(longRun);
            if (!firmware.trimmerRead)
                continue;
            for (const auto &[kind, millivolts] :
                 {std::pair{PointKind::TrimLow, 0}, std::pair{PointKind::TrimHigh, 5000}}) {
                BenchPoint trim = steadyPoint(firmware, table, row, kind, middle, kMeasure);
                trim.row = row;
                trim.trimMillivolts = millivolts;
                points.append(trim);
            }
        }
    }
    return points;
}

double periodCycles(const BenchFirmware &firmware, double rpm)
{
    return firmware.clockMHz * 1e6 * 60.0 / rpm;
}

double markDegrees(const BenchFirmware &firmware)
{
    return std::clamp(firmware.markSteps * 0.7, 1.0, 180.0);
}

namespace {

// Where a firmware that times the spark from the period before fires in a revolution of
// `period` cycles after one of `before`: none when the table has no spark or it would come after
// the next edge.
std::optional<double> idealAdvance(const BenchFirmware &firmware, int table, int row, double before,
                                   double period)
{
    const int code = firmware.code(table, row);
    if (code == kNoAngleCode)
        return std::nullopt;
    if (code == 0 || code == 255)
        return double(firmware.sensorAngle);
    const double steps = code < kNoAngleCode ? code : code - 255;
    const double fraction = (steps < 0 ? 1.0 : 0.0) + steps * 0.7 / 360.0;
    const double delay = fraction * before;
    if (delay >= period)
        return std::nullopt;
    return firmware.sensorAngle - delay / period * 360.0 + (delay > period / 2 ? 360.0 : 0.0);
}

} // namespace

QList<RevolutionDetail> revolutionDetails(const BenchFirmware &firmware, const BenchPoint &point,
                                          const QList<RevolutionSample> &revolutions)
{
    QList<RevolutionDetail> details;
    const double clock = firmware.clockMHz * 1e6;
    double seconds = 0;
    for (qsizetype i = 0; i < revolutions.size() && i < point.periods.size(); ++i) {
        const RevolutionSample &rev = revolutions[i];
        const double period = double(point.periods[i]);
        RevolutionDetail d;
        d.seconds = seconds;
        seconds += period / clock;
        d.rpm = clock * 60.0 / period;
        d.row = rev.rowRegister >= 0 && rev.rowRegister < 32 ? rev.rowRegister + 1 : 0;
        d.settling = i < point.settle;
        if (rev.sparks > 0 && rev.firstSparkCycles >= 0) {
            const double delay = double(rev.firstSparkCycles);
            const int code = point.kind == PointKind::Ramp
                                 ? firmware.code(point.table, d.row > 0 ? d.row : 1)
                                 : point.code;
            const bool atSensor = point.kind == PointKind::Cranking || code == 0 || code == 255;
            d.measured = firmware.sensorAngle - delay / period * 360.0 +
                         (delay > period / 2 ? 360.0 : 0.0) -
                         (atSensor ? kSensorSparkLatency : kTimedSparkLatency) / period * 360.0;
        }
        if (rev.pulseCycles >= 0)
            d.pulseMicroseconds = double(rev.pulseCycles) / firmware.clockMHz;
        if (point.kind == PointKind::Ramp) {
            if (i > 0) {
                // Near a breakpoint the period's count may fall either side of it.
                const double before = double(point.periods[i - 1]);
                const double ticks = 16;
                const int rowA = firmwareRowAt(firmware, clock * 60.0 / (before + ticks));
                const int rowB = firmwareRowAt(firmware, clock * 60.0 / (before - ticks));
                d.expected = idealAdvance(firmware, point.table, rowA, before, period);
                const auto other = idealAdvance(firmware, point.table, rowB, before, period);
                if (rowA != rowB && d.measured && other && d.expected &&
                    std::fabs(*other - *d.measured) < std::fabs(*d.expected - *d.measured))
                    d.expected = other;
                // A spark due within a tenth of a turn of an edge may fall either side of it,
                // and the revolution after a row change runs on a compare value that the main
                // loop sets while the revolution has begun: neither is held to the reference.
                const double edgeNear = 36.0;
                if (d.expected) {
                    const double fromEdge =
                        std::fmod(firmware.sensorAngle - *d.expected + 720.0, 360.0);
                    if (fromEdge < edgeNear || fromEdge > 360.0 - edgeNear)
                        d.expected.reset();
                }
                if (i > 1 &&
                    firmwareRowAt(firmware, clock * 60.0 / double(point.periods[i - 2])) != rowA)
                    d.expected.reset();
            }
        } else if (point.kind != PointKind::Cranking && point.kind != PointKind::TrimLow &&
                   point.kind != PointKind::TrimHigh) {
            d.expected = point.expected;
        }
        details.append(d);
    }
    return details;
}

PointResult judgePoint(const BenchFirmware &firmware, const BenchPoint &point,
                       const QList<RevolutionSample> &revolutions)
{
    PointResult result;
    result.point = point;
    result.revolutions = revolutions;
    const QList<RevolutionDetail> details = revolutionDetails(firmware, point, revolutions);
    const bool steadyAngle =
        point.kind == PointKind::Middle || point.kind == PointKind::AboveBreakpoint ||
        point.kind == PointKind::BelowBreakpoint || point.kind == PointKind::LongRun;
    const bool judgeAngle = steadyAngle || point.kind == PointKind::Ramp;
    bool within = details.size() == point.periods.size() && details.size() > point.settle;
    double sum = 0;
    int fired = 0;
    double margin = 0;
    int worstRow = 0; // a ramp's row where it came closest to failing
    bool judged = false;
    std::optional<double> low;
    std::optional<double> high;
    QMap<int, int> rows;
    for (qsizetype i = point.settle; i < details.size(); ++i) {
        const RevolutionDetail &d = details[i];
        const RevolutionSample &rev = revolutions[i];
        result.sparksPerRevolution = std::max(result.sparksPerRevolution, rev.sparks);
        rows[rev.rowRegister] += 1;
        if (rev.sparks > 0) {
            if (!d.pulseMicroseconds || *d.pulseMicroseconds < kPulseMinMicroseconds ||
                *d.pulseMicroseconds > kPulseMaxMicroseconds)
                result.pulseOk = false;
            const double us = d.pulseMicroseconds.value_or(-1);
            result.pulseMin = result.pulseMin ? std::min(*result.pulseMin, us) : us;
            result.pulseMax = result.pulseMax ? std::max(*result.pulseMax, us) : us;
        }
        if (d.measured) {
            sum += *d.measured;
            ++fired;
            low = low ? std::min(*low, *d.measured) : *d.measured;
            high = high ? std::max(*high, *d.measured) : *d.measured;
        }
        if (point.kind == PointKind::Ramp) {
            // Sparks a ramp loses or doubles where the reference is not held are counted in
            // the judged revolutions only.
            const int row = firmwareRowAt(firmware, d.rpm);
            if (const auto table = tableAngle(firmware, point.table, row); table && d.measured)
                result.retard = std::max(result.retard.value_or(-360.0), *table - *d.measured);
            if (!d.expected)
                continue; // the reference has no spark here: nothing to hold the firmware to
        }
        const bool wantSpark = judgeAngle ? d.expected.has_value()
                                          : point.kind != PointKind::OverRev || point.expected;
        if (wantSpark && rev.sparks == 0)
            ++result.missing;
        else if (!wantSpark && rev.sparks > 0)
            result.extra += rev.sparks;
        else if (rev.sparks > 1)
            result.extra += rev.sparks - 1;
        if (judgeAngle && d.expected && d.measured) {
            const double tolerance =
                point.kind == PointKind::Ramp ? toleranceAt(firmware, d.rpm) : point.tolerance;
            const double left = tolerance - std::fabs(*d.measured - *d.expected);
            if (!judged || left < margin)
                worstRow = d.row;
            margin = judged ? std::min(margin, left) : left;
            judged = true;
        }
    }
    if (point.kind == PointKind::OverRev && point.expected)
        result.missing = 0; // where the spark stops above the top is reported, not judged
    if (fired > 0) {
        result.measured = sum / fired;
        const auto reference = point.kind == PointKind::TrimLow || point.kind == PointKind::TrimHigh
                                   ? tableAngle(firmware, point.table, point.row)
                                   : point.expected;
        if (reference && point.kind != PointKind::Ramp)
            result.difference = *result.measured - *reference;
        if (fired > 1)
            result.jitter = *high - *low;
    }
    if (judged) {
        result.margin = margin;
        if (margin < 0)
            within = false;
    }
    int mostSeen = 0;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        if (it.value() > mostSeen) {
            mostSeen = it.value();
            result.usedRow = it.key() >= 0 && it.key() < 32 ? it.key() + 1 : 0;
        }
    }
    if (point.kind == PointKind::Ramp)
        result.usedRow = worstRow;
    const bool rowOk = !steadyAngle || result.usedRow == point.expectedRow;
    result.ok = within && rowOk && result.missing == 0 && result.extra == 0 && result.pulseOk;
    return result;
}

QList<StaticFinding> staticChecks(const BenchFirmware &firmware, const QList<int> &tables)
{
    QList<StaticFinding> findings;
    for (int row = 3; row <= 32; ++row) {
        const int constant = firmware.compareConstant(row);
        const int below = firmware.compareConstant(row - 1);
        const int rpm = shownRpm(firmware, row);
        const int rpmBelow = shownRpm(firmware, row - 1);
        if (constant < below) {
            findings.append({0, row,
                             QStringLiteral("RPM breakpoint %1 is below row %2's %3")
                                 .arg(rpm)
                                 .arg(row - 1)
                                 .arg(rpmBelow),
                             QStringLiteral("порог %1 об/мин ниже порога строки %2 (%3)")
                                 .arg(rpm)
                                 .arg(row - 1)
                                 .arg(rpmBelow)});
        } else if (constant == below) {
            findings.append(
                {0, row - 1,
                 QStringLiteral("shares compare constant %1 with row %2 and is never used")
                     .arg(constant)
                     .arg(row),
                 QStringLiteral("та же константа сравнения %1, что у строки %2: строка не "
                                "используется никогда")
                     .arg(constant)
                     .arg(row)});
        }
    }
    for (const int table : tables) {
        for (int row = 2; row <= 32; ++row) {
            const int code = firmware.code(table, row);
            const int before = firmware.code(table, row - 1);
            if (code == kNoAngleCode || before == kNoAngleCode)
                continue;
            const double jump = double(codeToAngle(code, firmware.sensorAngle) -
                                       codeToAngle(before, firmware.sensorAngle));
            if (std::fabs(jump) > 10.0)
                findings.append({table, row,
                                 QStringLiteral("angle jumps by %1° from row %2")
                                     .arg(jump, 0, 'f', 1)
                                     .arg(row - 1),
                                 QStringLiteral("скачок угла на %1° от строки %2")
                                     .arg(jump, 0, 'f', 1)
                                     .arg(row - 1)});
        }
    }
    return findings;
}
