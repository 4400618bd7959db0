// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// cdi-tables flash: the HEX into the ATmega8 with avrdude, as the window's "Program chip" does;
// read-chip: the chip's flash into a HEX file.
#include "cli/command.h"
#include "flash/flashcommand.h"

#include <QSettings>

QString flashSummary(unsigned char language)
{
    return language == 0 ? QStringLiteral(u"записать HEX-файл в ATmega8 программой avrdude")
                         : QStringLiteral("write the HEX file into the ATmega8 with avrdude");
}

namespace {

// "-c ID" and "-P PORT" arrive among the positional words, the long forms as options. Each names
// one value, so a second one, which would silently win, is refused with a message.
bool programmerGivenOnce(const CommandArguments &arguments, const CliContext &context)
{
    const QStringList &words = arguments.positional;
    for (const auto &[flag, name] : {std::pair{"-c", "programmer"}, std::pair{"-P", "port"}}) {
        int given = arguments.has(QLatin1String(name)) ? 1 : 0;
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (words[i] == QLatin1String(flag)) {
                ++given;
                ++i; // its value
            }
        }
        if (given > 1) {
            context.fail(repeatedOption(
                QStringLiteral("%1/--%2").arg(QLatin1String(flag), QLatin1String(name)),
                context.language));
            return false;
        }
    }
    return true;
}

} // namespace

int runFlash(const CommandArguments &arguments, CliContext &context)
{
    if (!programmerGivenOnce(arguments, context))
        return exitcode::kFailed;
    QStringList words = arguments.positional;
    if (arguments.has(QStringLiteral("programmer")))
        words << QStringLiteral("-c") << arguments.option(QStringLiteral("programmer"));
    if (arguments.has(QStringLiteral("port")))
        words << QStringLiteral("-P") << arguments.option(QStringLiteral("port"));
    if (arguments.has(QStringLiteral("source")))
        words << QStringLiteral("--source") << arguments.option(QStringLiteral("source"));
    if (arguments.has(QStringLiteral("force")))
        words << QStringLiteral("--force");
    // The window's settings, where its programmer dialog remembers the last choice.
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       QStringLiteral("cdi-table-editor"), QStringLiteral("cdi-editor"));
    return runFlashCommand(words, settings, context.err, context.language);
}

QString readChipSummary(unsigned char language)
{
    return language == 0 ? QStringLiteral(u"прочитать флэш-память ATmega8 в HEX-файл")
                         : QStringLiteral("read the ATmega8's flash into a HEX file");
}

int runReadChip(const CommandArguments &arguments, CliContext &context)
{
    if (!programmerGivenOnce(arguments, context))
        return exitcode::kFailed;
    QStringList words = arguments.positional;
    if (arguments.has(QStringLiteral("programmer")))
        words << QStringLiteral("-c") << arguments.option(QStringLiteral("programmer"));
    if (arguments.has(QStringLiteral("port")))
        words << QStringLiteral("-P") << arguments.option(QStringLiteral("port"));
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                       QStringLiteral("cdi-table-editor"), QStringLiteral("cdi-editor"));
    return runReadChipCommand(words, settings, context.err, context.language);
}
