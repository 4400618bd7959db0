// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

// The messages the logic asks the window to show; the window words them in the current language.
enum class MessageId
{
    OpenFileFirst,     // "Save to table" or a save without a loaded source
    FillAllAngles,     // an empty angle cell
    BelowSensorLimit,  // an angle more than 125 degrees below the sensor
    AboveSensorLimit,  // an angle more than 52 degrees above the sensor
    MissingData,       // a marker or a value of the source not found
    FileAccess,        // the source cannot be opened (error box, followed by the path)
    RpmTooLow,         // an RPM breakpoint below 460
    RpmTooHigh,        // an RPM breakpoint above 20000
    HelpMissing,       // the help file is not there
    PulseOutOfRange,   // the second pulse's step count outside 0 to 255
    NotRegularFile,    // a file to read is a FIFO, a device or a socket (error box, the path)
    FileTooLarge,      // a file to read is larger than 64 MiB (error box, the path)
    NotAFile,          // a file to read is a folder (error box, the path)
    ChangedOnDisk,     // question: the file changed since the load (the path)
    DeletedFromDisk,   // question: the file was removed since the load (the path)
    NoTerminal,        // no terminal program to run the assembler in
    CommandNotStarted, // the terminal could not be started (the program's name)
};
