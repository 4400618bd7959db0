// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/filesave.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

FileWriteError FileWriteError::cannotCreate(const QString &path, const QString &reason)
{
    return FileWriteError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

FileWriteError FileWriteError::streamWrite()
{
    return FileWriteError(QStringLiteral("Stream write error"));
}

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why the file at path must not be replaced, or nothing. The rename at the end of a safe save
// would replace even a read-only file or a folder's entry, so this is asked first. A file without
// any write permission bit counts as read-only also for a user whom the system would let write it.
std::optional<QString> refusalReason(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {};
    if (::stat(name.constData(), &status) != 0)
        return std::nullopt; // a missing file is created; a missing folder fails when opened
    if (S_ISDIR(status.st_mode))
        return systemReason(EISDIR);
    if (::access(name.constData(), W_OK) != 0)
        return systemReason(errno);
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return systemReason(EACCES);
    return std::nullopt;
}

qint64 writeAll(QIODevice &device, const QByteArray &bytes)
{
    return device.write(bytes);
}

} // namespace

void writeSourceFile(const QString &path, const QByteArray &bytes, const ChunkWriter &writeChunk)
{
    if (const auto reason = refusalReason(path))
        throw FileWriteError::cannotCreate(path, *reason);

    QSaveFile file(path);
    // Unbuffered, so that a full disk shows in the write itself.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileWriteError::cannotCreate(path, file.errorString());

    const qint64 written = writeChunk ? writeChunk(file, bytes) : writeAll(file, bytes);
    if (written != bytes.size()) {
        file.cancelWriting();
        throw FileWriteError::streamWrite();
    }
    if (!file.commit()) {
        if (file.error() == QFileDevice::WriteError)
            throw FileWriteError::streamWrite();
        throw FileWriteError::cannotCreate(path, file.errorString());
    }
}
