// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "cli/command.h"
#include "format/scan.h"
#include "format/sourcefile.h"
#include "format/sourcetext.h"

#include <optional>

// A firmware source read and scanned completely, as a load in the window would.
struct FirmwareFile
{
    QString path;
    QByteArray bytes; // as read
    SourceText text;
    ScanResult scan;
    FileStamp stamp;
    // The copy of the old text when a save of the file did not finish: nothing writes over it.
    std::optional<QString> interruptedBackup;

    const Calibration &calibration() const { return scan.calibration; }
};

// Reads and scans the file; says on stderr when a save of it did not finish. Reports a file that
// cannot be read or a scan that stops with the window's message (and the source line it is about)
// and returns nothing.
std::optional<FirmwareFile> loadFirmware(const QString &path, const CliContext &context);

// The sensor angle the angles count from: the file's, or the window's start value "20" when the
// file names none. Reports one that is no whole number and returns nothing.
std::optional<int> sensorAngleOf(const FirmwareFile &file, const CliContext &context);

// The angle column's text of one code at that sensor angle: "-" for 180, nothing for an empty
// code, else the angle in the general number format.
QString angleText(const QString &code, int sensorAngle);
