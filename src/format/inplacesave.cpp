// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/inplacesave.h"

#include "format/savejournal.h"

#include <QFile>
#include <QFileInfo>

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

namespace {

bool isFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

// The bytes of the regular file at path; nothing for anything else, which is not opened for
// long: a FIFO put there since it was checked must not block.
std::optional<QByteArray> readAll(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    struct stat status
    {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        errno = EIO;
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

struct Backup
{
    QString path; // where the copy is, or the last place tried when there is none
    int error = 0;
};

// A copy of the old bytes, beside the file as "<name>~" when no such name exists and the folder
// takes it, else in the folder of our own under a name of its own.
Backup makeBackup(const QString &path, const QByteArray &bytes)
{
    const QFileInfo file(path);
    const QString beside = path + QLatin1Char('~');
    const int folder = ::open(QFile::encodeName(file.absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        const bool made = createBackupIn(folder, file.fileName() + QLatin1Char('~'), bytes);
        ::close(folder);
        if (made)
            return {beside, 0};
    }

    const QString first = cacheBackupPath(path);
    const int own = openSaveFolder(true);
    if (own < 0) {
        const int error = errno;
        return {saveFolderPath(), error};
    }
    Backup backup{first, 0};
    // A name taken by an earlier backup that is still kept: the next number.
    for (int number = 1; number < 100; ++number) {
        backup.path = number == 1 ? first : first + QString::number(number);
        if (createBackupIn(own, QFileInfo(backup.path).fileName(), bytes)) {
            backup.error = 0;
            break;
        }
        backup.error = errno;
        if (backup.error != EEXIST)
            break;
    }
    ::close(own);
    return backup;
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
    if (!S_ISREG(before.st_mode))
        throw FileWriteError::notRegular(path);
    const auto old = readAll(path);
    if (!old)
        throw FileWriteError::cannotCreate(path, systemReason(errno ? errno : EIO));
    const Backup backup = makeBackup(path, *old);
    if (backup.error != 0)
        throw FileWriteError::noBackup(path, backup.path, systemReason(backup.error));
    const QByteArray backupName = QFile::encodeName(backup.path);
    // From here until the file holds either text whole, the record says that a save is under
    // way and where the old text is.
    QString record;
    if (!beginSave(path, backup.path, &record)) {
        const int error = errno;
        ::unlink(backupName.constData());
        throw FileWriteError::cannotCreate(path,
                                           record + QStringLiteral(": ") + systemReason(error));
    }
    const auto finished = [&] {
        endSave(path);
        ::unlink(backupName.constData());
    };

    const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat opened
    {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        finished();
        if (fd >= 0)
            throw FileWriteError::notRegular(path);
        throw FileWriteError::cannotCreate(path, systemReason(error));
    }
    // Room for the longer text first, so that a full disk stops the save before a byte changes.
    if (bytes.size() > old->size() && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, bytes.size()) != 0 &&
        isFull(errno)) {
        ::close(fd);
        finished();
        throw FileWriteError::diskFull(path);
    }

    const bool written = overwrite(fd, bytes, writeChunk);
    int error = written ? 0 : errno;
    // A write by someone other than root clears the set-id bits: give the file its mode back.
    ::fchmod(fd, before.st_mode & 07777);
    ::close(fd);
    if (written && readAll(path) == bytes) {
        finished();
        return;
    }
    if (written)
        error = EIO; // the bytes read back are not the ones written

    // Put the old bytes back, in the space they had.
    const int restoreFd = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const bool restored = restoreFd >= 0 && overwrite(restoreFd, *old, {});
    if (restoreFd >= 0) {
        ::fchmod(restoreFd, before.st_mode & 07777);
        ::close(restoreFd);
    }
    // Not put back: the record and the backup stay, and the next load says so.
    if (!restored || readAll(path) != *old)
        throw FileWriteError::damaged(path, systemReason(error), backup.path);
    finished();
    if (isFull(error))
        throw FileWriteError::diskFull(path);
    throw FileWriteError::streamWrite(path, systemReason(error));
}
