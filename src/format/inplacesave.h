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

// Rewrites the existing regular file at path (a canonical path) in place, so that it stays the
// same file (its other names, owner, group and mode stay). First a copy of its old bytes is made
// as a new file, complete before it gets its name: beside it as "<name>~" when no such name
// exists and the folder takes it, or else in the folder of our own (see savejournal.h). Then a
// record of the save is written, the new bytes go over the old ones, the size is set and the
// result read back. The copy and the record go once the new bytes are verified. A write that
// fails puts the old bytes back. Throws FileWriteError: Unchanged, DiskFull, NotRegular or
// NoBackup when the file holds its old bytes, Damaged (naming the copy, which then stays with
// its record) when they could not be put back.
void writeInPlace(const QString &path, const QByteArray &bytes, const ChunkWriter &writeChunk = {});
