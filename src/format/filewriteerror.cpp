// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The save's failures and their texts, the same on every system.
#include "format/filesave.h"

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

FileWriteError FileWriteError::notRegular(const QString &path)
{
    FileWriteError error(QStringLiteral("Not a regular file, not written: %1").arg(path));
    error.kind = NotRegular;
    error.path = path;
    return error;
}

FileWriteError FileWriteError::noBackup(const QString &path, const QString &backupPath,
                                        const QString &reason)
{
    FileWriteError error(QStringLiteral("Cannot create the backup copy \"%1\"; file \"%2\" is "
                                        "unchanged. %3")
                             .arg(backupPath, path, reason));
    error.kind = NoBackup;
    error.path = path;
    error.reason = reason;
    error.backupPath = backupPath;
    return error;
}
