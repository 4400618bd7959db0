// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QChar>
#include <QString>

// Numbers live as text in the window's cells and boxes and are converted where they are used.
// A text that is not a number stops the running handler with a ConversionError, whose message
// the window shows as its general error report.

class ConversionError
{
public:
    explicit ConversionError(QString message) : m_message(std::move(message)) {}
    const QString &message() const { return m_message; }
    friend bool operator==(const ConversionError &a, const ConversionError &b)
    {
        return a.m_message == b.m_message;
    }

    static ConversionError notInteger(const QString &text);
    static ConversionError notFloat(const QString &text);
    static ConversionError divisionByZero();

private:
    QString m_message;
};

// The decimal separator of the user's locale (QLocale's default).
QChar decimalSeparator();

// Whole number: optional blanks, an optional sign, decimal digits; fits in 32 bits.
int strToInt(const QString &text);

// Real number with the locale's decimal separator: optional blanks around, optional sign,
// digits with at most one separator, an optional exponent. Held in double precision.
double strToFloat(const QString &text);

// The general number format: at most 15 significant digits, no trailing zeros, the locale's
// decimal separator; an exponent only for very large or very small magnitudes.
QString floatToStr(long double value);

// Nearest integer, an exact half to the even neighbour.
long double roundHalfEven(long double value);

// One table-code step in degrees: the extended-precision value nearest to 0.7.
inline constexpr long double kAngleStep = 0.7L;
