// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QTest>

#include "domain/numbers.h"
#include "domain/rangeedit.h"

class TestRangeEdit : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void interpolateIsLinearInRpmAndKeepsNoAngleRows();
    void interpolateRoundsToATenth();
    void interpolateOverEqualRpmsUsesRowPositions();
    void interpolateNeedsTwoEndsAndARowBetween();
    void interpolateWritesTheLocaleSeparator();
    void shiftMovesByWholeCodeSteps();
    void setValueRoundsHalfToEvenAndKeepsNoAngleRows();
    void smoothAveragesNeighboursWithAngles();
    void textThatIsNoNumberStopsBeforeAnyResult();
    void nearestCodeSnapsAndStaysWithinTheCodes();
    void differingRowsCompareNumbers();
    void offsetAndScaleSnapToCodesOrStopAtTheLimits();
};

void TestRangeEdit::offsetAndScaleSnapToCodesOrStopAtTheLimits()
{
    const auto same = [](const SnappedAngles &r, const QStringList &angles) {
        return r.angles == angles && r.failedRow == -1 && r.failure == AngleLimit::None;
    };
    QVERIFY(same(offsetAngles({"13", "-", "20"}, 0.2, 20), {"13", "-", "20"}));
    QVERIFY(same(offsetAngles({"13", "71.8"}, 0.3, 20), {"13", "71.8"}));
    QVERIFY(same(offsetAngles({"13", "-105"}, 0.5, 20), {"13.7", "-104.6"}));
    QVERIFY(same(scaleAngles({"10", "-", "-4"}, 150, 20), {"15.1", "-", "-5.9"}));
    // Beyond code 181 above or 179 below: the first row that leaves, the texts unchanged.
    const SnappedAngles above = offsetAngles({"1", "71.8"}, 0.5, 20);
    QCOMPARE(above.angles, QStringList({"1", "71.8"}));
    QCOMPARE(std::make_pair(above.failedRow, above.failure), std::make_pair(1, AngleLimit::Above));
    const SnappedAngles below = scaleAngles({"1", "-50", "-60"}, 200, 20);
    QCOMPARE(std::make_pair(below.failedRow, below.failure), std::make_pair(2, AngleLimit::Below));
    QCOMPARE(below.angles, QStringList({"1", "-50", "-60"}));
}

void TestRangeEdit::interpolateIsLinearInRpmAndKeepsNoAngleRows()
{
    const QStringList rpms = {"1000", "1500", "2000", "2500", "3000"};
    QCOMPARE(interpolateAngles({"10", "12", "-", "3", "20"}, rpms),
             QStringList({"10", "12.5", "-", "17.5", "20"}));
    // "-" at an end: the line runs between the outermost rows that have angles.
    QCOMPARE(interpolateAngles({"-", "5", "0", "0", "11"}, rpms),
             QStringList({"-", "5", "7", "9", "11"}));
}

void TestRangeEdit::interpolateRoundsToATenth()
{
    // 10 + 3 * 100 / 3000 = 10.1; 10 + 3 * 200 / 3000 = 10.2; 10 + 3 * 2900 / 3000 = 12.9.
    QCOMPARE(
        interpolateAngles({"10", "0", "0", "0", "13"}, {"1000", "1100", "1200", "3900", "4000"}),
        QStringList({"10", "10.1", "10.2", "12.9", "13"}));
    // Falling: 20 - 7 * 500 / 1500 = 17.666... shows 17.7.
    QCOMPARE(interpolateAngles({"20", "0", "13"}, {"500", "1000", "2000"}),
             QStringList({"20", "17.7", "13"}));
}

void TestRangeEdit::interpolateOverEqualRpmsUsesRowPositions()
{
    QCOMPARE(interpolateAngles({"10", "0", "16"}, {"2000", "2000", "2000"}),
             QStringList({"10", "13", "16"}));
}

void TestRangeEdit::interpolateNeedsTwoEndsAndARowBetween()
{
    QCOMPARE(interpolateAngles({"10", "20"}, {"1000", "2000"}), QStringList({"10", "20"}));
    QCOMPARE(interpolateAngles({"-", "7", "-"}, {"1000", "2000", "3000"}),
             QStringList({"-", "7", "-"}));
}

void TestRangeEdit::interpolateWritesTheLocaleSeparator()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(interpolateAngles({"10", "0", "11"}, {"1000", "1500", "2000"}),
             QStringList({"10", "10,5", "11"}));
}

void TestRangeEdit::shiftMovesByWholeCodeSteps()
{
    const QStringList angles = {"19.3", "-", "-105.3", "20", "13.1"};
    QCOMPARE(shiftAngles(angles, 1), QStringList({"20", "-", "-104.6", "20.7", "13.8"}));
    QCOMPARE(shiftAngles(angles, -1), QStringList({"18.6", "-", "-106", "19.3", "12.4"}));
    QCOMPARE(shiftAngles({"0.3"}, -1), QStringList({"-0.4"}));
    QCOMPARE(shiftAngles({"-0.7"}, 1), QStringList({"0"}));
}

void TestRangeEdit::setValueRoundsHalfToEvenAndKeepsNoAngleRows()
{
    QCOMPARE(setAngles({"1", "-", "2"}, 7.25), QStringList({"7.2", "-", "7.2"}));
    QCOMPARE(setAngles({"1", "2"}, 7.35), QStringList({"7.3", "7.3"})); // 7.35 lies below
    QCOMPARE(setAngles({"1"}, -12), QStringList({"-12"}));
}

void TestRangeEdit::smoothAveragesNeighboursWithAngles()
{
    QCOMPARE(smoothAngles({"10", "16", "10", "-", "4", "4"}),
             QStringList({"10", "12", "13", "-", "4", "4"}));
    // Each row from the old values, not from its already smoothed neighbour.
    QCOMPARE(smoothAngles({"0", "3", "0", "3"}), QStringList({"0", "1", "2", "3"}));
    QCOMPARE(smoothAngles({"5", "9"}), QStringList({"5", "9"}));
}

void TestRangeEdit::textThatIsNoNumberStopsBeforeAnyResult()
{
    try {
        shiftAngles({"1", "1.2.3"}, 1);
        QFAIL("no error");
    } catch (const ConversionError &error) {
        QCOMPARE(error.message(), QStringLiteral("'1.2.3' is not a valid floating point value"));
    }
    QVERIFY_THROWS_EXCEPTION(ConversionError, setAngles({"", "2"}, 1));
    QVERIFY_THROWS_EXCEPTION(ConversionError,
                             interpolateAngles({"1", "2", "3"}, {"1000", "", "3000"}));
}

void TestRangeEdit::nearestCodeSnapsAndStaysWithinTheCodes()
{
    QCOMPARE(nearestCode(13, 20), 10);
    QCOMPARE(nearestCode(13.2, 20), 10);
    QCOMPARE(nearestCode(12.9, 20), 10);
    QCOMPARE(nearestCode(20.3, 20), 0);
    QCOMPARE(nearestCode(20.4, 20), 254);
    QCOMPARE(nearestCode(72.1, 20), 181);
    QCOMPARE(nearestCode(100, 20), 181);
    QCOMPARE(nearestCode(-105.3, 20), 179);
    QCOMPARE(nearestCode(-300, 20), 179);
    QCOMPARE(nearestCode(45.4, 30), 233);
}

void TestRangeEdit::differingRowsCompareNumbers()
{
    QCOMPARE(differingRows({"10", "-", "12.0", "x", "5", "-"}, {"10", "-", "12", "5", "-", "3"}),
             QList<int>({3, 4, 5}));
    QCOMPARE(differingRows({"1"}, {"1", "2"}), QList<int>());
}

QTEST_GUILESS_MAIN(TestRangeEdit)
#include "tst_rangeedit.moc"
