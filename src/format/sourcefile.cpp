// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/sourcefile.h"

#include <QCryptographicHash>
#include <QFile>

#include <sys/stat.h>

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
    static_cast<InputFileRead &>(read) = readInputFile(path);
    if (read.outcome == SourceFileRead::Read)
        read.stamp = {read.bytes.size(), read.modifiedNs, hashOf(read.bytes)};
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
