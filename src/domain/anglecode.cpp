// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "domain/anglecode.h"

#include "domain/numbers.h"

long double codeToAngle(int code, int sensorAngle)
{
    if (code < kNoAngleCode)
        return sensorAngle - code * kAngleStep;
    const int stepsAbove = 255 - code;
    return sensorAngle + stepsAbove * kAngleStep;
}

QString angleTextForCode(int code, const QString &sensorAngleText)
{
    if (code == kNoAngleCode)
        return kNoAngleMark;
    return angleTextForCode(code, strToInt(sensorAngleText));
}

QString angleTextForCode(int code, int sensorAngle)
{
    if (code == kNoAngleCode)
        return kNoAngleMark;
    return floatToStr(codeToAngle(code, sensorAngle));
}

AngleCode angleToCode(const QString &angleText, const QString &sensorAngleText)
{
    if (angleText == kNoAngleMark)
        return {kNoAngleCode, AngleLimit::None};
    const double angle = strToFloat(angleText);
    const int sensor = strToInt(sensorAngleText);
    if (sensor >= angle) {
        const long double code =
            roundHalfEven((sensor - static_cast<long double>(angle)) / kAngleStep);
        if (code >= kNoAngleCode)
            return {0, AngleLimit::Below};
        return {int(code), AngleLimit::None};
    }
    const long double code =
        roundHalfEven(255 - (static_cast<long double>(angle) - sensor) / kAngleStep);
    if (code <= kNoAngleCode)
        return {0, AngleLimit::Above};
    return {int(code), AngleLimit::None};
}
