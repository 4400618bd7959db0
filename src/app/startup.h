// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

class MainWindow;

// The names under which QSettings keeps what the program remembers between runs.
void setApplicationNames();

// Before the first show: the open dialog starts in the folder last opened, or in
// `sampleFolder` (when it exists) if none has been remembered yet; the window is centred on
// its screen.
void prepareMainWindow(MainWindow &window, const QString &sampleFolder);
