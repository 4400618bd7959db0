// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "format/inputfile.h"

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
inline constexpr qint64 kLargestSource = kLargestInput;

// A source file read by the rule for every input file, with its stamp.
struct SourceFileRead : InputFileRead
{
    FileStamp stamp;
};

// Reads a source file as readInputFile does; a read one gets its stamp.
SourceFileRead readSourceFile(const QString &path);

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
