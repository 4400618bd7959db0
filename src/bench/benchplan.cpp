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

constexpr double kRowOneRpm = 460;
constexpr double kTopRpm = 20000;

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
    return 117187.5 / (255 - firmware.compareConstant(row));
}

int shownRpm(const BenchFirmware &firmware, int row)
{
    if (row == 1)
        return int(kRowOneRpm);
    return int(rpmOfCompareConstant(firmware.compareConstant(row)));
}

double toleranceAt(double rpm)
{
    return 0.35 + 360.0 * rpm / 60.0 * 3e-6;
}

QList<BenchPoint> planPoints(const BenchFirmware &firmware, const QList<int> &tables)
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
            const double above = std::min(shown + std::max(10.0, shown * 0.005), middle);

            BenchPoint point;
            point.table = table;
            point.row = row;
            point.code = firmware.code(table, row);
            if (point.code != kNoAngleCode)
                point.expected = double(codeToAngle(point.code, firmware.sensorAngle));
            point.kind = PointKind::Middle;
            point.rpm = int(std::lround(middle));
            point.tolerance = toleranceAt(point.rpm);
            points.append(point);
            point.kind = PointKind::AboveBreakpoint;
            point.rpm = int(std::ceil(above));
            point.tolerance = toleranceAt(point.rpm);
            points.append(point);
        }
    }
    return points;
}

double periodCycles(const BenchFirmware &firmware, int rpm)
{
    return firmware.clockMHz * 1e6 * 60.0 / rpm;
}

double markCycles(const BenchFirmware &firmware, int rpm)
{
    const double degrees = std::clamp(firmware.markSteps * 0.7, 1.0, 180.0);
    return periodCycles(firmware, rpm) * degrees / 360.0;
}

PointResult judgePoint(const BenchFirmware &firmware, const BenchPoint &point,
                       const QList<RevolutionSample> &revolutions)
{
    PointResult result;
    result.point = point;
    const double period = periodCycles(firmware, point.rpm);
    double sum = 0;
    int fired = 0;
    bool allWithin = !revolutions.isEmpty();
    QMap<int, int> rows;
    for (const RevolutionSample &rev : revolutions) {
        result.sparksPerRevolution = std::max(result.sparksPerRevolution, rev.sparks);
        rows[rev.rowRegister] += 1;
        if (rev.sparks == 0) {
            if (point.expected)
                allWithin = false;
            continue;
        }
        const double delay = rev.firstSparkCycles / period * 360.0;
        const double advance = firmware.sensorAngle - delay + (delay > 180.0 ? 360.0 : 0.0);
        sum += advance;
        ++fired;
        if (rev.sparks != 1 || !point.expected ||
            std::fabs(advance - *point.expected) > point.tolerance)
            allWithin = false;
    }
    if (fired > 0) {
        result.measured = sum / fired;
        if (point.expected)
            result.difference = *result.measured - *point.expected;
    }
    int mostSeen = 0;
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        if (it.value() > mostSeen) {
            mostSeen = it.value();
            result.usedRow = it.key() >= 0 && it.key() < 32 ? it.key() + 1 : 0;
        }
    }
    result.ok = allWithin && result.usedRow == point.row;
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
