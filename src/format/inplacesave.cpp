// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/inplacesave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

qint64 writeAllTo(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return done;
        }
        done += n;
    }
    return done;
}

QString cacheBackupPath(const QString &path)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return QDir(folder).filePath(QFileInfo(path).fileName() + QLatin1Char('~'));
}

namespace {

bool isFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

std::optional<QByteArray> readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// Writes a verified copy of bytes to a new file at path; false (and nothing left) on failure.
bool writeBackup(const QString &path, const QByteArray &bytes, bool mayReplace)
{
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mayReplace ? O_TRUNC : O_EXCL);
    const int fd = ::open(name.constData(), flags, 0600);
    if (fd < 0)
        return false;
    const bool written = writeAllTo(fd, bytes) == bytes.size() && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (written && closed && readAll(path) == bytes)
        return true;
    ::unlink(name.constData());
    return false;
}

QString makeBackup(const QString &path, const QByteArray &bytes)
{
    const QString beside = path + QLatin1Char('~');
    // Never over a file of that name that is already there: it may be the user's own.
    if (writeBackup(beside, bytes, false))
        return beside;
    const QString cached = cacheBackupPath(path);
    QDir().mkpath(QFileInfo(cached).absolutePath());
    if (writeBackup(cached, bytes, true))
        return cached;
    return {};
}

// Puts bytes at the start of the open file and cuts it to their size; errno on failure.
bool overwrite(int fd, const QByteArray &bytes, const ChunkWriter &writeChunk)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    qint64 written = 0;
    errno = 0;
    if (writeChunk) {
        QFile device;
        if (!device.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                         QFileDevice::DontCloseHandle))
            return false;
        written = writeChunk(device, bytes);
    } else {
        written = writeAllTo(fd, bytes);
    }
    if (written != bytes.size()) {
        if (errno == 0)
            errno = EIO;
        return false;
    }
    return ::ftruncate(fd, bytes.size()) == 0 && ::fsync(fd) == 0;
}

} // namespace

void writeInPlace(const QString &path, const QByteArray &bytes, const ChunkWriter &writeChunk)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat before
    {};
    if (::stat(name.constData(), &before) != 0)
        throw FileWriteError::cannotCreate(path, systemReason(errno));
    const auto old = readAll(path);
    if (!old)
        throw FileWriteError::cannotCreate(path, systemReason(errno ? errno : EIO));
    const QString backup = makeBackup(path, *old);
    if (backup.isEmpty())
        throw FileWriteError::cannotCreate(path, systemReason(errno ? errno : EIO));

    const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        ::unlink(QFile::encodeName(backup).constData());
        throw FileWriteError::cannotCreate(path, systemReason(error));
    }
    // Room for the longer text first, so that a full disk stops the save before a byte changes.
    if (bytes.size() > old->size() && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, bytes.size()) != 0 &&
        isFull(errno)) {
        ::close(fd);
        ::unlink(QFile::encodeName(backup).constData());
        throw FileWriteError::diskFull(path);
    }

    const bool written = overwrite(fd, bytes, writeChunk);
    int error = written ? 0 : errno;
    // A write by someone other than root clears the set-id bits: give the file its mode back.
    ::fchmod(fd, before.st_mode & 07777);
    ::close(fd);
    if (written && readAll(path) == bytes) {
        ::unlink(QFile::encodeName(backup).constData());
        return;
    }
    if (written)
        error = EIO; // the bytes read back are not the ones written

    // Put the old bytes back, in the space they had.
    const int restoreFd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    const bool restored = restoreFd >= 0 && overwrite(restoreFd, *old, {});
    if (restoreFd >= 0) {
        ::fchmod(restoreFd, before.st_mode & 07777);
        ::close(restoreFd);
    }
    if (!restored || readAll(path) != *old)
        throw FileWriteError::damaged(path, systemReason(error), backup);
    ::unlink(QFile::encodeName(backup).constData());
    if (isFull(error))
        throw FileWriteError::diskFull(path);
    throw FileWriteError::streamWrite(path, systemReason(error));
}
