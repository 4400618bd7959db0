// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>

// The program-wide values beside the window's controls.
struct ProgramState
{
    QString FirmwareName;       // the file's own name, set when a load completes
    unsigned char Language = 0; // 0 Russian, 1 English
};
