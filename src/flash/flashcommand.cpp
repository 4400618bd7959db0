// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "flash/flashcommand.h"

#include "bench/imagecheck.h"
#include "domain/language.h"
#include "flash/chipprogrammer.h"
#include "flash/chipsession.h"
#include "format/inputfile.h"
#include "format/scan.h"
#include "format/sourcefile.h"
#include "session/texts.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// An Intel HEX file starts with a record mark, possibly after blank lines.
bool looksLikeIntelHex(const QByteArray &bytes)
{
    return bytes.left(4096).trimmed().startsWith(':');
}

struct Words
{
    ProgrammerChoice choice;
    QStringList positional;
    QString source;
    bool force = false;
};

// The words after the command: "-c"/"--programmer" and "-P"/"--port" with a value, and with
// `withSource` also "--source FILE" and "--force". False for anything else that starts with '-'.
bool parseWords(const QStringList &arguments, bool withSource, Words &words)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool programmer =
            argument == QLatin1String("-c") || argument == QLatin1String("--programmer");
        const bool port = argument == QLatin1String("-P") || argument == QLatin1String("--port");
        const bool source = withSource && argument == QLatin1String("--source");
        if (programmer || port || source) {
            if (i + 1 >= arguments.size() || arguments[i + 1].trimmed().isEmpty())
                return false;
            const QString value = arguments[++i].trimmed();
            (programmer ? words.choice.programmer
             : port     ? words.choice.port
                        : words.source) = value;
        } else if (withSource && argument == QLatin1String("--force")) {
            words.force = true;
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return false;
        } else {
            words.positional << argument;
        }
    }
    return true;
}

struct Reporter
{
    QTextStream &err;
    unsigned char language;

    QString pick(QStringView russian, QStringView english) const
    {
        return inLanguage(language, russian, english);
    }
    void line(const QString &text) const
    {
        err << text << '\n';
        err.flush();
    }
    int fail(const QString &text, int status) const
    {
        line(text);
        return status;
    }
};

// The source's settings and tables, or nothing after a message.
std::optional<Calibration> sourceCalibration(const QString &path, const Reporter &report)
{
    const SourceFileRead read = readSourceFile(path);
    if (read.outcome != SourceFileRead::Read) {
        report.line(message(refusalMessage(read.outcome), report.language, path));
        return std::nullopt;
    }
    const ScanResult result = scan(SourceText::fromFileBytes(read.bytes));
    if (!result.completed()) {
        report.line(report
                        .pick(u"В исходнике %1 не найдены все настройки и таблицы.",
                              u"The source %1 does not hold all the settings and tables.")
                        .arg(path));
        return std::nullopt;
    }
    return result.calibration;
}

QString differenceReport(const QList<ImageDifference> &differences, const Reporter &report)
{
    return report.pick(u"Отличий: %1.", u"%1 differences.").arg(differences.size()) +
           QLatin1Char('\n') + describeDifferences(differences, report.language);
}

ProgrammerChoice choiceFrom(const Words &words, QSettings &settings, const QStringList &arguments)
{
    ProgrammerChoice choice = loadProgrammerChoice(settings);
    const auto given = [&](const char *shortForm, const char *longForm) {
        return arguments.contains(QLatin1String(shortForm)) ||
               arguments.contains(QLatin1String(longForm));
    };
    if (given("-c", "--programmer"))
        choice.programmer = words.choice.programmer;
    if (given("-P", "--port"))
        choice.port = words.choice.port;
    return choice;
}

} // namespace

int runFlashCommand(const QStringList &arguments, QSettings &settings, QTextStream &err,
                    unsigned char language)
{
    const Reporter report{err, language};
    const QString usage = report.pick(u"Использование: cdi-tables flash FILE.hex [-c ПРОГРАММАТОР] "
                                      u"[-P ПОРТ] [--source FILE.asm] [--force]",
                                      u"Usage: cdi-tables flash FILE.hex [-c PROGRAMMER] [-P PORT] "
                                      u"[--source FILE.asm] [--force]");
    Words words;
    if (!parseWords(arguments, true, words) || words.positional.size() != 1)
        return report.fail(usage, 2);
    const ProgrammerChoice choice = choiceFrom(words, settings, arguments);
    if (const QString unsafe = unsafeArgument(choice); !unsafe.isEmpty())
        return report.fail(report
                               .pick(u"Значение %1 начинается с «-»: avrdude принял бы его за "
                                     u"параметр. МК не прошивался.",
                                     u"The value %1 starts with '-': avrdude would take it for "
                                     u"an option. The chip was not touched.")
                               .arg(unsafe),
                           2);
    const QString hex = words.positional.first();

    const InputFileRead read = readInputFile(hex);
    if (read.outcome != InputFileRead::Read)
        return report.fail(message(refusalMessage(read.outcome), language, hex), 2);
    if (!looksLikeIntelHex(read.bytes))
        return report.fail(report
                               .pick(u"Файл %1 не в формате Intel HEX; МК не прошивался.",
                                     u"The file %1 is not Intel HEX; the chip was not touched.")
                               .arg(hex),
                           2);

    // 1. The image against the source.
    const ImageDecode decode = decodeIntelHex(read.bytes);
    std::optional<Calibration> expected = decode.calibration;
    QString expectedName = QFileInfo(hex).fileName();
    if (!words.source.isEmpty()) {
        expected = sourceCalibration(words.source, report);
        if (!expected)
            return 2;
        expectedName = QFileInfo(words.source).fileName();
        QString problem;
        if (!decode.ok())
            problem = decodeFailureText(decode, language);
        else if (const auto differences = compareWithImage(*expected, *decode.calibration);
                 !differences.isEmpty())
            problem = report
                          .pick(u"Образ %1 не совпадает с исходником %2. ",
                                u"The image %1 does not match the source %2. ")
                          .arg(QFileInfo(hex).fileName(), expectedName) +
                      differenceReport(differences, report);
        if (!problem.isEmpty()) {
            report.line(problem);
            if (!words.force)
                return report.fail(report.pick(u"МК не прошивался; --force прошьёт образ как есть.",
                                               u"The chip was not touched; --force programs the "
                                               u"image as it is."),
                                   1);
        }
    } else if (!decode.ok()) {
        report.line(decodeFailureText(decode, language));
    }

    const FlashTexts texts = flashTexts(language);
    if (!isOnSearchPath(QStringLiteral("avrdude")))
        return report.fail(texts.avrdudeMissing, 2);
    const AvrdudeListener echo = [&](const QString &text) {
        err << text;
        err.flush();
    };

    // 2. A copy of what the chip holds now.
    const QString copy =
        chipCopyPath(words.source.isEmpty() ? hex : words.source, QDateTime::currentDateTime());
    const AvrdudeRun copied = readChip(choice, copy, echo);
    if (!copied.ok()) {
        QFile::remove(copy);
        report.line(runFailureText(copied, language));
        if (copied.outcome == AvrdudeRun::WrongSignature)
            return 1;
        if (!words.force)
            return report.fail(report.pick(u"Копию МК сделать не удалось; МК не прошивался. "
                                           u"--force прошьёт без копии.",
                                           u"No copy of the chip could be made; the chip was not "
                                           u"touched. --force programs it without a copy."),
                               1);
    } else {
        report.line(
            report.pick(u"Копия МК сохранена: %1", u"A copy of the chip was kept in %1").arg(copy));
    }

    // 3. The write with avrdude's verify, and the read-back.
    QTemporaryDir scratch;
    const QString back = scratch.filePath(QStringLiteral("chip.hex"));
    const AvrdudeRun written = writeChip(choice, hex, back, echo);
    if (written.outcome == AvrdudeRun::Failed)
        return report.fail(texts.flashFailed + QLatin1Char(' ') + QString::number(written.exitCode),
                           1);
    if (!written.ok())
        return report.fail(runFailureText(written, language), 1);

    // 4. What the chip holds now.
    QFile backFile(back);
    const ImageDecode onChip =
        backFile.open(QIODevice::ReadOnly) ? decodeIntelHex(backFile.readAll()) : ImageDecode();
    if (!expected) {
        report.line(
            report.pick(u"avrdude записал и проверил %1.", u"avrdude wrote and verified %1.")
                .arg(expectedName));
        return 0;
    }
    if (!onChip.ok())
        return report.fail(
            report.pick(u"Таблицы в МК после записи не прочитать: ",
                        u"The tables cannot be read from the chip after the write: ") +
                decodeFailureText(onChip, language),
            1);
    const QList<ImageDifference> differences = compareWithImage(*expected, *onChip.calibration);
    if (!differences.isEmpty())
        return report.fail(report.pick(u"МК после записи отличается от %1. ",
                                       u"The chip differs from %1 after the write. ")
                                   .arg(expectedName) +
                               differenceReport(differences, report),
                           1);
    report.line(report
                    .pick(u"В МК таблицы и настройки %1.", u"The chip holds the tables and "
                                                           u"settings of %1.")
                    .arg(expectedName));
    return 0;
}

int runReadChipCommand(const QStringList &arguments, QSettings &settings, QTextStream &err,
                       unsigned char language)
{
    const Reporter report{err, language};
    const QString usage =
        report.pick(u"Использование: cdi-tables read-chip OUT.hex [-c ПРОГРАММАТОР] [-P ПОРТ]",
                    u"Usage: cdi-tables read-chip OUT.hex [-c PROGRAMMER] [-P PORT]");
    Words words;
    if (!parseWords(arguments, false, words) || words.positional.size() != 1)
        return report.fail(usage, 2);
    const ProgrammerChoice choice = choiceFrom(words, settings, arguments);
    if (const QString unsafe = unsafeArgument(choice); !unsafe.isEmpty())
        return report.fail(report
                               .pick(u"Значение %1 начинается с «-»: avrdude принял бы его за "
                                     u"параметр.",
                                     u"The value %1 starts with '-': avrdude would take it for "
                                     u"an option.")
                               .arg(unsafe),
                           2);
    const QString out = words.positional.first();
    if (QFileInfo::exists(out) || QFileInfo(out).isSymLink())
        return report.fail(report
                               .pick(u"Файл %1 уже есть; выберите другое имя.",
                                     u"The file %1 exists already; choose another name.")
                               .arg(out),
                           2);
    if (!isOnSearchPath(QStringLiteral("avrdude")))
        return report.fail(flashTexts(language).avrdudeMissing, 2);

    // avrdude writes into a scratch file beside OUT; only a whole read becomes OUT.
    QTemporaryDir scratch(QFileInfo(out).absolutePath() + QStringLiteral("/.read-chip-XXXXXX"));
    if (!scratch.isValid())
        return report.fail(report
                               .pick(u"Не удалось создать файл в папке %1.",
                                     u"Cannot create a file in the folder %1.")
                               .arg(QFileInfo(out).absolutePath()),
                           2);
    const QString partial = scratch.filePath(QStringLiteral("chip.hex"));
    const AvrdudeRun run = readChip(choice, partial, [&](const QString &text) {
        err << text;
        err.flush();
    });
    if (!run.ok())
        return report.fail(runFailureText(run, language), 1);
    if (!QFile::rename(partial, out))
        return report.fail(report.pick(u"Не удалось сохранить %1.", u"Cannot save %1.").arg(out),
                           2);
    QFile saved(out);
    const ImageDecode decode =
        saved.open(QIODevice::ReadOnly) ? decodeIntelHex(saved.readAll()) : ImageDecode();
    report.line(
        report.pick(u"Образ МК сохранён в %1.", u"The chip's image was saved in %1.").arg(out));
    if (!decode.ok())
        report.line(decodeFailureText(decode, language));
    return 0;
}
