// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "cli/firmwarefile.h"

#include "bench/imagedecode.h"
#include "domain/anglecode.h"
#include "format/savejournal.h"
#include "session/texts.h"

void CliContext::fail(const QString &text) const
{
    err << "cdi-tables: " << text << Qt::endl;
}

std::optional<FirmwareFile> loadFirmware(const QString &path, const CliContext &context,
                                         const std::optional<QString> &imageSensorAngle)
{
    SourceFileRead read = readSourceFile(path);
    if (read.outcome != SourceFileRead::Read) {
        context.fail(message(refusalMessage(read.outcome), context.language, path));
        return std::nullopt;
    }
    FirmwareFile file;
    file.path = path;
    file.bytes = read.bytes;
    file.stamp = read.stamp;
    if (path.endsWith(QLatin1String(".hex"), Qt::CaseInsensitive)) {
        const ImageDecode decode = decodeIntelHex(read.bytes);
        if (!decode.ok()) {
            context.fail(path + QStringLiteral(": ") + decodeFailureText(decode, context.language));
            return std::nullopt;
        }
        file.image = true;
        file.scan.calibration = *decode.calibration;
        file.scan.calibration.sensorAngle = imageSensorAngle;
        file.scan.tableLabels = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
        return file;
    }
    file.text = SourceText::fromFileBytes(read.bytes);
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

bool imageSensorAngle(const CommandArguments &arguments, const CliContext &context,
                      std::optional<QString> &angle)
{
    if (arguments.has(QStringLiteral("sensor"))) {
        const QString text = arguments.option(QStringLiteral("sensor")).trimmed();
        try {
            angle = QString::number(strToInt(text));
            return true;
        } catch (const ConversionError &error) {
            context.fail(QStringLiteral("--sensor: ") + error.message() + QLatin1Char('.'));
            return false;
        }
    }
    if (arguments.has(QStringLiteral("source"))) {
        const auto source = loadFirmware(arguments.option(QStringLiteral("source")), context);
        if (source && source->image)
            context.fail(QStringLiteral("--source: ") + source->path);
        if (!source || source->image || !sensorAngleOf(*source, context))
            return false;
        angle = source->calibration().sensorAngle.value_or(QStringLiteral("20"));
    }
    return true;
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
