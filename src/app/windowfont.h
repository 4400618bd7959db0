// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QFont>
#include <QString>

// The font family of the window: the first installed of the sans-serif families whose metrics
// the layout was made for, or empty for the toolkit's default. Asking for one installed family
// spares the font system a fallback search for every name that is not there.
QString windowFontFamily();

// The window's font: that family at 11 pixels, the size the controls' places were made for, set
// the way the window's original platform sets its dialog font: each glyph fitted to whole pixels
// by the font's own hints, and Latin and Cyrillic text put glyph after glyph from the font's
// character map, without OpenType shaping. Both also spare the first frame work: a hinted glyph
// is drawn at whole-pixel places only, so it is rendered once rather than once per fraction of a
// pixel, and no text is handed to the shaper. Scripts that need shaping are still shaped.
QFont windowFont();

// While it lives, the toolkit's default font is the window's font. The text box and the line
// edits lay out an empty text in the default font inside their constructors, before any font
// of ours can reach them, and throw it away; in the window's font that takes no second face
// and no fallback search through fontconfig. Only the default itself changes, and back when this
// ends: no widget is told, the per-class fonts stay, and windows made later (dialogs, menus) get
// the default font as before.
class WindowFontAsDefault
{
public:
    WindowFontAsDefault();
    ~WindowFontAsDefault();
    WindowFontAsDefault(const WindowFontAsDefault &) = delete;
    WindowFontAsDefault &operator=(const WindowFontAsDefault &) = delete;

private:
    QFont m_default;
};
