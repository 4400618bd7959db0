// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/imagecheck.h"

#include "domain/language.h"

namespace {

std::optional<int> codeValue(const QString &digits)
{
    bool ok = false;
    const int value = digits.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString constantText(int constant, unsigned char language)
{
    if (constant < 0 || constant >= 255)
        return QString::number(constant);
    const int rpm = int(rpmOfCompareConstant(constant));
    return inLanguage(language, u"%1 (%2 об/мин)", u"%1 (%2 rpm)").arg(constant).arg(rpm);
}

QString trimmerText(bool active, unsigned char language)
{
    return active ? inLanguage(language, u"включён", u"on")
                  : inLanguage(language, u"выключен", u"off");
}

// The settings' values as the window's boxes show them; "?" for a mode or pin the tool does
// not know.
QString pulseValue(const SecondPulse &pulse)
{
    return pulse.automatic ? secondPulseText(pulse) : QStringLiteral("?");
}

QString outputValue(const std::optional<SparkOutput> &output)
{
    return output ? sparkOutputText(*output) : QStringLiteral("?");
}

QString trimmerValue(bool active)
{
    return active ? QStringLiteral("on") : QStringLiteral("off");
}

} // namespace

QList<ImageDifference> compareWithImage(const Calibration &source, const Calibration &image)
{
    QList<ImageDifference> differences;
    for (int point = kPointCount; point >= 2; --point) {
        const int want = source.compareConstant(point);
        const int got = image.compareConstant(point);
        if (want != got)
            differences.append({ImageDifference::CompareConstant, 0, point, QString::number(want),
                                QString::number(got)});
    }
    for (int table = 1; table <= kTableCount; ++table) {
        for (int point = 1; point <= kPointCount; ++point) {
            const QString &want = source.code(table, point);
            const QString &got = image.code(table, point);
            const std::optional<int> wantValue = codeValue(want);
            if (!wantValue || wantValue != codeValue(got))
                differences.append({ImageDifference::TableCode, table, point,
                                    wantValue ? QString::number(*wantValue) : want, got});
        }
    }
    if (!(source.secondPulse == image.secondPulse))
        differences.append({ImageDifference::SecondPulse, 0, 0, pulseValue(source.secondPulse),
                            pulseValue(image.secondPulse)});
    if (source.sparkOutput != image.sparkOutput)
        differences.append({ImageDifference::SparkOutput, 0, 0, outputValue(source.sparkOutput),
                            outputValue(image.sparkOutput)});
    if (source.trimmerActive != image.trimmerActive)
        differences.append({ImageDifference::Trimmer, 0, 0, trimmerValue(source.trimmerActive),
                            trimmerValue(image.trimmerActive)});
    return differences;
}

ImageCheck checkImage(const Calibration &source, const QByteArray &hexText)
{
    ImageCheck check;
    check.decode = decodeIntelHex(hexText);
    if (check.decode.ok())
        check.differences = compareWithImage(source, *check.decode.calibration);
    return check;
}

QString describeDifference(const ImageDifference &difference, unsigned char language)
{
    const QString values =
        inLanguage(language, u"%1 в исходнике, %2 в образе", u"%1 in the source, %2 in the image");
    switch (difference.kind) {
    case ImageDifference::CompareConstant:
        return inLanguage(language, u"порог оборотов строки %1: константа ",
                          u"RPM breakpoint of row %1: compare constant ")
                   .arg(difference.point) +
               values.arg(constantText(difference.source.toInt(), language),
                          constantText(difference.image.toInt(), language));
    case ImageDifference::TableCode:
        return inLanguage(language, u"таблица %1, строка %2: код ", u"table %1, row %2: code ")
                   .arg(difference.table)
                   .arg(difference.point) +
               values.arg(difference.source, difference.image);
    case ImageDifference::SecondPulse:
        break;
    case ImageDifference::SparkOutput:
        return inLanguage(language, u"выход «искра»: ", u"spark output: ") +
               values.arg(difference.source, difference.image);
    case ImageDifference::Trimmer:
        return inLanguage(language, u"подстроечный резистор: ", u"trimming resistor: ") +
               values.arg(trimmerText(difference.source == QLatin1String("on"), language),
                          trimmerText(difference.image == QLatin1String("on"), language));
    }
    return inLanguage(language, u"второй импульс датчика: ", u"second sensor pulse: ") +
           values.arg(difference.source, difference.image);
}

QString describeDifferences(const QList<ImageDifference> &differences, unsigned char language,
                            int shown)
{
    QStringList lines;
    for (qsizetype i = 0; i < differences.size() && i < shown; ++i)
        lines << describeDifference(differences[i], language);
    if (differences.size() > shown)
        lines << inLanguage(language, u"и ещё отличий: %1", u"and %1 more differences")
                     .arg(differences.size() - shown);
    return lines.join(QLatin1Char('\n'));
}
