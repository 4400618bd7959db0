// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// cdi-tables show: the settings and the 32 rows of a firmware source.
#include "cli/command.h"
#include "cli/firmwarefile.h"
#include "domain/anglecode.h"
#include "session/texts.h"

namespace {

struct Row
{
    int rpm = 0;
    std::array<QString, kTableCount> codes;
    std::array<QString, kTableCount> angles;
};

// Without a sensor angle (an image shown without one) the angles stay empty.
std::array<Row, kPointCount> rowsOf(const Calibration &calibration, std::optional<int> sensorAngle)
{
    std::array<Row, kPointCount> rows;
    for (int point = 1; point <= kPointCount; ++point) {
        Row &row = rows[std::size_t(point - 1)];
        row.rpm = calibration.rpm(point);
        for (int table = 1; table <= kTableCount; ++table) {
            row.codes[std::size_t(table - 1)] = calibration.code(table, point);
            if (sensorAngle)
                row.angles[std::size_t(table - 1)] =
                    angleText(calibration.code(table, point), *sensorAngle);
        }
    }
    return rows;
}

QString sparkText(const Calibration &calibration)
{
    return calibration.sparkOutput ? sparkOutputText(*calibration.sparkOutput)
                                   : QStringLiteral("?");
}

void printText(const FirmwareFile &file, std::optional<int> sensorAngle, CliContext &context)
{
    const Calibration &calibration = file.calibration();
    QTextStream &out = context.out;
    out << context.pick(QStringLiteral(u"Угол датчика: "), QStringLiteral("Sensor angle: "));
    if (sensorAngle)
        out << *sensorAngle << '\n';
    else
        out << context.pick(QStringLiteral(u"в образе его нет; углы — с --sensor N или --source "
                                           u"FILE.asm"),
                            QStringLiteral("not in the image; angles with --sensor N or --source "
                                           "FILE.asm"))
            << '\n';
    out << context.pick(QStringLiteral(u"Второй импульс: "), QStringLiteral("Second pulse: "))
        << secondPulseText(calibration.secondPulse) << '\n';
    out << context.pick(QStringLiteral(u"Выход \"искра\": "), QStringLiteral("Spark output: "))
        << sparkText(calibration) << '\n';
    out << context.pick(QStringLiteral(u"Подстроечный резистор: "), QStringLiteral("Trimmer: "))
        << (calibration.trimmerActive ? context.pick(QStringLiteral(u"да"), QStringLiteral("yes"))
                                      : context.pick(QStringLiteral(u"нет"), QStringLiteral("no")))
        << "\n\n";

    // The grid's column headers.
    const QString tablePrefix = caption(Caption::TableHeaderPrefix, context.language);
    const QString anglePrefix = caption(Caption::AngleHeader, context.language);
    QStringList header{caption(Caption::RpmHeader, context.language)};
    for (int table = 1; table <= kTableCount; ++table)
        header << tablePrefix + file.scan.tableLabels[std::size_t(table - 1)];
    for (int table = 1; sensorAngle && table <= kTableCount; ++table)
        header << anglePrefix + QString::number(table);
    const auto printCells = [&](const QStringList &cells) {
        QString line;
        for (const QString &cell : cells)
            line += cell.rightJustified(8);
        out << line << '\n';
    };
    printCells(header);
    for (const Row &row : rowsOf(calibration, sensorAngle)) {
        QStringList cells{QString::number(row.rpm)};
        for (const QString &code : row.codes)
            cells << code;
        for (const QString &angle : row.angles) {
            if (sensorAngle)
                cells << angle;
        }
        printCells(cells);
    }
}

void printCsv(const FirmwareFile &file, std::optional<int> sensorAngle, CliContext &context)
{
    context.out << (sensorAngle ? "rpm,code1,code2,code3,angle1,angle2,angle3\n"
                                : "rpm,code1,code2,code3\n");
    for (const Row &row : rowsOf(file.calibration(), sensorAngle)) {
        QStringList fields{QString::number(row.rpm)};
        for (const QString &code : row.codes)
            fields << code;
        for (const QString &angle : row.angles) {
            if (sensorAngle)
                fields << angle;
        }
        context.out << fields.join(QLatin1Char(',')) << '\n';
    }
}

// A code or an angle as a JSON value: a number, or null for an empty code and for no angle.
QString jsonNumber(const QString &text)
{
    if (text.isEmpty() || text == kNoAngleMark)
        return QStringLiteral("null");
    bool whole = false;
    const int value = text.toInt(&whole);
    return whole ? QString::number(value) : text;
}

void printJson(const FirmwareFile &file, std::optional<int> sensorAngle, CliContext &context)
{
    const Calibration &calibration = file.calibration();
    const SecondPulse &pulse = calibration.secondPulse;
    QTextStream &out = context.out;
    out << "{\"sensor_angle\":"
        << (sensorAngle ? QString::number(*sensorAngle) : QStringLiteral("null"))
        << ",\"second_pulse\":"
        << (pulse.automatic == true ? QStringLiteral("\"auto\"") : secondPulseText(pulse))
        << ",\"spark_output\":"
        << (calibration.sparkOutput
                ? QStringLiteral("\"%1\"").arg(sparkOutputText(*calibration.sparkOutput))
                : QStringLiteral("null"))
        << ",\"trimmer\":" << (calibration.trimmerActive ? "true" : "false") << ",\"rows\":[";
    bool first = true;
    for (const Row &row : rowsOf(calibration, sensorAngle)) {
        QStringList codes;
        QStringList angles;
        for (const QString &code : row.codes)
            codes << jsonNumber(code);
        for (const QString &angle : row.angles)
            angles << jsonNumber(angle);
        out << (first ? "" : ",") << "{\"rpm\":" << row.rpm << ",\"codes\":["
            << codes.join(QLatin1Char(',')) << "],\"angles\":[" << angles.join(QLatin1Char(','))
            << "]}";
        first = false;
    }
    out << "]}\n";
}

} // namespace

QString showSummary(unsigned char language)
{
    return language == 0
               ? QStringLiteral(u"настройки и 32 строки таблиц (text, csv или json) исходника или "
                                u"образа FILE.hex; углы образа — с --sensor или --source")
               : QStringLiteral(
                     "the settings and the 32 table rows (text, csv or json) of a source "
                     "or of an image FILE.hex; an image's angles with --sensor or "
                     "--source");
}

int runShow(const CommandArguments &arguments, CliContext &context)
{
    if (arguments.positional.size() != 1)
        return -1;
    const QString format = arguments.has(QStringLiteral("format"))
                               ? arguments.option(QStringLiteral("format"))
                               : QStringLiteral("text");
    if (format != u"text" && format != u"csv" && format != u"json")
        return -1;
    std::optional<QString> imageSensor;
    if (!imageSensorAngle(arguments, context, imageSensor))
        return exitcode::kFailed;
    const auto file = loadFirmware(arguments.positional[0], context, imageSensor);
    if (!file)
        return exitcode::kFailed;
    std::optional<int> sensorAngle;
    if (hasAngles(*file)) {
        sensorAngle = sensorAngleOf(*file, context);
        if (!sensorAngle)
            return exitcode::kFailed;
    }
    if (format == u"csv")
        printCsv(*file, sensorAngle, context);
    else if (format == u"json")
        printJson(*file, sensorAngle, context);
    else
        printText(*file, sensorAngle, context);
    return exitcode::kOk;
}
