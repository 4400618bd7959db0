// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/assembler.h"

#include <QStandardPaths>

bool isOnSearchPath(const QString &name)
{
    return !QStandardPaths::findExecutable(name).isEmpty();
}

namespace {

// $1 the folder, then the command. The window stays open in an interactive shell, as a console
// does after its command; /bin/sh when $SHELL names no program.
const QString kScript = QStringLiteral(
    "cd -- \"$1\"; shift; printf '%s\\n' \"$*\"; \"$@\"; "
    "if [ -f \"${SHELL:-}\" ] && [ -x \"$SHELL\" ]; then exec \"$SHELL\"; fi; exec /bin/sh");

} // namespace

QStringList assemblerInvocation(const QString &name, const ExecutableLookup &onSearchPath)
{
    if (!onSearchPath(QStringLiteral("avrasm2")) && onSearchPath(QStringLiteral("avra")))
        return {QStringLiteral("avra"), name};
    return {QStringLiteral("avrasm2"), QStringLiteral("-fI"), name};
}

std::optional<QString> terminalProgram(const ExecutableLookup &onSearchPath)
{
    for (const QString &name : {QStringLiteral("x-terminal-emulator"), QStringLiteral("xterm")}) {
        if (onSearchPath(name))
            return name;
    }
    return std::nullopt;
}

std::optional<LaunchCommand> assemblerCommand(const QString &firmwarePath,
                                              const ExecutableLookup &onSearchPath)
{
    if (firmwarePath.isEmpty())
        return std::nullopt;
    const qsizetype slash = firmwarePath.lastIndexOf(QLatin1Char('/'));
    QString name = firmwarePath.mid(slash + 1);
    if (name.isEmpty())
        return std::nullopt;
    if (name.startsWith(QLatin1Char('-')))
        name.prepend(QStringLiteral("./"));
    QString folder;
    if (slash > 0)
        folder = firmwarePath.left(slash);
    else if (slash == 0)
        folder = QStringLiteral("/");

    LaunchCommand command;
    command.program = onSearchPath(QStringLiteral("x-terminal-emulator"))
                          ? QStringLiteral("x-terminal-emulator")
                          : QStringLiteral("xterm");
    command.arguments = {QStringLiteral("-e"), QStringLiteral("sh"),
                         QStringLiteral("-c"), kScript,
                         QStringLiteral("sh"), folder.isEmpty() ? QStringLiteral(".") : folder};
    command.arguments += assemblerInvocation(name, onSearchPath);
    command.workingDirectory = folder;
    return command;
}
