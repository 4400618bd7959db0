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
    // A firmware image (FILE.hex) rather than a source: its settings and tables decoded from the
    // instructions; its sensor angle only when the command line gave one.
    bool image = false;

    const Calibration &calibration() const { return scan.calibration; }
};

// Reads and scans the file, or decodes it when its name ends in ".hex"; says on stderr when a save
// of a source did not finish. Reports a file that
// cannot be read, a scan that stops with the window's message (and the source line it is about)
// or an image that cannot be decoded (with the part not found) and returns nothing. An image
// takes `imageSensorAngle` as its sensor angle.
std::optional<FirmwareFile> loadFirmware(const QString &path, const CliContext &context,
                                         const std::optional<QString> &imageSensorAngle = {});

// The sensor angle for images that the options "--sensor N" or "--source FILE.asm" give; none
// without them. False after a message when the option's value is no angle or the source cannot
// be read.
bool imageSensorAngle(const CommandArguments &arguments, const CliContext &context,
                      std::optional<QString> &angle);

// Whether the file's angles can be shown: a source's always, an image's with a sensor angle.
inline bool hasAngles(const FirmwareFile &file)
{
    return !file.image || file.calibration().sensorAngle.has_value();
}

// The sensor angle the angles count from: the file's, or the window's start value "20" when the
// file names none. Reports one that is no whole number and returns nothing.
std::optional<int> sensorAngleOf(const FirmwareFile &file, const CliContext &context);

// The angle column's text of one code at that sensor angle: "-" for 180, nothing for an empty
// code, else the angle in the general number format.
QString angleText(const QString &code, int sensorAngle);
