// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "flash/chipprogrammer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

namespace {

const QString kAvrdude = QStringLiteral("avrdude");
const QString kProgrammerKey = QStringLiteral("programmer/id");
const QString kPortKey = QStringLiteral("programmer/port");

// $1 the folder, $2 how many of the words after the texts make the assembler's command,
// $3 the HEX, $4..$7 the texts; then the assembler's words and avrdude's. The window stays open
// in an interactive shell, as a console does after its command.
const QString kScript =
    QStringLiteral(R"sh(dir=$1 nasm=$2 hex=$3 asmfail=$4 nohex=$5 failed=$6 ended=$7
shift 7
hold() {
    if [ -f "${SHELL:-}" ] && [ -x "$SHELL" ]; then exec "$SHELL"; fi
    exec /bin/sh
}
cd -- "$dir" || hold
if [ "$nasm" -gt 0 ]; then
    printf '%q ' "${@:1:nasm}"; echo
    "${@:1:nasm}"; status=$?
    if [ "$status" -ne 0 ]; then printf '%s %d\n' "$asmfail" "$status"; hold; fi
    if [ ! -f "$hex" ]; then printf '%s %s\n' "$nohex" "$hex"; hold; fi
    shift "$nasm"
fi
printf '%q ' "$@"; echo
"$@"; status=$?
if [ "$status" -eq 0 ]; then printf '%s\n' "$ended"; else printf '%s %d\n' "$failed" "$status"; fi
hold)sh");

} // namespace

QList<ProgrammerInfo> parseProgrammerList(const QString &avrdudeOutput)
{
    static const QRegularExpression entry(QStringLiteral(R"(^\s+(\S+)\s+=\s+(.*?)\s*$)"));
    // Verbose runs add where the entry was defined: " [/etc/avrdude.conf:123]".
    static const QRegularExpression origin(QStringLiteral(R"(\s+\[[^\]]*:\d+\]$)"));
    QList<ProgrammerInfo> programmers;
    bool inList = false;
    const QStringList lines = avrdudeOutput.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line.remove(QLatin1Char('\r'));
        if (line.contains(QLatin1String("Valid programmers are:"))) {
            inList = true;
            continue;
        }
        if (!inList)
            continue;
        const QRegularExpressionMatch match = entry.match(line);
        if (!match.hasMatch()) {
            if (!programmers.isEmpty())
                break;
            continue;
        }
        QString description = match.captured(2);
        description.remove(origin);
        programmers.append({match.captured(1), description});
    }
    return programmers;
}

QList<ProgrammerInfo> listProgrammers()
{
    QProcess avrdude;
    avrdude.setProcessChannelMode(QProcess::MergedChannels);
    avrdude.start(kAvrdude, {QStringLiteral("-c"), QStringLiteral("?")});
    if (!avrdude.waitForFinished(10000)) {
        avrdude.kill();
        avrdude.waitForFinished(1000);
        return {};
    }
    return parseProgrammerList(QString::fromLocal8Bit(avrdude.readAll()));
}

ProgrammerChoice loadProgrammerChoice(QSettings &settings)
{
    ProgrammerChoice choice;
    const QString programmer = settings.value(kProgrammerKey).toString().trimmed();
    if (!programmer.isEmpty())
        choice.programmer = programmer;
    choice.port = settings.value(kPortKey).toString().trimmed();
    return choice;
}

void saveProgrammerChoice(QSettings &settings, const ProgrammerChoice &choice)
{
    settings.setValue(kProgrammerKey, choice.programmer);
    settings.setValue(kPortKey, choice.port);
    settings.sync();
}

QString hexPathFor(const QString &sourcePath)
{
    const QFileInfo source(sourcePath);
    return source.dir().filePath(source.completeBaseName() + QStringLiteral(".hex"));
}

HexState hexState(const QString &sourcePath, const QString &hexPath)
{
    const QFileInfo hex(hexPath);
    if (!hex.isFile())
        return HexState::Missing;
    const QFileInfo source(sourcePath);
    if (source.exists() && hex.lastModified() < source.lastModified())
        return HexState::OlderThanSource;
    return HexState::Current;
}

QStringList avrdudeArguments(const ProgrammerChoice &choice, const QString &hexPath)
{
    QStringList arguments = {QStringLiteral("-p"), QStringLiteral("m8"), QStringLiteral("-c"),
                             choice.programmer.isEmpty() ? ProgrammerChoice().programmer
                                                         : choice.programmer};
    if (!choice.port.isEmpty())
        arguments << QStringLiteral("-P") << choice.port;
    // ":i" names the format, so avrdude reads the name up to it, colons and all.
    arguments << QStringLiteral("-U") << QStringLiteral("flash:w:%1:i").arg(hexPath);
    return arguments;
}

FlashTexts flashTexts(unsigned char language)
{
    if (language == 0)
        return {QStringLiteral(u"ОШИБКА АССЕМБЛЕРА, МК не прошивался. Код завершения:"),
                QStringLiteral(u"HEX-файл не создан, МК не прошивался:"),
                QStringLiteral(u"ОШИБКА ПРОШИВКИ МК. Код завершения avrdude:"),
                QStringLiteral(u"avrdude завершился с кодом 0; итог записи и проверки — в "
                               u"его выводе выше."),
                QStringLiteral(u"Программа avrdude не найдена. Установите её: "
                               u"sudo apt install avrdude")};
    return {QStringLiteral("ASSEMBLER FAILED, the chip was not touched. Exit status:"),
            QStringLiteral("No HEX file was built, the chip was not touched:"),
            QStringLiteral("PROGRAMMING FAILED. avrdude's exit status:"),
            QStringLiteral("avrdude ended with exit status 0; its write and verify report is "
                           "above."),
            QStringLiteral("avrdude was not found. Install it with: sudo apt install avrdude")};
}

LaunchCommand flashCommand(const QString &sourcePath, const QString &hexPath,
                           const ProgrammerChoice &choice, bool assembleFirst,
                           const FlashTexts &texts, const ExecutableLookup &onSearchPath)
{
    const QFileInfo hex(hexPath);
    const QString folder = hex.absolutePath();
    QString sourceName = QFileInfo(sourcePath).fileName();
    // Never taken for an option by the assembler.
    if (sourceName.startsWith(QLatin1Char('-')))
        sourceName.prepend(QStringLiteral("./"));
    const QStringList assembler =
        assembleFirst ? assemblerInvocation(sourceName, onSearchPath) : QStringList();

    LaunchCommand command;
    command.program = terminalProgram(onSearchPath).value_or(QStringLiteral("xterm"));
    command.arguments = {QStringLiteral("-e"),
                         QStringLiteral("bash"),
                         QStringLiteral("-c"),
                         kScript,
                         QStringLiteral("bash"),
                         folder,
                         QString::number(assembler.size()),
                         hex.absoluteFilePath(),
                         texts.assemblerFailed,
                         texts.hexNotBuilt,
                         texts.flashFailed,
                         texts.flashEnded};
    command.arguments += assembler;
    command.arguments << kAvrdude;
    command.arguments += avrdudeArguments(choice, hex.absoluteFilePath());
    command.workingDirectory = folder;
    return command;
}
