// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "format/assembler.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QSettings;

// Writing the assembled firmware into the ATmega8 with avrdude: part m8, a programmer of the
// user's choice (USBasp unless told otherwise), an optional port, the HEX with verification.

struct ProgrammerChoice
{
    QString programmer = QStringLiteral("usbasp"); // avrdude's programmer id (-c)
    QString port;                                  // avrdude's port (-P); empty for its default

    bool operator==(const ProgrammerChoice &) const = default;
};

// One entry of the list "avrdude -c ?" prints.
struct ProgrammerInfo
{
    QString id;
    QString description;

    bool operator==(const ProgrammerInfo &) const = default;
};

// The entries of avrdude's "Valid programmers are:" list, in its order.
QList<ProgrammerInfo> parseProgrammerList(const QString &avrdudeOutput);
// Runs "avrdude -c ?" and parses what it prints; empty when avrdude is missing or hangs.
QList<ProgrammerInfo> listProgrammers();

// The choice remembered from the last time, or USBasp on its default port.
ProgrammerChoice loadProgrammerChoice(QSettings &settings);
void saveProgrammerChoice(QSettings &settings, const ProgrammerChoice &choice);

// The HEX the assembler builds beside the source: the source's name with ".hex" for its last
// extension ("CDI.asm" gives "CDI.hex" in the same folder).
QString hexPathFor(const QString &sourcePath);

enum class HexState
{
    Missing,
    OlderThanSource,
    Current,
};
HexState hexState(const QString &sourcePath, const QString &hexPath);

// avrdude's arguments: every value is one argument of its own, so a path with spaces or quotes
// reaches avrdude whole.
QStringList avrdudeArguments(const ProgrammerChoice &choice, const QString &hexPath);

// What the terminal prints after the tools have run, in the window's language.
struct FlashTexts
{
    QString assemblerFailed; // followed by the assembler's exit status
    QString hexNotBuilt;     // followed by the HEX path
    QString flashFailed;     // followed by avrdude's exit status
    QString flashEnded;      // avrdude returned 0
    QString avrdudeMissing;  // avrdude is not installed
};
FlashTexts flashTexts(unsigned char language);

// A terminal that stays open and runs, in the HEX's folder, first the assembler on sourcePath
// when assembleFirst is set (and stops there when it fails or builds no HEX), then avrdude. It
// prints each command line and avrdude's exit status; a failure is named as such, and an exit
// status of 0 is reported as avrdude's, never as ours. Paths and texts reach the script as
// arguments of their own, never inside shell text.
LaunchCommand flashCommand(const QString &sourcePath, const QString &hexPath,
                           const ProgrammerChoice &choice, bool assembleFirst,
                           const FlashTexts &texts,
                           const ExecutableLookup &onSearchPath = isOnSearchPath);
