// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/messageid.h"

#include <QByteArray>
#include <QString>

// The largest file the program reads: a source, a CSV, an Intel HEX.
inline constexpr qint64 kLargestInput = 64 * 1024 * 1024;

// One file read whole, or why it was not.
struct InputFileRead
{
    enum Outcome
    {
        Read,
        CannotOpen, // missing or unreadable
        Directory,  // a folder
        NotRegular, // a FIFO, a device, a socket: refused before it is opened
        TooLarge,   // more than kLargestInput bytes
    };
    Outcome outcome = CannotOpen;
    QByteArray bytes;
    qint64 modifiedNs = 0; // of the file that was read
};

// The one way every file the program reads is read. Only a regular file (also through symbolic
// links) of at most kLargestInput bytes is read. The name is checked before it is opened, without
// blocking, and the opened file is checked again, so that a name swapped for a FIFO or a device
// in between is refused too: a FIFO cannot block and a device cannot fill the memory.
InputFileRead readInputFile(const QString &path);

// The message for a refused read, followed by the path when shown: FileAccess, NotAFile,
// NotRegularFile or FileTooLarge.
MessageId refusalMessage(InputFileRead::Outcome outcome);
