// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "cli/firmwarefile.h"

#include "domain/anglecode.h"
#include "format/savejournal.h"
#include "session/texts.h"

void CliContext::fail(const QString &text) const
{
    err << "cdi-tables: " << text << Qt::endl;
}

std::optional<FirmwareFile> loadFirmware(const QString &path, const CliContext &context)
{
    SourceFileRead read = readSourceFile(path);
    if (read.outcome != SourceFileRead::Read) {
        context.fail(message(refusalMessage(read.outcome), context.language, path));
        return std::nullopt;
    }
    FirmwareFile file;
    file.path = path;
    file.bytes = read.bytes;
    file.text = SourceText::fromFileBytes(read.bytes);
    file.stamp = read.stamp;
    file.interruptedBackup = interruptedSaveBackup(path);
    if (file.interruptedBackup)
        context.fail(interruptedSaveNote(path, *file.interruptedBackup, context.language));
    file.scan = scan(file.text);
    if (const auto &stop = file.scan.stop) {
        QString text = path + QStringLiteral(": ");
        if (const auto *error = std::get_if<ConversionError>(&*stop))
            text += error->message() + QLatin1Char('.');
        else
            text += message(std::get<MessageId>(*stop), context.language);
        if (!file.scan.stopLine.isEmpty())
            text += QLatin1Char('\n') + lineNote(file.scan.stopLine, context.language);
        context.fail(text);
        return std::nullopt;
    }
    return file;
}

std::optional<int> sensorAngleOf(const FirmwareFile &file, const CliContext &context)
{
    const QString text = file.calibration().sensorAngle.value_or(QStringLiteral("20"));
    try {
        return strToInt(text);
    } catch (const ConversionError &error) {
        context.fail(file.path + QStringLiteral(": ") + error.message() + QLatin1Char('.'));
        return std::nullopt;
    }
}

QString angleText(const QString &code, int sensorAngle)
{
    if (code.isEmpty())
        return {};
    return angleTextForCode(code.toInt(), sensorAngle);
}
