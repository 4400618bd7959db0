// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

class MainWindow;

// The names under which QSettings keeps what the program remembers between runs.
void setApplicationNames();

// Before the first show: the open dialog starts in the folder last opened, or in
// `firstFolder` (when it exists) if none has been remembered yet; the window takes the size
// that fits its screen and is centred on it.
void prepareMainWindow(MainWindow &window, const QString &firstFolder);

// The user's documents folder, where "Open sample" puts its copy; the home folder when the
// desktop names none.
QString documentsFolder();
