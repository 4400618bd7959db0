// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// cdi-tables import: angles (and RPMs) from a CSV into a firmware source, saved as the window's
// "Save to file" saves it.
#include "cli/command.h"
#include "cli/firmwarefile.h"
#include "domain/anglecode.h"
#include "format/filesave.h"
#include "format/write.h"
#include "session/texts.h"

#include <QFile>

namespace {

// Which column of the CSV holds what; -1 for none.
struct Columns
{
    int rpm = -1;
    std::array<int, kTableCount> angle{-1, -1, -1};
    std::array<int, kTableCount> code{-1, -1, -1};
    int count = 0;
};

// A refusal of the CSV: the text, and the CSV line it is about (1-based; 0 for none).
struct CsvRefusal
{
    QString text;
    int line = 0;
    QString lineText = {};
};

QString pick(const CliContext &context, const char16_t *russian, const char *english)
{
    return context.pick(QString::fromUtf16(russian), QString::fromLatin1(english));
}

std::optional<CsvRefusal> readHeader(const QStringList &names, std::optional<int> onlyTable,
                                     const CliContext &context, Columns &columns)
{
    columns.count = int(names.size());
    if (onlyTable) {
        if (names != QStringList{QStringLiteral("rpm"), QStringLiteral("angle")})
            return CsvRefusal{pick(context, u"С --table нужны столбцы rpm,angle",
                                   "With --table the columns are rpm,angle"),
                              1, names.join(QLatin1Char(','))};
        columns.rpm = 0;
        columns.angle[std::size_t(*onlyTable - 1)] = 1;
        return std::nullopt;
    }
    for (int i = 0; i < names.size(); ++i) {
        const QString &name = names[i];
        int *slot = nullptr;
        if (name == u"rpm")
            slot = &columns.rpm;
        for (int table = 1; table <= kTableCount; ++table) {
            if (name == QStringLiteral("angle%1").arg(table))
                slot = &columns.angle[std::size_t(table - 1)];
            if (name == QStringLiteral("code%1").arg(table))
                slot = &columns.code[std::size_t(table - 1)];
        }
        if (!slot || *slot >= 0)
            return CsvRefusal{pick(context, u"Неизвестный или повторный столбец: ",
                                   "Unknown or repeated column: ") +
                                  name,
                              1, names.join(QLatin1Char(','))};
        *slot = i;
    }
    return std::nullopt;
}

// A code cell: one to three digits, 0 to 255.
std::optional<int> tableCode(const QString &text)
{
    bool digits = !text.isEmpty() && text.size() <= 3;
    for (const QChar ch : text)
        digits = digits && ch >= u'0' && ch <= u'9';
    const int value = digits ? text.toInt() : -1;
    if (value < 0 || value > 255)
        return std::nullopt;
    return value;
}

// The code of one table in one line. A given angle decides it, by the angle-to-code rule; an empty
// angle leaves it to the code column, and an empty pair keeps the file's code. The rule looks at
// the line alone, never at the file, so that the same CSV imported twice gives the same file.
// A code edited beside an angle that gives another one is not taken, and a note says so.
std::optional<QString> applyCell(const QString &angle, const QString &codeText, int table,
                                 const QString &sensorAngle, const CliContext &context,
                                 QString &code, QStringList &notes)
{
    std::optional<int> fromAngle;
    if (!angle.isEmpty()) {
        const AngleCode result = angleToCode(angle, sensorAngle);
        if (result.failure == AngleLimit::Below)
            return message(MessageId::BelowSensorLimit, context.language);
        if (result.failure == AngleLimit::Above)
            return message(MessageId::AboveSensorLimit, context.language);
        fromAngle = result.code;
    }
    std::optional<int> fromCode;
    if (!codeText.isEmpty()) {
        fromCode = tableCode(codeText);
        if (!fromCode)
            return pick(context, u"Код таблицы %1 должен быть целым числом от 0 до 255: \"%2\"",
                        "The code of table %1 must be a whole number from 0 to 255: \"%2\"")
                .arg(table)
                .arg(codeText);
    }
    bool whole = false;
    const int now = code.toInt(&whole);
    if (fromAngle && fromCode && *fromAngle != *fromCode && !(whole && *fromCode == now))
        notes << pick(context, u"таблица %1: код %2 не взят, решает угол %3 (код %4)",
                      "table %1: the code %2 was not taken, the angle %3 (code %4) decides")
                     .arg(table)
                     .arg(codeText, angle)
                     .arg(*fromAngle);
    const std::optional<int> wanted = fromAngle ? fromAngle : fromCode;
    // The digits stand as they are when they already are this code ("012" stays).
    if (wanted && (!whole || now != *wanted))
        code = QString::number(*wanted);
    return std::nullopt;
}

// Applies one data line (point 1..32) to the calibration, as the window would take the same
// texts typed into its grid: RPMs as whole numbers within 460..20000 (the first point stays at
// 460), angles by the angle-to-code rule; codes by applyCell().
std::optional<QString> applyLine(const QStringList &fields, const Columns &columns, int point,
                                 const QString &sensorAngle, const CliContext &context,
                                 Calibration &calibration, QStringList &notes)
{
    try {
        if (columns.rpm >= 0) {
            const int rpm = strToInt(fields[columns.rpm]);
            if (rpm < kLowestRpm)
                return message(MessageId::RpmTooLow, context.language);
            if (rpm > kHighestRpm)
                return message(MessageId::RpmTooHigh, context.language);
            if (point == 1 && rpm != kIdleRpm)
                return pick(context, u"Первая точка всегда 460 об/мин",
                            "The first point is always 460 RPM");
            if (point > 1)
                calibration.compareConstant(point) = compareConstantForRpm(rpm);
        }
        for (int table = 1; table <= kTableCount; ++table) {
            const auto field = [&](int column) { return column < 0 ? QString() : fields[column]; };
            const std::size_t index = std::size_t(table - 1);
            if (auto refusal =
                    applyCell(field(columns.angle[index]), field(columns.code[index]), table,
                              sensorAngle, context, calibration.code(table, point), notes))
                return refusal;
        }
    } catch (const ConversionError &error) {
        return error.message() + QLatin1Char('.');
    }
    return std::nullopt;
}

// Notes about cells not taken as written go to `notes` (one "CSV line: text" each), when given.
std::optional<CsvRefusal> applyCsv(const QByteArray &bytes, std::optional<int> onlyTable,
                                   const QString &sensorAngle, const CliContext &context,
                                   Calibration &calibration, QStringList *notes = nullptr)
{
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return CsvRefusal{pick(context, u"Пустой CSV", "Empty CSV"), 0};
    Columns columns;
    if (auto refusal = readHeader(lines[0].split(QLatin1Char(',')), onlyTable, context, columns))
        return refusal;
    if (lines.size() - 1 != kPointCount)
        return CsvRefusal{pick(context, u"Нужно 32 строки данных, в файле ",
                               "32 data lines needed, the file has ") +
                              QString::number(lines.size() - 1),
                          0};
    for (int point = 1; point <= kPointCount; ++point) {
        const QStringList fields = lines[point].split(QLatin1Char(','));
        if (fields.size() != columns.count)
            return CsvRefusal{pick(context, u"Неверное число столбцов: ", "Wrong column count: ") +
                                  QStringLiteral("%1/%2").arg(fields.size()).arg(columns.count),
                              point + 1, lines[point]};
        QStringList lineNotes;
        if (auto text =
                applyLine(fields, columns, point, sensorAngle, context, calibration, lineNotes))
            return CsvRefusal{*text, point + 1, lines[point]};
        for (const QString &note : std::as_const(lineNotes)) {
            if (notes)
                *notes << QStringLiteral("%1: %2").arg(point + 1).arg(note);
        }
    }
    return std::nullopt;
}

} // namespace

QString importSummary(unsigned char language)
{
    return language == 0
               ? QStringLiteral(
                     u"углы (и обороты) из CSV в исходник прошивки, как \"Сохранить в файл\"")
               : QStringLiteral(
                     "angles (and RPMs) from a CSV into the source, as \"Save to file\"");
}

int runImport(const CommandArguments &arguments, CliContext &context)
{
    if (arguments.positional.size() != 2)
        return -1;
    std::optional<int> onlyTable;
    if (arguments.has(QStringLiteral("table"))) {
        bool ok = false;
        onlyTable = arguments.option(QStringLiteral("table")).toInt(&ok);
        if (!ok || *onlyTable < 1 || *onlyTable > kTableCount)
            return -1;
    }
    const QString &csvPath = arguments.positional[1];
    auto file = loadFirmware(arguments.positional[0], context);
    if (!file)
        return exitcode::kFailed;
    const auto sensorAngle = sensorAngleOf(*file, context);
    if (!sensorAngle)
        return exitcode::kFailed;
    const InputFileRead csv = readInputFile(csvPath);
    if (csv.outcome != InputFileRead::Read) {
        context.fail(message(refusalMessage(csv.outcome), context.language, csvPath));
        return exitcode::kFailed;
    }

    Calibration calibration = file->calibration();
    QStringList notes;
    if (const auto refusal = applyCsv(csv.bytes, onlyTable, QString::number(*sensorAngle), context,
                                      calibration, &notes)) {
        QString text = csvPath + QStringLiteral(": ") + refusal->text;
        if (refusal->line > 0)
            text += QLatin1Char('\n') +
                    lineNote(QStringLiteral("%1: %2").arg(refusal->line).arg(refusal->lineText),
                             context.language);
        context.fail(text);
        return exitcode::kRefused;
    }

    // Breakpoints the firmware does not count in order leave a row unused: written only when
    // asked for.
    if (const QList<UnorderedBreakpoint> unordered = unorderedBreakpoints(calibration);
        !unordered.isEmpty() && !arguments.has(QStringLiteral("allow-unordered"))) {
        context.fail(csvPath + QStringLiteral(": ") +
                     unorderedBreakpointsText(unordered, context.language) + QLatin1Char(' ') +
                     pick(context, u"Ничего не записано; --allow-unordered записывает всё равно.",
                          "Nothing was written; --allow-unordered writes it anyway."));
        return exitcode::kRefused;
    }

    // The save of the window: the angle column shows table 1, whose last angle starts the
    // store lines' comments.
    calibration.sensorAngle = QString::number(*sensorAngle);
    if (file->calibration().sensorAngle)
        calibration.sensorAngle = file->calibration().sensorAngle;
    WriteOptions options;
    options.firstCommentAngle = lastAngleOfTable(calibration, 1);
    const WriteResult written = write(file->text, calibration, options);
    if (written.stop) {
        QString text = file->path + QStringLiteral(": ");
        if (const auto *error = std::get_if<ConversionError>(&*written.stop))
            text += error->message() + QLatin1Char('.');
        else
            text += message(std::get<MessageId>(*written.stop), context.language);
        if (!written.stopLine.isEmpty())
            text += QLatin1Char('\n') + lineNote(written.stopLine, context.language);
        context.fail(text);
        return exitcode::kRefused;
    }
    // The codes the CSV gives but its angles overrule are named, so that none is dropped unseen.
    for (const QString &note : std::as_const(notes))
        context.err << "cdi-tables: " << csvPath << ": " << lineNote(note, context.language)
                    << Qt::endl;
    const QByteArray bytes = written.text.toFileBytes();
    if (!readsBack(written.text, bytes, calibration, options)) {
        context.fail(file->path + QStringLiteral(": ") +
                     message(MessageId::MissingData, context.language));
        return exitcode::kRefused;
    }
    if (bytes == file->bytes) {
        // Nothing to change: the file is not touched.
        context.out << file->path
                    << pick(context, u": изменений нет, файл не тронут",
                            ": nothing to change, the file is left as it was")
                    << Qt::endl;
        return exitcode::kOk;
    }
    // Another program may have written or removed the file while the CSV was read: its change
    // is not overwritten with a save made from the text read before it.
    if (const DiskChange onDisk = diskChangeSince(file->stamp, file->path);
        onDisk != DiskChange::None) {
        context.fail(file->path + QStringLiteral(": ") +
                     (onDisk == DiskChange::Deleted
                          ? pick(context,
                                 u"файл удалён с диска после того, как был прочитан; "
                                 u"ничего не записано",
                                 "the file was deleted after it was read; nothing was written")
                          : pick(context,
                                 u"файл изменён на диске после того, как был прочитан; "
                                 u"ничего не записано",
                                 "the file changed on disk after it was read; nothing was "
                                 "written")));
        return exitcode::kRefused;
    }
    if (file->interruptedBackup) {
        context.fail(file->path + QStringLiteral(": ") + interruptedSaveRefusal(context.language));
        return exitcode::kRefused;
    }
    try {
        writeSourceFile(file->path, bytes);
    } catch (const FileWriteError &error) {
        context.fail(fileWriteMessage(error, context.language));
        return exitcode::kFailed;
    }
    int codes = 0;
    int rpms = 0;
    for (int point = 1; point <= kPointCount; ++point) {
        for (int table = 1; table <= kTableCount; ++table)
            codes += calibration.code(table, point) != file->calibration().code(table, point);
        rpms += point > 1 && calibration.rpm(point) != file->calibration().rpm(point);
    }
    context.out << file->path
                << pick(context, u": сохранено; изменено кодов таблиц: %1, точек оборотов: %2",
                        ": saved; %1 table codes and %2 RPM points changed")
                       .arg(codes)
                       .arg(rpms)
                << Qt::endl;
    return exitcode::kOk;
}
