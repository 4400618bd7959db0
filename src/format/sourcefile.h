// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/messageid.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What a source file on disk was when it was read or written: enough to tell whether something
// else has changed it since.
struct FileStamp
{
    qint64 size = 0;
    qint64 modifiedNs = 0; // modification time in nanoseconds
    QByteArray hash;       // of the bytes

    bool operator==(const FileStamp &) const = default;
};

// The largest source the load reads.
inline constexpr qint64 kLargestSource = 64 * 1024 * 1024;

struct SourceFileRead
{
    enum Outcome
    {
        Read,
        CannotOpen, // missing, unreadable, or a folder
        NotRegular, // a FIFO, a device, a socket: refused before it is opened
        TooLarge,   // more than kLargestSource bytes
    };
    Outcome outcome = CannotOpen;
    QByteArray bytes;
    FileStamp stamp;
};

// Reads a source file. Only a regular file (also through a symbolic link) of at most
// kLargestSource bytes is opened and read; anything else is refused without a read, so that a
// FIFO cannot block and a device cannot fill the memory.
SourceFileRead readSourceFile(const QString &path);

// The message for a read that was refused: FileAccess, NotRegularFile or FileTooLarge.
MessageId refusalMessage(SourceFileRead::Outcome outcome);

// The stamp of bytes just written to path, or nothing when path cannot be examined.
std::optional<FileStamp> stampOfWritten(const QString &path, const QByteArray &bytes);

enum class DiskChange
{
    None,
    Changed, // size, modification time or bytes differ, or it is no longer a regular file
    Deleted,
};

// How the file at path differs from what the stamp describes.
DiskChange diskChangeSince(const FileStamp &stamp, const QString &path);
