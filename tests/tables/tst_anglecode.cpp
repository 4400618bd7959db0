// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QTest>

#include <clocale>

#include "domain/anglecode.h"
#include "tablestestsupport.h"

class TestAngleCode : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void codeGivesExactDecimalAngle_data();
    void codeGivesExactDecimalAngle();
    void codeToAngleExamples_data();
    void codeToAngleExamples();
    void noAngleCodeNeedsNoSensorAngle();
    void roundTripKeepsEveryCode_data();
    void roundTripKeepsEveryCode();
    void angleToCodeExamples_data();
    void angleToCodeExamples();
    void limitsForEverySensorAngle_data();
    void limitsForEverySensorAngle();
    void textThatIsNoNumberFails_data();
    void textThatIsNoNumberFails();
    void emptySensorAngleFailsOnlyForAnAngle();
    void processNumericLocaleDoesNotMatter();
};

namespace {

// tenths / 10 written by hand: sign, whole part, and one decimal unless it is 0.
QString tenthsText(int tenths, QChar separator)
{
    QString text = tenths < 0 ? QStringLiteral("-") : QString();
    const int magnitude = std::abs(tenths);
    text += QString::number(magnitude / 10);
    if (magnitude % 10 != 0)
        text += separator + QString::number(magnitude % 10);
    return text;
}

void addLocaleRows()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QChar>("separator");
    QTest::newRow("point") << QLocale::c() << QChar('.');
    QTest::newRow("comma") << QLocale(QLocale::German) << QChar(',');
}

} // namespace

// The decimal point unless a test chooses otherwise, whatever the user's locale.
void TestAngleCode::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestAngleCode::codeGivesExactDecimalAngle_data()
{
    addLocaleRows();
}

void TestAngleCode::codeGivesExactDecimalAngle()
{
    QFETCH(QLocale, locale);
    QFETCH(QChar, separator);
    const DefaultLocaleGuard guard(locale);
    for (int sensor = 0; sensor <= 99; ++sensor) {
        const QString sensorText = QString::number(sensor);
        for (int code = 0; code <= 255; ++code) {
            if (code == kNoAngleCode)
                continue;
            const int tenths =
                code < kNoAngleCode ? 10 * sensor - 7 * code : 10 * sensor + 7 * (255 - code);
            const QString text = angleTextForCode(code, sensorText);
            if (text != tenthsText(tenths, separator))
                QFAIL(qPrintable(QStringLiteral("S=%1 code=%2 gave '%3', expected '%4'")
                                     .arg(sensor)
                                     .arg(code)
                                     .arg(text, tenthsText(tenths, separator))));
        }
    }
}

void TestAngleCode::codeToAngleExamples_data()
{
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("angle");
    QTest::newRow("20/10") << "20" << 10 << "13";
    QTest::newRow("20/1") << "20" << 1 << "19.3";
    QTest::newRow("20/179") << "20" << 179 << "-105.3";
    QTest::newRow("20/254") << "20" << 254 << "20.7";
    QTest::newRow("20/255") << "20" << 255 << "20";
    QTest::newRow("20/0") << "20" << 0 << "20";
    QTest::newRow("20/181") << "20" << 181 << "71.8";
    QTest::newRow("30/200") << "30" << 200 << "68.5";
    QTest::newRow("15/40") << "15" << 40 << "-13";
    QTest::newRow("15/181") << "15" << 181 << "66.8";
    QTest::newRow("20/180") << "20" << 180 << "-";
}

void TestAngleCode::codeToAngleExamples()
{
    QFETCH(QString, sensor);
    QFETCH(int, code);
    QFETCH(QString, angle);
    QCOMPARE(angleTextForCode(code, sensor), angle);
}

void TestAngleCode::noAngleCodeNeedsNoSensorAngle()
{
    QCOMPARE(angleTextForCode(180, QString()), QStringLiteral("-"));
    QCOMPARE(conversionMessage([] { angleTextForCode(10, QString()); }),
             QStringLiteral("'' is not a valid integer value"));
}

void TestAngleCode::roundTripKeepsEveryCode_data()
{
    addLocaleRows();
}

void TestAngleCode::roundTripKeepsEveryCode()
{
    QFETCH(QLocale, locale);
    const DefaultLocaleGuard guard(locale);
    for (int sensor = 0; sensor <= 99; ++sensor) {
        const QString sensorText = QString::number(sensor);
        for (int code = 0; code <= 255; ++code) {
            const QString text = angleTextForCode(code, sensorText);
            const AngleCode back = angleToCode(text, sensorText);
            // 255 and 0 both mean the sensor angle itself; the angle reads back as 0.
            const int expected = code == 255 ? 0 : code;
            if (back.failure != AngleLimit::None || back.code != expected)
                QFAIL(qPrintable(QStringLiteral("S=%1 code=%2 -> '%3' -> %4 (failure %5)")
                                     .arg(sensor)
                                     .arg(code)
                                     .arg(text)
                                     .arg(back.code)
                                     .arg(int(back.failure))));
        }
    }
}

void TestAngleCode::angleToCodeExamples_data()
{
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<QString>("angle");
    QTest::addColumn<int>("code");
    QTest::newRow("20/13") << "20"
                           << "13" << 10;
    QTest::newRow("20/13.1") << "20"
                             << "13.1" << 10;
    QTest::newRow("20/19.3") << "20"
                             << "19.3" << 1;
    QTest::newRow("20/19.5") << "20"
                             << "19.5" << 1;
    QTest::newRow("20/20") << "20"
                           << "20" << 0;
    QTest::newRow("20/20.2") << "20"
                             << "20.2" << 255;
    QTest::newRow("20/58.5") << "20"
                             << "58.5" << 200;
    QTest::newRow("20/72.1") << "20"
                             << "72.1" << 181;
    QTest::newRow("20/-105.6") << "20"
                               << "-105.6" << 179;
    QTest::newRow("20/-") << "20"
                          << "-" << 180;
    QTest::newRow("20/+20.2") << "20"
                              << "+20.2" << 255;
    QTest::newRow("30/45.4") << "30"
                             << "45.4" << 233;
    QTest::newRow("30/30.3") << "30"
                             << "30.3" << 255;
    QTest::newRow("30/30.4") << "30"
                             << "30.4" << 254;
}

void TestAngleCode::angleToCodeExamples()
{
    QFETCH(QString, sensor);
    QFETCH(QString, angle);
    QFETCH(int, code);
    const AngleCode result = angleToCode(angle, sensor);
    QCOMPARE(result.failure, AngleLimit::None);
    QCOMPARE(result.code, code);

    // The same angle written with a comma reads the same under a comma locale.
    const DefaultLocaleGuard guard{QLocale(QLocale::German)};
    const AngleCode withComma = angleToCode(QString(angle).replace('.', ','), sensor);
    QCOMPARE(withComma.failure, AngleLimit::None);
    QCOMPARE(withComma.code, code);
}

void TestAngleCode::limitsForEverySensorAngle_data()
{
    addLocaleRows();
}

void TestAngleCode::limitsForEverySensorAngle()
{
    QFETCH(QLocale, locale);
    QFETCH(QChar, separator);
    const DefaultLocaleGuard guard(locale);
    for (int sensor = 0; sensor <= 99; ++sensor) {
        const QString s = QString::number(sensor);
        const AngleCode lowest = angleToCode(tenthsText(10 * sensor - 1256, separator), s);
        QCOMPARE(lowest.failure, AngleLimit::None);
        QCOMPARE(lowest.code, 179);
        QCOMPARE(angleToCode(tenthsText(10 * sensor - 1257, separator), s).failure,
                 AngleLimit::Below);
        const AngleCode highest = angleToCode(tenthsText(10 * sensor + 521, separator), s);
        QCOMPARE(highest.failure, AngleLimit::None);
        QCOMPARE(highest.code, 181);
        QCOMPARE(angleToCode(tenthsText(10 * sensor + 522, separator), s).failure,
                 AngleLimit::Above);
    }
    QCOMPARE(angleToCode(QStringLiteral("-1000"), QStringLiteral("20")).failure, AngleLimit::Below);
    QCOMPARE(angleToCode(QStringLiteral("1000"), QStringLiteral("20")).failure, AngleLimit::Above);
}

void TestAngleCode::textThatIsNoNumberFails_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("angle");
    const QLocale point = QLocale::c();
    const QLocale comma(QLocale::German);
    for (const char *text : {"1.2.3", "--", "5-", ",", ""}) {
        QTest::addRow("point '%s'", text) << point << QString::fromLatin1(text);
        QTest::addRow("comma '%s'", text) << comma << QString::fromLatin1(text);
    }
    QTest::newRow("comma with point locale") << point << QStringLiteral("1,5");
    QTest::newRow("point with comma locale") << comma << QStringLiteral("1.5");
    QTest::newRow("two separators") << comma << QStringLiteral("1,2,3");
}

void TestAngleCode::textThatIsNoNumberFails()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, angle);
    const DefaultLocaleGuard guard(locale);
    QCOMPARE(conversionMessage([&] { angleToCode(angle, QStringLiteral("20")); }),
             QStringLiteral("'%1' is not a valid floating point value").arg(angle));
}

void TestAngleCode::emptySensorAngleFailsOnlyForAnAngle()
{
    QCOMPARE(angleToCode(QStringLiteral("-"), QString()).code, 180);
    QCOMPARE(conversionMessage([] { angleToCode(QStringLiteral("13"), QString()); }),
             QStringLiteral("'' is not a valid integer value"));
}

void TestAngleCode::processNumericLocaleDoesNotMatter()
{
    // QCoreApplication takes the C library's locale from the environment; a decimal comma there
    // must not change how the texts read or print.
    const QByteArray previous = std::setlocale(LC_NUMERIC, nullptr);
    const char *commaLocale = nullptr;
    for (const char *name :
         {"de_DE.UTF-8", "de_DE.utf8", "ru_RU.UTF-8", "ru_RU.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            commaLocale = name;
            break;
        }
    }
    if (!commaLocale)
        QSKIP("no C library locale with a decimal comma is installed");
    const AngleCode code = angleToCode(QStringLiteral("58.5"), QStringLiteral("20"));
    const QString text = angleTextForCode(1, QStringLiteral("20"));
    std::setlocale(LC_NUMERIC, previous.constData());
    QCOMPARE(code.code, 200);
    QCOMPARE(text, QStringLiteral("19.3"));
}

QTEST_GUILESS_MAIN(TestAngleCode)
#include "tst_anglecode.moc"
