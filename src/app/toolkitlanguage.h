// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

// Qt's own texts (message-box and dialog buttons, the file dialog, the context menus of text
// fields) in the window's language: `Language` 0 installs Qt's Russian translation, 1 removes it.
// True when Qt's texts now follow the language; false when the Russian translation is not
// installed on this machine (Debian package qt6-translations-l10n), so they stay English.
bool setToolkitLanguage(unsigned char language);
