// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "flash/flashcommand.h"

#include "domain/language.h"
#include "flash/chipprogrammer.h"
#include "format/inputfile.h"
#include "session/texts.h"

#include <QTextStream>

namespace {

// An Intel HEX file starts with a record mark, possibly after blank lines.
bool looksLikeIntelHex(const QByteArray &bytes)
{
    return bytes.left(4096).trimmed().startsWith(':');
}

} // namespace

int runFlashCommand(const QStringList &arguments, QSettings &settings, QTextStream &err,
                    unsigned char language)
{
    const auto fail = [&](const QString &message) {
        err << message << '\n';
        err.flush();
        return 2;
    };
    const QString usage =
        inLanguage(language,
                   QStringLiteral(u"Использование: cdi-tables flash FILE.hex [-c ПРОГРАММАТОР] "
                                  u"[-P ПОРТ]"),
                   QStringLiteral("Usage: cdi-tables flash FILE.hex [-c PROGRAMMER] [-P PORT]"));

    ProgrammerChoice choice = loadProgrammerChoice(settings);
    QString hex;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool programmer =
            argument == QLatin1String("-c") || argument == QLatin1String("--programmer");
        const bool port = argument == QLatin1String("-P") || argument == QLatin1String("--port");
        if (programmer || port) {
            if (i + 1 >= arguments.size() || arguments[i + 1].trimmed().isEmpty())
                return fail(usage);
            (programmer ? choice.programmer : choice.port) = arguments[++i].trimmed();
        } else if (argument.startsWith(QLatin1Char('-')) || !hex.isEmpty()) {
            return fail(usage);
        } else {
            hex = argument;
        }
    }
    if (hex.isEmpty())
        return fail(usage);

    const InputFileRead file = readInputFile(hex);
    if (file.outcome != InputFileRead::Read)
        return fail(message(refusalMessage(file.outcome), language, hex));
    if (!looksLikeIntelHex(file.bytes))
        return fail(inLanguage(language,
                               QStringLiteral(u"Файл %1 не в формате Intel HEX; МК не прошивался."),
                               QStringLiteral("The file %1 is not Intel HEX; the chip was not "
                                              "touched."))
                        .arg(hex));
    const FlashTexts texts = flashTexts(language);
    if (!isOnSearchPath(QStringLiteral("avrdude")))
        return fail(texts.avrdudeMissing);

    const std::optional<int> status = flashNow(choice, hex);
    if (!status)
        return fail(texts.flashFailed + QStringLiteral(" -"));
    if (*status != 0) {
        err << texts.flashFailed << ' ' << *status << '\n';
        err.flush();
        return 1;
    }
    err << texts.flashEnded << '\n';
    err.flush();
    return 0;
}
