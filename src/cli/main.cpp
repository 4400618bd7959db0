// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// cdi-tables: the firmware source's tables on the command line, over the window's own load and
// save. Each command is one entry of kCommands and one file.
#include "cli/command.h"

#include <QCoreApplication>
#include <QLocale>

#include <cstdio>
#include <iterator>

namespace {

const Command kCommands[] = {
    {"show",
     "FILE.asm [--format text|csv|json] [--sensor N | --source FILE.asm]",
     showSummary,
     {QStringLiteral("format"), QStringLiteral("sensor"), QStringLiteral("source")},
     runShow},
    {"import",
     "FILE.asm TABLE.csv [--table N] [--allow-unordered]",
     importSummary,
     {QStringLiteral("table")},
     runImport,
     {QStringLiteral("allow-unordered")}},
    {"diff",
     "A.asm B.asm [--sensor N | --source FILE.asm]",
     diffSummary,
     {QStringLiteral("sensor"), QStringLiteral("source")},
     runDiff},
#ifdef CDI_HAVE_BENCH
    {"verify",
     "FILE.asm [--hex FILE.hex] [--table 1|2|3|all] [--format text|csv] [--sensor-pin PD2]",
     verifySummary,
     {QStringLiteral("hex"), QStringLiteral("table"), QStringLiteral("format"),
      QStringLiteral("sensor-pin")},
     runVerifyCommand},
#endif
    {"flash",
     "FILE.hex [-c PROGRAMMER] [-P PORT] [--source FILE.asm] [--force]",
     flashSummary,
     {QStringLiteral("programmer"), QStringLiteral("port"), QStringLiteral("source")},
     runFlash,
     {QStringLiteral("force")}},
    {"read-chip",
     "OUT.hex [-c PROGRAMMER] [-P PORT]",
     readChipSummary,
     {QStringLiteral("programmer"), QStringLiteral("port")},
     runReadChip},
};

const Command *findCommand(const QString &name)
{
    for (const Command &command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

void printHelp(QTextStream &out, unsigned char language)
{
    out << (language == 0 ? QStringLiteral(u"Использование: cdi-tables КОМАНДА ... [--lang ru|en]")
                          : QStringLiteral("Usage: cdi-tables COMMAND ... [--lang ru|en]"))
        << "\n\n";
    for (const Command &command : kCommands) {
        out << "  cdi-tables " << command.name << ' ' << command.usage << '\n'
            << "      " << command.summary(language) << '\n';
    }
    out << '\n'
        << (language == 0
                ? QStringLiteral(u"Код выхода: 0 успех (diff: различий нет), 1 отказ или различия, "
                                 u"2 ошибка вызова или файла.")
                : QStringLiteral("Exit status: 0 success (diff: no differences), 1 refused or "
                                 "different, 2 usage or file error."))
        << '\n';
}

enum class Parsed
{
    Ok,
    Unknown,  // an option the command does not take, or one without its value
    Repeated, // `repeated` names it
};

// Splits "--name value" and "--name=value" from the positional arguments.
Parsed parseArguments(const QStringList &words, const Command &command, CommandArguments &parsed,
                      QString &repeated)
{
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (!word.startsWith(QLatin1String("--")) || word == QLatin1String("--")) {
            parsed.positional << word;
            continue;
        }
        QString name = word.mid(2);
        if (command.flagsTaken.contains(name)) {
            if (parsed.has(name)) {
                repeated = name;
                return Parsed::Repeated;
            }
            parsed.options.append({name, QString()});
            continue;
        }
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        } else if (i + 1 < words.size()) {
            value = words[++i];
        } else {
            return Parsed::Unknown;
        }
        if (!command.optionsTaken.contains(name))
            return Parsed::Unknown;
        if (parsed.has(name)) {
            repeated = name;
            return Parsed::Repeated;
        }
        parsed.options.append({name, value});
    }
    return Parsed::Ok;
}

} // namespace

QString repeatedOption(const QString &option, unsigned char language)
{
    return inLanguage(language, QStringLiteral(u"параметр %1 указан больше одного раза"),
                      QStringLiteral("the option %1 is given more than once"))
        .arg(option);
}

QString CommandArguments::option(const QString &name) const
{
    for (const auto &[key, value] : options) {
        if (key == name)
            return value;
    }
    return {};
}

bool CommandArguments::has(const QString &name) const
{
    for (const auto &option : options) {
        if (option.first == name)
            return true;
    }
    return false;
}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // Numbers with a decimal point, whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QByteArray lang = qgetenv("LANG");
    CliContext context{lang.startsWith("en") ? (unsigned char)1 : (unsigned char)0, out, err};

    QStringList words = application.arguments().mid(1);
    bool help = false;
    bool languageGiven = false;
    for (qsizetype i = 0; i < words.size();) {
        const QString &word = words[i];
        if (word == u"--help" || word == u"-h") {
            help = true;
            words.removeAt(i);
        } else if (word == u"--lang" || word.startsWith(QLatin1String("--lang="))) {
            const bool separate = word == u"--lang";
            const QString value = separate ? words.value(i + 1) : word.mid(7);
            if (value != u"ru" && value != u"en") {
                context.fail(QStringLiteral("--lang ru|en"));
                return exitcode::kFailed;
            }
            context.language = value == u"ru" ? 0 : 1;
            if (languageGiven) {
                context.fail(repeatedOption(QStringLiteral("--lang"), context.language));
                return exitcode::kFailed;
            }
            languageGiven = true;
            words.remove(i, separate ? 2 : 1);
        } else {
            ++i;
        }
    }
    if (help) {
        printHelp(out, context.language);
        return exitcode::kOk;
    }
    const Command *command = words.isEmpty() ? nullptr : findCommand(words.first());
    CommandArguments arguments;
    QString repeated;
    const Parsed parsed =
        command ? parseArguments(words.mid(1), *command, arguments, repeated) : Parsed::Unknown;
    if (parsed == Parsed::Repeated) {
        context.fail(repeatedOption(QStringLiteral("--") + repeated, context.language));
        return exitcode::kFailed;
    }
    if (parsed != Parsed::Ok) {
        printHelp(err, context.language);
        return exitcode::kFailed;
    }
    const int status = command->run(arguments, context);
    if (status < 0) {
        err << (context.language == 0 ? QStringLiteral(u"Использование: ")
                                      : QStringLiteral("Usage: "))
            << "cdi-tables " << command->name << ' ' << command->usage << Qt::endl;
        return exitcode::kFailed;
    }
    return status;
}
