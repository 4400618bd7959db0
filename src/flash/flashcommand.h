// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QStringList>

class QSettings;
class QTextStream;

// "flash FILE.hex [-c PROGRAMMER] [-P PORT] [--source FILE.asm] [--force]" of the command-line
// tool, in this order:
//  1. the image is decoded; with --source it must hold exactly the source's settings and
//     tables, else what differs is printed and nothing is written (exit 1) unless --force;
//  2. the chip is read into a copy beside the source (or the HEX), "<name>-chip-<date>-<time>.hex";
//     a chip that is no ATmega8 is refused (exit 1); when no copy can be made nothing is
//     written (exit 1) unless --force;
//  3. avrdude writes the image with its verify; a failed verify is an error (exit 1);
//  4. the chip is read back and decoded, and one line says that it holds the source's (or the
//     image's) tables, or what differs (exit 1).
// The programmer and port not given come from `settings` (what the window's dialog chose last),
// else USBasp on avrdude's default port; a value starting with '-' is refused. `arguments` are
// those after "flash", the flag "--force" and the option "--source FILE" among them. avrdude's
// report and the messages, in `language` (0 Russian, 1 English), go to `err`. Exit status: 0
// done, 1 refused or failed, 2 for a usage error, a file that is missing or no Intel HEX, or
// avrdude missing.
int runFlashCommand(const QStringList &arguments, QSettings &settings, QTextStream &err,
                    unsigned char language);

// "read-chip OUT.hex [-c PROGRAMMER] [-P PORT]": reads the chip's flash into OUT.hex (which must
// not exist yet; nothing is left there when the read fails) and says whether it holds tables of
// this layout. Exit status as above.
int runReadChipCommand(const QStringList &arguments, QSettings &settings, QTextStream &err,
                       unsigned char language);
