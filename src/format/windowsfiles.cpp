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
#include "format/savejournal.h"
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
    static_cast<InputFileRead &>(read) = readInputFile(path);
    if (read.outcome == SourceFileRead::Read)
        read.stamp = {read.bytes.size(), read.modifiedNs, hashOf(read.bytes)};
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

// A missing name passes; a folder, or a device name such as "NUL" or "COM1", is refused.
void checkSaveTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return;
    if (info.isDir())
        throw FileWriteError::cannotCreate(path, systemReason(EISDIR));
    if (!info.isFile())
        throw FileWriteError::notRegular(path);
    if (!info.isWritable())
        throw FileWriteError::cannotCreate(path, systemReason(EACCES));
}

void writeSourceFile(const QString &path, const QByteArray &bytes, const ChunkWriter &writeChunk)
{
    checkSaveTarget(path);
    const QFileInfo info(path);
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

// Every save here is a new file renamed over the old one, so no save is ever left half done.
std::optional<QString> interruptedSaveBackup(const QString &)
{
    return std::nullopt;
}
