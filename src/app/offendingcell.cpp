// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/offendingcell.h"

#include "domain/anglecode.h"
#include "domain/calibration.h"
#include "domain/numbers.h"
#include "session/document.h"

std::optional<QPoint> offendingCell(MessageId stop, const Document &document)
{
    const QString &sensorAngleText = document.settings.sensorAngle;
    try {
        switch (stop) {
        case MessageId::BelowSensorLimit:
        case MessageId::AboveSensorLimit:
            for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
                if (angleToCode(document.cell(Document::kAngleColumn, row), sensorAngleText)
                        .failure != AngleLimit::None)
                    return QPoint(Document::kAngleColumn, row);
            }
            break;
        case MessageId::FillAllAngles:
            if (const int row = document.firstEmptyAngleRow())
                return QPoint(Document::kAngleColumn, row);
            break;
        case MessageId::RpmTooLow:
        case MessageId::RpmTooHigh:
            // The writer goes from the highest breakpoint down; row 1 is fixed.
            for (int row = Document::kLastPoint; row > Document::kFirstPoint; --row) {
                const int rpm = strToInt(document.cell(Document::kRpmColumn, row));
                if (rpm < kLowestRpm || rpm > kHighestRpm)
                    return QPoint(Document::kRpmColumn, row);
            }
            break;
        default:
            break;
        }
    } catch (const ConversionError &) {
        // A text that is no number stops the save with its own report before any limit.
    }
    return std::nullopt;
}

std::optional<QPoint> unreadableCell(const ConversionError &error, const Document &document)
{
    const auto gives = [&](const auto &read, const QString &text) {
        try {
            read(text);
            return false;
        } catch (const ConversionError &raised) {
            return raised == error;
        }
    };
    for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
        if (gives(strToInt, document.cell(Document::kRpmColumn, row)))
            return QPoint(Document::kRpmColumn, row);
        const QString &angle = document.cell(Document::kAngleColumn, row);
        if (angle != kNoAngleMark && gives(strToFloat, angle))
            return QPoint(Document::kAngleColumn, row);
    }
    return std::nullopt;
}
