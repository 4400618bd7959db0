// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

// The grid column of the active table, from the text of its box ("1".."3"). Throws
// ConversionError for a text that is not a whole number, and for a number that names no
// table: column 0 holds the RPM breakpoints and column 4 the angles, which codes must never
// overwrite (a pasted "4" or "0" gets past the box's key filter).
int activeTableColumn(const QString &activeTableText);
