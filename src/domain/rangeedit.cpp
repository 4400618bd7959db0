// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "domain/rangeedit.h"

#include "domain/anglecode.h"
#include "domain/numbers.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

bool hasAngle(const QString &text)
{
    return text != kNoAngleMark;
}

// The angles as numbers, nothing for "-"; throws for a text that is not a number.
QList<std::optional<long double>> parsed(const QStringList &angles)
{
    QList<std::optional<long double>> values;
    values.reserve(angles.size());
    for (const QString &text : angles)
        values.append(hasAngle(text) ? std::optional<long double>(strToFloat(text)) : std::nullopt);
    return values;
}

// Each angle through `change`, then onto its nearest code; stops at the first beyond the codes.
template <typename Change>
SnappedAngles snapped(const QStringList &angles, int sensorAngle, Change change)
{
    const auto values = parsed(angles);
    SnappedAngles result{angles};
    QStringList texts = angles;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!values.at(i))
            continue;
        const long double steps = roundHalfEven((sensorAngle - change(*values.at(i))) / kAngleStep);
        // 0..179 steps below the sensor, 1..74 above it (codes 254..181).
        if (steps >= kNoAngleCode || steps <= -(255 - kNoAngleCode)) {
            result.failedRow = int(i);
            result.failure = steps > 0 ? AngleLimit::Below : AngleLimit::Above;
            return result;
        }
        const int code = steps >= 0 ? int(steps) : 255 + int(steps);
        texts[i] = angleTextForCode(code, sensorAngle);
    }
    result.angles = texts;
    return result;
}

} // namespace

SnappedAngles offsetAngles(const QStringList &angles, double degrees, int sensorAngle)
{
    return snapped(angles, sensorAngle, [degrees](long double a) { return a + degrees; });
}

SnappedAngles scaleAngles(const QStringList &angles, double percent, int sensorAngle)
{
    return snapped(angles, sensorAngle, [percent](long double a) {
        return a * static_cast<long double>(percent) / 100;
    });
}

QString tenthText(long double angle)
{
    long double tenths = roundHalfEven(angle * 10);
    if (tenths == 0)
        tenths = 0; // no "-0"
    return floatToStr(tenths / 10);
}

QStringList interpolateAngles(const QStringList &angles, const QStringList &rpms)
{
    const auto values = parsed(angles);
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (values.at(i)) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    QStringList result = angles;
    if (first < 0 || last - first < 2)
        return result;
    const long double x0 = strToInt(rpms.at(first));
    const long double x1 = strToInt(rpms.at(last));
    const long double y0 = *values.at(first);
    const long double y1 = *values.at(last);
    for (qsizetype i = first + 1; i < last; ++i) {
        if (!values.at(i))
            continue;
        const long double share = x1 != x0 ? (strToInt(rpms.at(i)) - x0) / (x1 - x0)
                                           : static_cast<long double>(i - first) / (last - first);
        result[i] = tenthText(y0 + (y1 - y0) * share);
    }
    return result;
}

QStringList shiftAngles(const QStringList &angles, int steps)
{
    const auto values = parsed(angles);
    QStringList result = angles;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (values.at(i))
            result[i] = tenthText(*values.at(i) + steps * kAngleStep);
    }
    return result;
}

QStringList setAngles(const QStringList &angles, double angle)
{
    parsed(angles);
    QStringList result = angles;
    const QString text = tenthText(angle);
    for (QString &cell : result) {
        if (hasAngle(cell))
            cell = text;
    }
    return result;
}

QStringList smoothAngles(const QStringList &angles)
{
    const auto values = parsed(angles);
    QStringList result = angles;
    for (qsizetype i = 1; i + 1 < values.size(); ++i) {
        if (!values.at(i))
            continue;
        long double sum = 0;
        int count = 0;
        for (qsizetype j = i - 1; j <= i + 1; ++j) {
            if (values.at(j)) {
                sum += *values.at(j);
                ++count;
            }
        }
        result[i] = tenthText(sum / count);
    }
    return result;
}

int nearestCode(double angle, int sensorAngle)
{
    constexpr long double kLowest = -(255 - (kNoAngleCode + 1)); // code 181
    constexpr long double kHighest = kNoAngleCode - 1;           // code 179
    const long double steps =
        roundHalfEven((sensorAngle - static_cast<long double>(angle)) / kAngleStep);
    const int k = int(std::clamp(steps, kLowest, kHighest));
    return k >= 0 ? k : 255 + k;
}

QList<int> differingRows(const QStringList &ours, const QStringList &theirs)
{
    QList<int> rows;
    const qsizetype count = std::min(ours.size(), theirs.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QString &a = ours.at(i);
        const QString &b = theirs.at(i);
        if (a == b)
            continue;
        bool differ = true;
        if (hasAngle(a) && hasAngle(b)) {
            try {
                differ = strToFloat(a) != strToFloat(b);
            } catch (const ConversionError &) {
                differ = true;
            }
        }
        if (differ)
            rows.append(int(i));
    }
    return rows;
}
