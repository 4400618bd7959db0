// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "domain/calibration.h"

#include "domain/numbers.h"

int Calibration::rpm(int point) const
{
    if (point <= 1)
        return kIdleRpm;
    return int(rpmOfCompareConstant(compareConstant(point)));
}

long double rpmOfCompareConstant(long double constant)
{
    if (constant == 255)
        throw ConversionError::divisionByZero();
    return 10 * roundHalfEven(kRpmTimesCompareSteps / 10 / (255 - constant));
}

int compareConstantForRpm(int rpm)
{
    return int(roundHalfEven(255.0L - kRpmTimesCompareSteps / rpm));
}

QString sparkOutputText(SparkOutput output)
{
    return output == SparkOutput::PortC0 ? QStringLiteral("PortC,0") : QStringLiteral("PortD,6");
}

std::optional<SparkOutput> sparkOutputFromText(QStringView text)
{
    if (text == u"PortC,0")
        return SparkOutput::PortC0;
    if (text == u"PortD,6")
        return SparkOutput::PortD6;
    return std::nullopt;
}

QString secondPulseText(const SecondPulse &pulse)
{
    if (pulse.automatic == true)
        return QStringLiteral("auto");
    return floatToStr(pulse.steps * kAngleStep);
}

bool breakpointAbove(int rpm, int below)
{
    if (rpm <= below)
        return false;
    const auto inRange = [](int value) { return value >= kLowestRpm && value <= kHighestRpm; };
    if (!inRange(rpm) || !inRange(below))
        return true;
    return compareConstantForRpm(rpm) > compareConstantForRpm(below);
}

QList<UnorderedBreakpoint> unorderedBreakpoints(const Calibration &calibration)
{
    const auto rpmOf = [&](int point) {
        const int constant = point == 1 ? 0 : calibration.compareConstant(point);
        return constant == 255 ? 0 : int(rpmOfCompareConstant(constant));
    };
    QList<UnorderedBreakpoint> found;
    for (int point = 2; point <= kPointCount; ++point) {
        const int below = point == 2 ? 0 : calibration.compareConstant(point - 1);
        if (calibration.compareConstant(point) <= below)
            found.append({point, rpmOf(point), rpmOf(point - 1)});
    }
    return found;
}
