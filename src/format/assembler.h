// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A program to start detached, with its arguments and the folder it starts in.
struct LaunchCommand
{
    QString program;
    QStringList arguments;
    QString workingDirectory;
};

// Whether a program of that name is on the search path.
using ExecutableLookup = std::function<bool(const QString &name)>;
bool isOnSearchPath(const QString &name);

// The terminal the assembler runs in: "x-terminal-emulator" when there is one, else "xterm"
// when that is installed; nothing when neither is.
std::optional<QString> terminalProgram(const ExecutableLookup &onSearchPath = isOnSearchPath);

// The terminal command that assembles the source at firmwarePath in its own folder and stays open
// afterwards: the desktop's default terminal ("x-terminal-emulator") when there is one, else
// "xterm", running a fixed sh script that changes to the folder, prints the assembler's command
// line, runs it and then hands the window to an interactive shell. The folder, the assembler and
// the file name reach the script as separate arguments, never inside shell text, so a name with
// spaces, quotes, ";" or "$" arrives whole, and a name that starts with "-" is passed as "./-..."
// so that the assembler cannot take it for an option. The assembler is "avrasm2 -fI <name>", or
// "avra <name>" when only avra is installed. Nothing is built for an empty path.
std::optional<LaunchCommand>
assemblerCommand(const QString &firmwarePath,
                 const ExecutableLookup &onSearchPath = isOnSearchPath);
