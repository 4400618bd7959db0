// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "domain/numbers.h"

#include <QLocale>

#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>

ConversionError ConversionError::notInteger(const QString &text)
{
    return ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

ConversionError ConversionError::notFloat(const QString &text)
{
    return ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

ConversionError ConversionError::divisionByZero()
{
    return ConversionError(QStringLiteral("Floating point division by zero"));
}

QChar decimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QChar('.') : point.front();
}

namespace {

bool isDigit(QChar ch)
{
    return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
}

} // namespace

int strToInt(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == n)
        throw ConversionError::notInteger(text);
    long long value = 0;
    for (; i < n; ++i) {
        if (!isDigit(text[i]))
            throw ConversionError::notInteger(text);
        value = value * 10 + (text[i].unicode() - '0');
        if (value > 2147483648LL)
            throw ConversionError::notInteger(text);
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        throw ConversionError::notInteger(text);
    return int(value);
}

double strToFloat(const QString &text)
{
    const QChar separator = decimalSeparator();
    QByteArray plain;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i] == QLatin1Char(' '))
            ++i;
    };
    skipBlanks();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        if (text[i] == QLatin1Char('-')) // from_chars takes no leading plus
            plain += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < n && isDigit(text[i])) {
        plain += char(text[i++].unicode());
        ++mantissaDigits;
    }
    if (i < n && text[i] == separator) {
        plain += '.';
        ++i;
        while (i < n && isDigit(text[i])) {
            plain += char(text[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        throw ConversionError::notFloat(text);
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            plain += char(text[i++].unicode());
        int exponentDigits = 0;
        while (i < n && isDigit(text[i])) {
            plain += char(text[i++].unicode());
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            throw ConversionError::notFloat(text);
    }
    skipBlanks();
    if (i != n)
        throw ConversionError::notFloat(text);
    // from_chars always reads a point: strtod would follow the C locale, which
    // QCoreApplication takes from the environment (a comma in de_DE reads "12.5" as 12).
    double value = 0;
    const auto [end, error] =
        std::from_chars(plain.constData(), plain.constData() + plain.size(), value);
    if (error != std::errc() || end != plain.constData() + plain.size() || !std::isfinite(value))
        throw ConversionError::notFloat(text);
    return value;
}

QString floatToStr(long double value)
{
    if (value == 0)
        value = 0; // no "-0"
    // Like "%.15Lg", but independent of the C locale's decimal point.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        // 1.5e-06 -> 1.5E-6, 1e+20 -> 1E20
        QString mantissa = text.left(e);
        const int exponent = text.mid(e + 1).toInt();
        text = mantissa + QLatin1Char('E') + QString::number(exponent);
    }
    text.replace(QLatin1Char('.'), decimalSeparator());
    return text;
}

long double roundHalfEven(long double value)
{
    const int previous = std::fegetround();
    if (previous == FE_TONEAREST)
        return std::nearbyintl(value);
    std::fesetround(FE_TONEAREST);
    const long double rounded = std::nearbyintl(value);
    std::fesetround(previous);
    return rounded;
}
