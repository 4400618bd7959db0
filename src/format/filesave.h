// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "domain/numbers.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// A file that could not be written. Shown like a conversion error: message() plus ".".
class FileWriteError : public ConversionError
{
public:
    using ConversionError::ConversionError;

    // "Cannot create file "<path>". <reason>"
    static FileWriteError cannotCreate(const QString &path, const QString &reason);
    // "Stream write error"
    static FileWriteError streamWrite();
};

// Writes the bytes to the open device and returns how many it wrote, or -1. The default writes
// them all with QIODevice::write; tests put in one that fails part-way.
using ChunkWriter = std::function<qint64(QIODevice &device, const QByteArray &bytes)>;

// Replaces the file at path by bytes, atomically: the bytes go to a new file beside it, which is
// renamed over the old one only when completely written. A missing file is created; an existing
// file keeps its permissions, and a symbolic link stays one (its target is replaced). Refused:
// a read-only file (no write permission bit, or not writable for this user), a folder, a missing
// folder. On any failure the file on disk stays byte for byte as it was and FileWriteError is
// thrown.
void writeSourceFile(const QString &path, const QByteArray &bytes,
                     const ChunkWriter &writeChunk = {});
