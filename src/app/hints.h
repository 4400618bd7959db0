// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

class QPainter;
class QRect;
class TForm1;

// What the window says about its controls beyond their captions: a tooltip for every control,
// one per grid column (the code columns name the active table), and the chart's axis titles,
// all in the window's current language. Applied again after the language switch.
void applyHints(TForm1 &form);
