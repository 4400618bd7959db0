// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QLocale>
#include <QTest>

#include "domain/numbers.h"

Q_DECLARE_METATYPE(long double)

class TestNumbers : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void integers_data();
    void integers();
    void notIntegers_data();
    void notIntegers();
    void reals_data();
    void reals();
    void notReals_data();
    void notReals();
    void realsWithComma();
    void generalFormat_data();
    void generalFormat();
    void generalFormatWithComma();
    void halfGoesToEven_data();
    void halfGoesToEven();
    void divisionByZeroMessage();
};

namespace {

template <typename F> QString errorOf(F &&f)
{
    try {
        f();
    } catch (const ConversionError &error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

void TestNumbers::init()
{
    QLocale::setDefault(QLocale::c());
}

void TestNumbers::cleanup()
{
    QLocale::setDefault(QLocale::c());
}

void TestNumbers::integers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("leading zero") << "012" << 12;
    QTest::newRow("leading blanks") << "  7" << 7;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("minus") << "-5" << -5;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << int(-2147483648LL);
}

void TestNumbers::integers()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(strToInt(text), value);
}

void TestNumbers::notIntegers_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << " ";
    QTest::newRow("sign only") << "-";
    QTest::newRow("trailing blank") << "7 ";
    QTest::newRow("decimal") << "1.5";
    QTest::newRow("letter") << "x";
    QTest::newRow("two signs") << "--1";
    QTest::newRow("too large") << "2147483648";
    QTest::newRow("too small") << "-2147483649";
    QTest::newRow("far too large") << "99999999999999999999";
    QTest::newRow("separator") << "1 000";
}

void TestNumbers::notIntegers()
{
    QFETCH(QString, text);
    QCOMPARE(errorOf([&] { strToInt(text); }),
             QStringLiteral("'%1' is not a valid integer value").arg(text));
}

void TestNumbers::reals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "13" << 13.0;
    QTest::newRow("decimal") << "19.3" << 19.3;
    QTest::newRow("negative") << "-4.2" << -4.2;
    QTest::newRow("plus") << "+2.5" << 2.5;
    QTest::newRow("blanks around") << " 1.5 " << 1.5;
    QTest::newRow("no whole part") << ".5" << 0.5;
    QTest::newRow("no fraction") << "5." << 5.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("negative exponent") << "25E-1" << 2.5;
    QTest::newRow("leading zero") << "012" << 12.0;
}

void TestNumbers::reals()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(strToFloat(text), value);
}

void TestNumbers::notReals_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("lone separator") << ".";
    QTest::newRow("two separators") << "1.2.3";
    QTest::newRow("two minus signs") << "--1";
    QTest::newRow("comma in a point locale") << "1,5";
    QTest::newRow("exponent without digits") << "1e";
    QTest::newRow("letters") << "abc";
    QTest::newRow("no angle mark") << "-";
    QTest::newRow("out of range") << "1e999";
}

void TestNumbers::notReals()
{
    QFETCH(QString, text);
    QCOMPARE(errorOf([&] { strToFloat(text); }),
             QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

void TestNumbers::realsWithComma()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(decimalSeparator(), QChar(','));
    QCOMPARE(strToFloat(QStringLiteral("19,3")), 19.3);
    QCOMPARE(strToFloat(QStringLiteral("-0,5")), -0.5);
    QCOMPARE(errorOf([] { strToFloat(QStringLiteral("19.3")); }),
             QStringLiteral("'19.3' is not a valid floating point value"));
}

void TestNumbers::generalFormat_data()
{
    QTest::addColumn<long double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 20.0L << "20";
    QTest::newRow("57 steps") << 57 * kAngleStep << "39.9";
    QTest::newRow("below the sensor") << 20 - 179 * kAngleStep << "-105.3";
    QTest::newRow("above the sensor") << 20 + 74 * kAngleStep << "71.8";
    QTest::newRow("negative zero") << -0.0L << "0";
    QTest::newRow("third") << 1.0L / 3 << "0.333333333333333";
    QTest::newRow("15 digits") << 123456789012345.0L << "123456789012345";
    QTest::newRow("16 digits") << 1234567890123456.0L << "1.23456789012346E15";
    QTest::newRow("small") << 0.0001L << "0.0001";
    QTest::newRow("smaller") << 0.00001L << "1E-5";
}

void TestNumbers::generalFormat()
{
    QFETCH(long double, value);
    QFETCH(QString, text);
    QCOMPARE(floatToStr(value), text);
}

void TestNumbers::generalFormatWithComma()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(floatToStr(57 * kAngleStep), QStringLiteral("39,9"));
    QCOMPARE(floatToStr(20.0L), QStringLiteral("20"));
}

void TestNumbers::halfGoesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("-1.5") << -1.5 << -2.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("below half") << 2.4999 << 2.0;
    QTest::newRow("above half") << 2.5001 << 3.0;
}

void TestNumbers::halfGoesToEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(double(roundHalfEven(value)), rounded);
}

void TestNumbers::divisionByZeroMessage()
{
    QCOMPARE(ConversionError::divisionByZero().message(),
             QStringLiteral("Floating point division by zero"));
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "numbers_test.moc"
