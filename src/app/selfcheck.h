// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

class QTextStream;
class QWidget;

// What an installation must provide, checked from inside the running program (started with
// CDI_EDITOR_SELF_CHECK set): the window shown at its size, the help file and the sample in
// the data folders, Qt's Russian texts. One line each on `out`; 0 when everything is there,
// 1 otherwise.
int runSelfCheck(const QWidget &window, const QString &programFolder, QTextStream &out);
