// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A save that rewrites a file in place first copies its old bytes to a backup, then writes a
// record naming source and backup, then overwrites the file; the record goes once the file holds
// the new bytes (or the old ones again). A record whose backup is still there therefore means a
// save that did not finish: the file may be part old, part new.
//
// The records, and the backups that cannot go beside their source, live in a folder of our own:
// "cdi-editor-saves" in the user's cache folder, mode 0700.

// The folder's path.
QString saveFolderPath();

// Opens the folder (creating it, mode 0700, when create is true). Only a real folder, not a
// symbolic link, owned by this user is opened, and it is made private if it is not. Returns a
// descriptor, or -1 with errno set (ELOOP for a link, EPERM for another owner).
int openSaveFolder(bool create);

// The first name tried for a backup of the source at path in that folder: the source's name
// after a key of its full path, so that two sources of the same name get different backups.
QString cacheBackupPath(const QString &path);

// Creates a backup named name in the folder open as folderFd: the bytes go to a new file under
// a temporary name, are written, synced and read back, and only then is it renamed to name,
// which it never replaces. No symbolic link is followed. False with errno set on failure, with
// nothing left behind.
bool createBackupIn(int folderFd, const QString &name, const QByteArray &bytes);

// Writes the record of a save of source (a canonical path) with its old bytes in backup. False
// with errno set when it cannot be written; recordPath, when given, gets the record's path.
bool beginSave(const QString &source, const QString &backup, QString *recordPath = nullptr);

// The save of source (a canonical path) has finished: its record goes.
void endSave(const QString &source);

// Removes what saves of source (a canonical path) killed while they made a backup or a record
// left under a temporary name: beside it and in the folder of our own, only regular files of
// this user's with exactly those names.
void removeStaleParts(const QString &source);

// The backup of an unfinished save of the file at path (or of the file a link at path points
// to), when its record and the backup are both there.
std::optional<QString> interruptedSaveBackup(const QString &path);
