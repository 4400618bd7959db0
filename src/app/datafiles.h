// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>
#include <QStringList>

// The program's own files (Help.chm, examples/CDI.asm) lie beside the program when it runs
// from its build folder, and in the shared data folder when it is installed
// (<prefix>/share/cdi-editor for <prefix>/bin/cdi-editor). The folders to look in, in order.
QStringList dataFolders(const QString &programFolder);

// The first of the data folders that holds relativePath as a file, as a path; empty when none.
QString findDataFile(const QString &programFolder, const QString &relativePath);

// Where "О программе" / "Help" looks for Help.chm: the current folder, then the data folders.
QStringList helpFilePlaces(const QString &programFolder);
