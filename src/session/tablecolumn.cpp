// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/tablecolumn.h"

#include "domain/numbers.h"

int activeTableColumn(const QString &activeTableText)
{
    const int column = strToInt(activeTableText);
    if (column < 1 || column > 3)
        throw ConversionError(
            QStringLiteral("'%1' is not a valid table number").arg(activeTableText));
    return column;
}
