// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "inputchecks.h"

#include "bench/intelhex.h"

// The import's CSV reading lives inside the command's file; taken in whole, so that the checks
// run exactly the code the command runs.
#include "cli/import.cpp"

#include <QFile>

#include <string>

namespace {

// The image as HEX again: 16-byte data records, then the end record.
std::string hexOf(const std::vector<std::uint8_t> &image)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t address = 0; address < image.size(); address += 16) {
        std::vector<std::uint8_t> record{0, std::uint8_t(address >> 8), std::uint8_t(address), 0};
        for (std::size_t i = address; i < image.size() && i < address + 16; ++i)
            record.push_back(image[i]);
        record[0] = std::uint8_t(record.size() - 4);
        record.push_back(intelHexChecksum(record));
        text += ':';
        for (const std::uint8_t byte : record) {
            text += digits[byte >> 4];
            text += digits[byte & 15];
        }
        text += '\n';
    }
    return text + ":00000001FF\n";
}

// The sample as the import reads it, once.
const FirmwareFile &sample()
{
    static const FirmwareFile file = [] {
        QFile source(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
        FirmwareFile read;
        if (source.open(QIODevice::ReadOnly)) {
            read.bytes = source.readAll();
            read.text = SourceText::fromFileBytes(read.bytes);
            read.scan = scan(read.text);
        }
        return read;
    }();
    return file;
}

} // namespace

QString checkIntelHex(QByteArrayView bytes)
{
    const std::string text(bytes.data(), std::size_t(bytes.size()));
    const FlashImage image = parseIntelHex(text);
    if (!image.error.empty()) {
        if (!image.bytes.empty())
            return QStringLiteral("a refused image has bytes");
        if (image.error == "no end record" || image.error == "no data records")
            return {};
        std::size_t line = 0;
        if (std::sscanf(image.error.c_str(), "line %zu: ", &line) != 1 || line == 0)
            return QStringLiteral("the refusal names no line: ") +
                   QString::fromStdString(image.error);
        const std::size_t lines = std::size_t(std::count(text.begin(), text.end(), '\n')) + 1;
        if (line > lines)
            return QStringLiteral("the refusal names line %1 of %2").arg(line).arg(lines);
        return {};
    }
    if (image.bytes.empty() || image.bytes.size() > kFlashBytes)
        return QStringLiteral("an image of %1 bytes was read").arg(image.bytes.size());
    const FlashImage again = parseIntelHex(hexOf(image.bytes));
    if (!again.error.empty() || again.bytes != image.bytes)
        return QStringLiteral("the image written as HEX again reads back otherwise");
    return {};
}

QString checkCsvImport(QByteArrayView input)
{
    if (input.isEmpty())
        return {};
    const FirmwareFile &file = sample();
    if (file.scan.stop)
        return QStringLiteral("the sample does not load");
    const int table = static_cast<unsigned char>(input[0]) % 4;
    const std::optional<int> onlyTable = table ? std::optional<int>(table) : std::nullopt;
    const QByteArray csv = input.sliced(1).toByteArray();
    QString sink;
    QTextStream out(&sink);
    CliContext context{1, out, out};

    const QString angle = file.calibration().sensorAngle.value_or(QStringLiteral("20"));
    Calibration calibration = file.calibration();
    if (const auto refusal = applyCsv(csv, onlyTable, angle, context, calibration)) {
        const qsizetype lines = csv.count('\n') + 1;
        if (refusal->text.isEmpty() || refusal->line < 0 || refusal->line > lines)
            return QStringLiteral("refusal at line %1 of %2: '%3'")
                .arg(refusal->line)
                .arg(lines)
                .arg(refusal->text);
        return {};
    }
    for (const auto &codes : calibration.codes) {
        for (const QString &code : codes) {
            bool whole = false;
            const int value = code.toInt(&whole);
            if (!whole || value < 0 || value > 255 || code.startsWith(QLatin1Char('+')))
                return QStringLiteral("a table code '%1' was taken").arg(code);
        }
    }
    Calibration twice = calibration;
    if (applyCsv(csv, onlyTable, angle, context, twice) || !(twice == calibration))
        return QStringLiteral("the same CSV taken twice gives another result");

    WriteOptions options;
    options.firstCommentAngle = lastAngleOfTable(calibration, 1);
    const WriteResult written = write(file.text, calibration, options);
    if (written.stop)
        return {};
    if (!readsBack(written.text, written.text.toFileBytes(), calibration, options))
        return QStringLiteral("the source written with the CSV reads back otherwise");
    return {};
}

// runImport comes in with the CSV reading and asks its arguments; the checks never run it.
QString CommandArguments::option(const QString &) const
{
    return {};
}

bool CommandArguments::has(const QString &) const
{
    return false;
}
