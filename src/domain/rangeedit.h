// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/anglecode.h"

#include <QList>
#include <QString>
#include <QStringList>

// Commands over a run of consecutive rows of the angle column. Each takes the angle texts of
// the rows (and where needed their RPM texts) and returns the new texts, which the window writes
// into the cells as if they had been typed. "-" (no angle) stays "-"; a new angle is rounded to
// a tenth of a degree and written in the general number format. A text that is neither "-" nor
// a number throws ConversionError before anything is returned.

// Straight line in RPM from the first to the last row that holds an angle; the rows between
// them get the line's value, the two ends keep their texts. Where both ends share one RPM the
// line runs over the row positions instead.
QStringList interpolateAngles(const QStringList &angles, const QStringList &rpms);

// Every angle moved by `steps` table-code steps of 0.7 degree (up for positive steps).
QStringList shiftAngles(const QStringList &angles, int steps);

// Every angle set to `angle`.
QStringList setAngles(const QStringList &angles, double angle);

// The result of a change that puts every angle on a code: the new texts, or the first row
// (0-based) whose new angle lies beyond the codes and on which side; the texts are then the old.
struct SnappedAngles
{
    QStringList angles;
    int failedRow = -1;
    AngleLimit failure = AngleLimit::None;
};

// Every angle moved by `degrees`, then put on the angle of its nearest code at the sensor angle.
SnappedAngles offsetAngles(const QStringList &angles, double degrees, int sensorAngle);

// Every angle multiplied by `percent` / 100, then put on the angle of its nearest code.
SnappedAngles scaleAngles(const QStringList &angles, double percent, int sensorAngle);

// Three-point moving average over the rows with angles: each inner row becomes the mean of
// itself and those of its two neighbours that hold angles; the first and last rows are kept.
QStringList smoothAngles(const QStringList &angles);

// The angle as the column shows it: rounded to a tenth, half to even, general number format.
QString tenthText(long double angle);

// The table code nearest to `angle` at the sensor angle: on the grid of sensor - 0.7 * k, with
// k kept within the codes that mean an angle (0..179 below the sensor, 181..255 above).
int nearestCode(double angle, int sensorAngle);

// Rows (0-based) whose angle texts differ between two columns of equal length: "-" against a
// number, or two numbers that differ; a text that is not a number differs from everything.
QList<int> differingRows(const QStringList &ours, const QStringList &theirs);
