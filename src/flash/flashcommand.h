// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QStringList>

class QSettings;
class QTextStream;

// "flash FILE.hex [-c PROGRAMMER] [-P PORT]" of the command-line tool: writes the HEX into the
// ATmega8 with avrdude, whose report goes straight to the terminal. The programmer and port not
// given come from `settings` (what the window's dialog chose last), else USBasp on avrdude's
// default port. `arguments` are those after "flash". Messages in `language` (0 Russian,
// 1 English) on `err`. Exit status: 0 when avrdude ended with 0, 1 when it failed, 2 for a
// usage error, a file that is missing or no Intel HEX, or avrdude missing or crashed.
int runFlashCommand(const QStringList &arguments, QSettings &settings, QTextStream &err,
                    unsigned char language);
