// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class TForm1;

// The table window's own size, at which every control stands at its fixed place.
inline constexpr QSize kFormSize(873, 535);

// Puts the grid and the chart to the form's current size: at kFormSize their fixed places;
// beyond it the chart takes the extra width and height, the grid the extra height. The other
// controls keep their places.
void stretchForm(TForm1 &form);

// The size of a window that needs `natural` to show everything, where `room` is what the screen
// offers: `natural` where it fits; else what fits, widened (or heightened) by a scroll bar's
// `scrollBarExtent` where the missing part brings a scroll bar and there is room for it.
QSize fittedWindowSize(QSize natural, QSize room, int scrollBarExtent);

// The top-left corner of a window frame of size `frame` centred in `available`; a frame larger
// than the area starts at its top or left edge, so that the title bar stays on the screen.
QPoint centredWindowPosition(QSize frame, const QRect &available);
