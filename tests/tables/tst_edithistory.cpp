// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include <QTest>

#include "session/document.h"
#include "session/edithistory.h"

class TestEditHistory : public QObject
{
    Q_OBJECT
private slots:
    void captureAndRestoreEveryCellAndSetting();
    void undoAndRedoWalkTheSteps();
    void sameMergeKeyMakesOneStep();
    void newChangeDropsTheRedoSide();
    void resetAndAbsorbMakeNoStep();
    void oldestStepsGoBeyondTheLimit();
};

namespace {

GridSnapshot withAngle(const QString &text, int row = 5)
{
    GridSnapshot s;
    s.cell(4, row) = text;
    return s;
}

} // namespace

void TestEditHistory::captureAndRestoreEveryCellAndSetting()
{
    Document document;
    document.headers[0] = QStringLiteral("header");
    for (int row = 1; row <= 32; ++row)
        for (int column = 0; column < 5; ++column)
            document.cell(column, row) = QStringLiteral("%1/%2").arg(column).arg(row);
    document.settings.sensorAngle = QStringLiteral("35");
    document.settings.activeTable = QStringLiteral("3");
    document.settings.secondPulse = QStringLiteral("20");
    document.settings.sparkOutput = DocumentSettings::kPortD6;
    document.settings.keepCodes = false;
    const GridSnapshot s = GridSnapshot::capture(document);
    QCOMPARE(s.cell(0, 1), QStringLiteral("0/1"));
    QCOMPARE(s.cell(4, 32), QStringLiteral("4/32"));
    QCOMPARE(s.cell(2, 17), QStringLiteral("2/17"));
    QCOMPARE(s.settings, document.settings);

    // Only the cells and the settings go back: the text, the path and the headers stay.
    Document other = Document::atStart(1);
    other.FirmwarePath = QStringLiteral("other.asm");
    s.applyTo(other);
    for (int row = 1; row <= 32; ++row)
        for (int column = 0; column < 5; ++column)
            QCOMPARE(other.cell(column, row), document.cell(column, row));
    QCOMPARE(other.settings, document.settings);
    QCOMPARE(other.headers[0], QStringLiteral("RPM"));
    QCOMPARE(other.FirmwarePath, QStringLiteral("other.asm"));
}

void TestEditHistory::undoAndRedoWalkTheSteps()
{
    EditHistory h;
    h.reset(withAngle("10"));
    QVERIFY(!h.canUndo());
    QVERIFY(!h.record(withAngle("10")));
    QVERIFY(h.record(withAngle("11"), {}, 7));
    QVERIFY(h.record(withAngle("12")));
    // The names of the steps go with them from the undo side to the redo side.
    QCOMPARE(std::make_pair(h.undoLabel(), h.redoLabel()), std::make_pair(0, 0));
    QCOMPARE(h.undo()->cell(4, 5), QStringLiteral("11"));
    QCOMPARE(std::make_pair(h.undoLabel(), h.redoLabel()), std::make_pair(7, 0));
    QCOMPARE(h.undoState()->cell(4, 5), QStringLiteral("10"));
    QCOMPARE(h.undo()->cell(4, 5), QStringLiteral("10"));
    QCOMPARE(std::make_pair(h.undoLabel(), h.redoLabel()), std::make_pair(0, 7));
    QVERIFY(!h.undoState());
    QVERIFY(!h.undo());
    QVERIFY(h.canRedo());
    QCOMPARE(h.redo()->cell(4, 5), QStringLiteral("11"));
    QCOMPARE(h.redo()->cell(4, 5), QStringLiteral("12"));
    QVERIFY(!h.redo());
    QCOMPARE(h.recorded().cell(4, 5), QStringLiteral("12"));
}

void TestEditHistory::sameMergeKeyMakesOneStep()
{
    EditHistory h;
    h.reset(withAngle("10"));
    GridSnapshot s = withAngle("10");
    for (const char *typed : {"3", "35"}) {
        s.settings.sensorAngle = QString::fromLatin1(typed);
        QVERIFY(h.record(s, u"sensor", 3));
    }
    QCOMPARE(h.undoLabel(), 3);
    // A change without the key ends the run; the same key after it starts a new step.
    QVERIFY(!h.record(s));
    s.settings.sensorAngle = QStringLiteral("30");
    QVERIFY(h.record(s, u"sensor"));
    QCOMPARE(h.undo()->settings.sensorAngle, QStringLiteral("35"));
    QCOMPARE(h.undo()->settings.sensorAngle, QStringLiteral("20"));
    QVERIFY(!h.canUndo());
}

void TestEditHistory::newChangeDropsTheRedoSide()
{
    EditHistory h;
    h.reset(withAngle("1"));
    h.record(withAngle("2"));
    h.undo();
    QVERIFY(h.record(withAngle("3")));
    QVERIFY(!h.canRedo());
    QCOMPARE(h.undo()->cell(4, 5), QStringLiteral("1"));
}

void TestEditHistory::resetAndAbsorbMakeNoStep()
{
    EditHistory h;
    h.reset(withAngle("1"));
    h.record(withAngle("2"));
    h.absorb(withAngle("saved"));
    QCOMPARE(h.saved().cell(4, 5), QStringLiteral("saved"));
    QCOMPARE(h.undo()->cell(4, 5), QStringLiteral("1"));
    QCOMPARE(h.redo()->cell(4, 5), QStringLiteral("saved"));
    QCOMPARE(h.saved().cell(4, 5), QStringLiteral("saved"));
    h.reset(withAngle("loaded"));
    QCOMPARE(h.saved().cell(4, 5), QStringLiteral("loaded"));
    QVERIFY(!h.canUndo());
    QVERIFY(!h.canRedo());
}

void TestEditHistory::oldestStepsGoBeyondTheLimit()
{
    EditHistory h(2);
    h.reset(withAngle("0"));
    for (int i = 1; i <= 4; ++i)
        h.record(withAngle(QString::number(i)));
    QCOMPARE(h.undo()->cell(4, 5), QStringLiteral("3"));
    QCOMPARE(h.undo()->cell(4, 5), QStringLiteral("2"));
    QVERIFY(!h.undo());
}

QTEST_GUILESS_MAIN(TestEditHistory)
#include "tst_edithistory.moc"
