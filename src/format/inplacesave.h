// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "format/filesave.h"

#include <QString>

// The system's words for an errno value.
QString systemReason(int error);

// Writes all bytes to the descriptor; returns how many it wrote, with errno telling why it
// stopped short.
qint64 writeAllTo(int fd, const QByteArray &bytes);

// Where a backup of the file at path goes when its own folder takes none: the user's cache
// folder, under the file's name followed by "~".
QString cacheBackupPath(const QString &path);

// Rewrites the existing regular file at path in place, so that it stays the same file (its other
// names, owner, group and mode stay). First a copy of its old bytes goes beside it ("<name>~",
// when no such file exists and the folder takes it) or else to cacheBackupPath; then the new
// bytes are written over the old ones, the size set, and the result read back. The copy is
// removed once the new bytes are verified. A write that fails puts the old bytes back. Throws
// FileWriteError: Unchanged or DiskFull when the file holds its old bytes, Damaged (naming the
// copy, which then stays) when they could not be put back.
void writeInPlace(const QString &path, const QByteArray &bytes, const ChunkWriter &writeChunk = {});
