// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

// The font family of the window: the first installed of the sans-serif families whose metrics
// the layout was made for, or empty for the toolkit's default. Asking for one installed family
// spares the font system a fallback search for every name that is not there.
QString windowFontFamily();
