// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// Reading and saving the source on Windows, in place of sourcefile.cpp, filesave.cpp and
// inplacesave.cpp, whose POSIX calls (owners, modes, links, descriptors in binary mode) Windows
// does not have. Every byte goes through QFile, which opens files in binary mode and takes any
// Unicode path. A save is always a new file renamed over the old one (QSaveFile): Windows has no
// owners or modes for the rename to lose, and a failed save leaves the old file as it was.
#include "format/filesave.h"
#include "format/inplacesave.h"
#include "format/sourcefile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>

FileWriteError FileWriteError::cannotCreate(const QString &path, const QString &reason)
{
    FileWriteError error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
    error.path = path;
    error.reason = reason;
    return error;
}

FileWriteError FileWriteError::streamWrite(const QString &path, const QString &reason)
{
    FileWriteError error(QStringLiteral("Stream write error"));
    error.path = path;
    error.reason = reason;
    return error;
}

FileWriteError FileWriteError::diskFull(const QString &path)
{
    FileWriteError error(
        QStringLiteral("The disk is full: file \"%1\" was not written and is unchanged").arg(path));
    error.kind = DiskFull;
    error.path = path;
    return error;
}

FileWriteError FileWriteError::damaged(const QString &path, const QString &reason,
                                       const QString &backupPath)
{
    FileWriteError error(QStringLiteral("Writing file \"%1\" failed: %2. The file may be damaged; "
                                        "its old content is kept in \"%3\"")
                             .arg(path, reason, backupPath));
    error.kind = Damaged;
    error.path = path;
    error.reason = reason;
    error.backupPath = backupPath;
    return error;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

qint64 writeAllTo(int fd, const QByteArray &bytes)
{
    // Binary mode: a descriptor in text mode would write CR LF for every LF.
    _setmode(fd, _O_BINARY);
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return 0;
    return std::max<qint64>(file.write(bytes), 0);
}

QString cacheBackupPath(const QString &path)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return QDir(folder).filePath(QFileInfo(path).fileName() + QLatin1Char('~'));
}

namespace {

QByteArray hashOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

qint64 modifiedNs(const QFileInfo &info)
{
    return info.lastModified().toMSecsSinceEpoch() * 1000000;
}

bool diskIsFull()
{
    const DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

} // namespace

SourceFileRead readSourceFile(const QString &path)
{
    SourceFileRead read;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) {
        read.outcome = SourceFileRead::CannotOpen;
        return read;
    }
    if (!info.isFile()) {
        read.outcome = SourceFileRead::NotRegular;
        return read;
    }
    if (info.size() > kLargestSource) {
        read.outcome = SourceFileRead::TooLarge;
        return read;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.outcome = SourceFileRead::CannotOpen;
        return read;
    }
    read.bytes = file.read(kLargestSource + 1);
    if (read.bytes.size() > kLargestSource) {
        read.bytes.clear();
        read.outcome = SourceFileRead::TooLarge;
        return read;
    }
    read.outcome = SourceFileRead::Read;
    read.stamp = {read.bytes.size(), modifiedNs(QFileInfo(path)), hashOf(read.bytes)};
    return read;
}

std::optional<FileStamp> stampOfWritten(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    return FileStamp{info.size(), modifiedNs(info), hashOf(bytes)};
}

DiskChange diskChangeSince(const FileStamp &stamp, const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return DiskChange::Deleted;
    if (!info.isFile() || info.size() != stamp.size || modifiedNs(info) != stamp.modifiedNs)
        return DiskChange::Changed;
    const SourceFileRead now = readSourceFile(path);
    if (now.outcome != SourceFileRead::Read || hashOf(now.bytes) != stamp.hash)
        return DiskChange::Changed;
    return DiskChange::None;
}

MessageId refusalMessage(SourceFileRead::Outcome outcome)
{
    switch (outcome) {
    case SourceFileRead::NotRegular:
        return MessageId::NotRegularFile;
    case SourceFileRead::TooLarge:
        return MessageId::FileTooLarge;
    default:
        return MessageId::FileAccess;
    }
}

void writeSourceFile(const QString &path, const QByteArray &bytes, const ChunkWriter &writeChunk)
{
    const QFileInfo info(path);
    if (info.isDir())
        throw FileWriteError::cannotCreate(path, systemReason(EISDIR));
    // QSaveFile would rename over a read-only file too. A file without write permission (the
    // owner, group and other bits, not the "user" one, which asks the system) counts as read-only
    // also for a user whom the system would let write it.
    const QFileDevice::Permissions writable =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & writable)))
        throw FileWriteError::cannotCreate(path, systemReason(EACCES));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileWriteError::cannotCreate(path, file.errorString());
    const qint64 written = writeChunk ? writeChunk(file, bytes) : file.write(bytes);
    if (written != bytes.size()) {
        const bool full = diskIsFull();
        const QString reason = file.errorString();
        file.cancelWriting();
        if (full)
            throw FileWriteError::diskFull(path);
        throw FileWriteError::streamWrite(path, reason);
    }
    if (!file.commit()) {
        if (diskIsFull())
            throw FileWriteError::diskFull(path);
        if (file.error() == QFileDevice::WriteError)
            throw FileWriteError::streamWrite(path, file.errorString());
        throw FileWriteError::cannotCreate(path, file.errorString());
    }
}

void writeInPlace(const QString &path, const QByteArray &bytes, const ChunkWriter &writeChunk)
{
    writeSourceFile(path, bytes, writeChunk);
}
