// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/numbers.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// A file that could not be written. message() is the English text; the window words it in the
// current language from kind, path, reason and backupPath.
class FileWriteError : public ConversionError
{
public:
    enum Kind
    {
        Unchanged,  // not written: the file keeps its old bytes
        DiskFull,   // not written for lack of space: the file keeps its old bytes
        Damaged,    // written part-way and not restored: the old bytes are in backupPath
        NotRegular, // not written: a FIFO, a device or a socket, also behind a link
        NoBackup,   // not written: no backup could be made; backupPath is the last place tried
    };

    using ConversionError::ConversionError;

    // "Cannot create file "<path>". <reason>"
    static FileWriteError cannotCreate(const QString &path, const QString &reason);
    // "Stream write error"
    static FileWriteError streamWrite(const QString &path = {}, const QString &reason = {});
    static FileWriteError diskFull(const QString &path);
    static FileWriteError damaged(const QString &path, const QString &reason,
                                  const QString &backupPath);
    static FileWriteError notRegular(const QString &path);
    static FileWriteError noBackup(const QString &path, const QString &backupPath,
                                   const QString &reason);

    // Whether the file holds the bytes it had before the write.
    bool fileUnchanged() const { return kind != Damaged; }

    Kind kind = Unchanged;
    QString path;
    QString reason; // the system's words, possibly empty
    QString backupPath;
};

// Throws FileWriteError when the file at path, after following links, cannot be replaced: a
// folder or a file without write permission (Unchanged), anything but a regular file
// (NotRegular). A missing name passes; its folder is checked when the file is created.
void checkSaveTarget(const QString &path);

// Writes the bytes to the open device and returns how many it wrote, or -1. The default writes
// them all with QIODevice::write; tests put in one that fails part-way.
using ChunkWriter = std::function<qint64(QIODevice &device, const QByteArray &bytes)>;

// Replaces the file at path by bytes. Where that keeps the file's identity (one link, an owner and
// group the new file can get, a folder that takes new files), atomically: the bytes go to a new
// file beside it, which gets the old one's mode, owner and group and is renamed over it only when
// completely written. Otherwise in place, after a backup copy (writeInPlace). A missing file is
// created, and a symbolic link stays one (its target is written). Refused (see
// checkSaveTarget): a read-only file, a folder, a FIFO, device or socket, a missing folder. On a
// failure FileWriteError is thrown; the file holds its old bytes unless the error's kind says
// Damaged. A save that completes ends the record of an earlier one that did not; every save
// first removes what a killed one left under a temporary name (removeStaleParts).
void writeSourceFile(const QString &path, const QByteArray &bytes,
                     const ChunkWriter &writeChunk = {});
