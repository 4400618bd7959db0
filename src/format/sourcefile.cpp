// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/sourcefile.h"

#include <QCryptographicHash>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray hashOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

qint64 modifiedNs(const struct stat &status)
{
    return qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

bool statOf(const QString &path, struct stat &status)
{
    return ::stat(QFile::encodeName(path).constData(), &status) == 0;
}

} // namespace

SourceFileRead readSourceFile(const QString &path)
{
    SourceFileRead read;
    struct stat status
    {};
    if (path.isEmpty() || !statOf(path, status)) {
        read.outcome = SourceFileRead::CannotOpen;
        return read;
    }
    if (S_ISDIR(status.st_mode)) {
        read.outcome = SourceFileRead::CannotOpen;
        return read;
    }
    if (!S_ISREG(status.st_mode)) {
        read.outcome = SourceFileRead::NotRegular;
        return read;
    }
    if (status.st_size > kLargestSource) {
        read.outcome = SourceFileRead::TooLarge;
        return read;
    }
    // Opened without blocking, in case the name was replaced by a FIFO since the check; the
    // opened file is checked again.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        read.outcome = SourceFileRead::CannotOpen;
        return read;
    }
    QFile file;
    struct stat opened
    {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        read.outcome =
            S_ISREG(opened.st_mode) ? SourceFileRead::CannotOpen : SourceFileRead::NotRegular;
        return read;
    }
    read.bytes = file.read(kLargestSource + 1);
    if (read.bytes.size() > kLargestSource) {
        read.bytes.clear();
        read.outcome = SourceFileRead::TooLarge;
        return read;
    }
    read.outcome = SourceFileRead::Read;
    read.stamp = {read.bytes.size(), modifiedNs(opened), hashOf(read.bytes)};
    return read;
}

std::optional<FileStamp> stampOfWritten(const QString &path, const QByteArray &bytes)
{
    struct stat status
    {};
    if (!statOf(path, status))
        return std::nullopt;
    return FileStamp{qint64(status.st_size), modifiedNs(status), hashOf(bytes)};
}

DiskChange diskChangeSince(const FileStamp &stamp, const QString &path)
{
    struct stat status
    {};
    if (!statOf(path, status))
        return DiskChange::Deleted;
    if (!S_ISREG(status.st_mode) || status.st_size != stamp.size ||
        modifiedNs(status) != stamp.modifiedNs)
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
