// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// cdi-tables diff: the settings and table cells in which two firmware sources differ.
#include "cli/command.h"
#include "cli/firmwarefile.h"

namespace {

QString optionalText(const std::optional<QString> &text)
{
    return text.value_or(QStringLiteral("?"));
}

QString sparkText(const std::optional<SparkOutput> &output)
{
    return output ? sparkOutputText(*output) : QStringLiteral("?");
}

QString shown(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("\"\"") : text;
}

// Digits with leading zeros assemble to the same number: "014" and "14" are one code.
bool sameNumber(const QString &a, const QString &b)
{
    bool wholeA = false;
    bool wholeB = false;
    const int valueA = a.toInt(&wholeA, 10);
    const int valueB = b.toInt(&wholeB, 10);
    return wholeA && wholeB ? valueA == valueB : a == b;
}

} // namespace

QString diffSummary(unsigned char language)
{
    return language == 0
               ? QStringLiteral(u"различия настроек и ячеек таблиц двух исходников или образов "
                                u"(.hex в любом сочетании)")
               : QStringLiteral("the settings and table cells in which two sources or images "
                                "differ (.hex in any mix)");
}

int runDiff(const CommandArguments &arguments, CliContext &context)
{
    if (arguments.positional.size() != 2)
        return -1;
    std::optional<QString> imageSensor;
    if (!imageSensorAngle(arguments, context, imageSensor))
        return exitcode::kFailed;
    const auto a = loadFirmware(arguments.positional[0], context, imageSensor);
    const auto b = a ? loadFirmware(arguments.positional[1], context, imageSensor) : std::nullopt;
    if (!a || !b)
        return exitcode::kFailed;
    // An image without a sensor angle compares by codes alone.
    const bool angles = hasAngles(*a) && hasAngles(*b);
    const auto sensorA = angles ? sensorAngleOf(*a, context) : std::optional<int>(0);
    const auto sensorB = angles ? sensorAngleOf(*b, context) : std::optional<int>(0);
    if (!sensorA || !sensorB)
        return exitcode::kFailed;
    const Calibration &from = a->calibration();
    const Calibration &to = b->calibration();

    QStringList lines;
    const auto differ = [&](const QString &what, const QString &before, const QString &after) {
        lines << QStringLiteral("%1: %2 -> %3").arg(what, before, after);
    };
    if (angles && (from.sensorAngle.has_value() != to.sensorAngle.has_value() ||
                   (from.sensorAngle && !sameNumber(*from.sensorAngle, *to.sensorAngle))))
        differ(context.pick(QStringLiteral(u"угол датчика"), QStringLiteral("sensor angle")),
               optionalText(from.sensorAngle), optionalText(to.sensorAngle));
    if (!(from.secondPulse == to.secondPulse))
        differ(context.pick(QStringLiteral(u"второй импульс"), QStringLiteral("second pulse")),
               secondPulseText(from.secondPulse), secondPulseText(to.secondPulse));
    if (from.sparkOutput != to.sparkOutput)
        differ(context.pick(QStringLiteral(u"выход \"искра\""), QStringLiteral("spark output")),
               sparkText(from.sparkOutput), sparkText(to.sparkOutput));
    if (from.trimmerActive != to.trimmerActive) {
        const auto yesNo = [&](bool on) {
            return on ? context.pick(QStringLiteral(u"да"), QStringLiteral("yes"))
                      : context.pick(QStringLiteral(u"нет"), QStringLiteral("no"));
        };
        differ(context.pick(QStringLiteral(u"подстроечный резистор"), QStringLiteral("trimmer")),
               yesNo(from.trimmerActive), yesNo(to.trimmerActive));
    }
    const QString rowWord = context.pick(QStringLiteral(u"строка"), QStringLiteral("row"));
    const QString rpmWord = context.pick(QStringLiteral(u"об/мин"), QStringLiteral("rpm"));
    for (int point = 2; point <= kPointCount; ++point) {
        if (from.rpm(point) != to.rpm(point))
            differ(QStringLiteral("%1, %2 %3").arg(rpmWord, rowWord).arg(point),
                   QString::number(from.rpm(point)), QString::number(to.rpm(point)));
    }
    const QString tableWord = context.pick(QStringLiteral(u"таблица"), QStringLiteral("table"));
    const QString codeWord = context.pick(QStringLiteral(u"код "), QStringLiteral("code "));
    for (int table = 1; table <= kTableCount; ++table) {
        for (int point = 1; point <= kPointCount; ++point) {
            const QString &codeA = from.code(table, point);
            const QString &codeB = to.code(table, point);
            const QString angleA = angles ? angleText(codeA, *sensorA) : QString();
            const QString angleB = angles ? angleText(codeB, *sensorB) : QString();
            if (angleA == angleB && sameNumber(codeA, codeB))
                continue;
            const QString where = QStringLiteral("%1 %2, %3 %4 (%5 %6)")
                                      .arg(tableWord)
                                      .arg(table)
                                      .arg(rowWord)
                                      .arg(point)
                                      .arg(from.rpm(point))
                                      .arg(rpmWord);
            if (angleA != angleB && !angleA.isEmpty() && !angleB.isEmpty())
                differ(where, angleA, angleB);
            else
                differ(where, codeWord + shown(codeA), codeWord + shown(codeB));
        }
    }
    for (const QString &line : lines)
        context.out << line << '\n';
    if (lines.isEmpty())
        context.out << context.pick(QStringLiteral(u"различий нет"),
                                    QStringLiteral("no differences"))
                    << '\n';
    return lines.isEmpty() ? exitcode::kOk : exitcode::kRefused;
}
