// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/offendingcell.h"

#include "domain/anglecode.h"
#include "domain/calibration.h"
#include "domain/numbers.h"
#include "session/gridmodel.h"

std::optional<QPoint> offendingCell(MessageId stop, const GridModel &grid,
                                    const QString &sensorAngleText)
{
    try {
        switch (stop) {
        case MessageId::BelowSensorLimit:
        case MessageId::AboveSensorLimit:
            for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
                if (angleToCode(grid.cell(GridModel::kAngleColumn, row), sensorAngleText).failure !=
                    AngleLimit::None)
                    return QPoint(GridModel::kAngleColumn, row);
            }
            break;
        case MessageId::FillAllAngles:
            if (const int row = grid.firstEmptyAngleRow())
                return QPoint(GridModel::kAngleColumn, row);
            break;
        case MessageId::RpmTooLow:
        case MessageId::RpmTooHigh:
            // The writer goes from the highest breakpoint down; row 1 is fixed.
            for (int row = GridModel::kLastPoint; row > GridModel::kFirstPoint; --row) {
                const int rpm = strToInt(grid.cell(GridModel::kRpmColumn, row));
                if (rpm < kLowestRpm || rpm > kHighestRpm)
                    return QPoint(GridModel::kRpmColumn, row);
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
