// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QFont>
#include <QString>

// The font family of the window: the first installed of the sans-serif families whose metrics
// the layout was made for, or empty for the toolkit's default. Asking for one installed family
// spares the font system a fallback search for every name that is not there.
QString windowFontFamily();

// The window's font: that family at 11 pixels, the size the controls' places were made for.
QFont windowFont();
