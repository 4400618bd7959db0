// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/filesave.h"

#include "format/inplacesave.h"
#include "format/savejournal.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isMemberOfGroup(gid_t group)
{
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(std::size_t(count), 0);
    const int got = std::max(::getgroups(count, groups.data()), 0);
    return std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
}

// Whether a new file renamed over the old one would be the same file to everyone else: the old
// one has no other name, the new one can get its owner and group, and the folder takes it.
bool replaceKeepsIdentity(const QString &target, const struct stat &status)
{
    if (status.st_nlink > 1)
        return false;
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return false;
    if (::geteuid() == 0)
        return true;
    if (status.st_uid != ::geteuid())
        return false;
    return status.st_gid == ::getegid() || isMemberOfGroup(status.st_gid);
}

// Whether the file at path is now something that is not a regular file (after following links).
bool isSpecial(const QString &path)
{
    struct stat status
    {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode);
}

} // namespace

// The rename at the end of a safe save would replace even a read-only file, a folder's entry or
// a device, so this is asked first. A file without any write permission bit counts as read-only
// also for a user whom the system would let write it.
void checkSaveTarget(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status
    {};
    if (::stat(name.constData(), &status) != 0)
        return; // a missing file is created; a missing folder fails when opened
    if (S_ISDIR(status.st_mode))
        throw FileWriteError::cannotCreate(path, systemReason(EISDIR));
    if (!S_ISREG(status.st_mode))
        throw FileWriteError::notRegular(path);
    if (::access(name.constData(), W_OK) != 0)
        throw FileWriteError::cannotCreate(path, systemReason(errno));
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throw FileWriteError::cannotCreate(path, systemReason(EACCES));
}

void writeSourceFile(const QString &path, const QByteArray &bytes, const ChunkWriter &writeChunk)
{
    checkSaveTarget(path);

    const QString target = QFileInfo::exists(path) ? QFileInfo(path).canonicalFilePath() : path;
    struct stat status
    {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &status) == 0;
    if (exists)
        removeStaleParts(target);
    if (exists && !replaceKeepsIdentity(target, status)) {
        writeInPlace(target, bytes, writeChunk);
        return;
    }

    QSaveFile file(path);
    // Unbuffered, so that a full disk shows in the write itself.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileWriteError::cannotCreate(path, file.errorString());
    if (exists) {
        // Owner first: a change of owner clears the set-id bits that the mode then restores.
        if ((status.st_uid != ::geteuid() || status.st_gid != ::getegid()) &&
            ::fchown(file.handle(), status.st_uid, status.st_gid) != 0) {
            const int error = errno;
            file.cancelWriting();
            throw FileWriteError::cannotCreate(path, systemReason(error));
        }
        ::fchmod(file.handle(), status.st_mode & 07777);
    }

    errno = 0;
    const qint64 written = writeChunk ? writeChunk(file, bytes) : writeAllTo(file.handle(), bytes);
    if (written != bytes.size()) {
        const int error = errno;
        file.cancelWriting();
        if (error == ENOSPC || error == EDQUOT)
            throw FileWriteError::diskFull(path);
        throw FileWriteError::streamWrite(path, error ? systemReason(error) : QString());
    }
    // A FIFO or device put there since the check is not replaced.
    if (isSpecial(path)) {
        file.cancelWriting();
        throw FileWriteError::notRegular(path);
    }
    if (!file.commit()) {
        const int error = errno;
        if (error == ENOSPC || error == EDQUOT)
            throw FileWriteError::diskFull(path);
        if (file.error() == QFileDevice::WriteError)
            throw FileWriteError::streamWrite(path, file.errorString());
        throw FileWriteError::cannotCreate(path, file.errorString());
    }
    endSave(QFileInfo(path).canonicalFilePath());
}
