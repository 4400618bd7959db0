// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/messageid.h"

#include <QPoint>
#include <QString>

#include <optional>

struct Document;

// The grid cell (x column, y row) that made "Save to table" or "Save to file" stop with the
// warning `stop`: the first angle out of range, the first empty angle, the first RPM
// breakpoint out of range in the order the writer checks them. Nothing for other warnings.
std::optional<QPoint> offendingCell(MessageId stop, const Document &document);

class ConversionError;

// The grid cell whose text gave `error` as the chart refresh reads the grid (row by row, the
// breakpoint before the angle): the first that is no number with that very message.
std::optional<QPoint> unreadableCell(const ConversionError &error, const Document &document);
