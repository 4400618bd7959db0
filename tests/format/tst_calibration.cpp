// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// The calibration as a value through the pure scan and write: what a write puts into the
// sample is what a scan reads back, a second write changes nothing, and a stop leaves exactly
// the lines before it.
#include "format/cp1251.h"
#include "format/scan.h"
#include "format/write.h"

#include <QFile>
#include <QTest>

namespace {

QByteArray sample()
{
    QFile file(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the sample");
    return file.readAll();
}

// Lines of the written text that differ from the loaded one, as "<index>: <text>".
QStringList changedLines(const SourceText &before, const SourceText &after)
{
    QStringList changed;
    for (qsizetype i = 0; i < before.lineCount(); ++i) {
        if (before.lineView(i) != after.lineView(i))
            changed << QString::number(i) + QStringLiteral(": ") + fromCp1251(after.lineView(i));
    }
    return changed;
}

} // namespace

class TestCalibration : public QObject
{
    Q_OBJECT

private slots:
    void sampleScansToItsValues();
    void writtenValuesReadBackAndWriteAgainUnchanged();
    void readBackOfTheWrittenTextChecksItsBytes();
    void plannedStopKeepsTheLinesBefore();
    void pulseOutOfRangeChangesNoLine();
    void partialScanCountsWhatItRead();
};

void TestCalibration::sampleScansToItsValues()
{
    const ScanResult read = scan(SourceText::fromFileBytes(sample()));
    QVERIFY(read.completed());
    const Calibration &c = read.calibration;
    QCOMPARE(c.sensorAngle, QStringLiteral("20"));
    QCOMPARE(c.secondPulse.automatic, true);
    QCOMPARE(c.sparkOutput, SparkOutput::PortC0);
    QCOMPARE(c.trimmerActive, false);
    QCOMPARE(c.rpm(1), 460);
    QCOMPARE(c.compareConstant(2), 21);
    QCOMPARE(c.rpm(2), 500);
    QCOMPARE(c.rpm(32), 19530);
    QCOMPARE(c.code(1, 1), QStringLiteral("14"));
    QCOMPARE(c.code(3, 32), QStringLiteral("180"));
    QCOMPARE(read.tableLabels, (std::array<QString, 3>{"1", "2", "3"}));
    // An unchanged calibration writes the sample back byte for byte.
    const WriteResult written =
        write(SourceText::fromFileBytes(sample()), c, {lastAngleOfTable(c, 1), std::nullopt});
    QVERIFY(!written.stop);
    QCOMPARE(written.text.toFileBytes(), sample());
}

void TestCalibration::writtenValuesReadBackAndWriteAgainUnchanged()
{
    const SourceText loaded = SourceText::fromFileBytes(sample());
    Calibration c = scan(loaded).calibration;
    c.secondPulse = {false, 57};
    c.sparkOutput = SparkOutput::PortD6;
    c.compareConstant(9) = 100;
    c.code(2, 7) = QStringLiteral("012");
    c.code(3, 1) = QStringLiteral("180");
    const WriteOptions options{lastAngleOfTable(c, 1), std::nullopt};
    const WriteResult written = write(loaded, c, options);
    QVERIFY(!written.stop);

    const ScanResult again = scan(written.text);
    QVERIFY(again.completed());
    QCOMPARE(again.calibration, c);
    QCOMPARE(again.calibration.rpm(9), 760);
    const QByteArray bytes = written.text.toFileBytes();
    QVERIFY(readsBack(bytes, c, options));
    QCOMPARE(write(written.text, c, options).text.toFileBytes(), bytes);

    // The changed lines, exactly: the two pulse lines, the four spark lines, the compare line
    // of point 9, and the two entries with their store lines; code 180 repeats the angle
    // written last, that of table 2's last entry (code 252: 22.1).
    const QStringList changed = changedLines(loaded, written.text);
    QCOMPARE(changed.size(), 2 + 4 + 1 + 2 * 2);
    QCOMPARE(changed.filter(QStringLiteral("ldi R23,57\t\t\t;")).size(), 1);
    QCOMPARE(changed.filter(QStringLiteral("ldi R30,0b00000000\t;")).size(), 1);
    QCOMPARE(changed.filter(QStringLiteral("PortD,6\t\t;")).size(), 4);
    QCOMPARE(changed.filter(QStringLiteral("cpi R21, 100\t;")).size(), 1);
    QCOMPARE(changed.filter(QStringLiteral("ldi R16, 012\t;")).size(), 1);
    QCOMPARE(changed.filter(QStringLiteral("ldi R16, 180\t;")).size(), 1);
    QCOMPARE(changed.filter(QStringLiteral(u"st X+, R16\t;в ОЗУ, 11.6°")).size(), 1);
    QCOMPARE(changed.filter(QStringLiteral(u"st X+, R16\t;в ОЗУ, 22.1°")).size(), 1);
    // The check refuses a text that reads back as another calibration.
    Calibration other = c;
    other.code(1, 5) = QStringLiteral("99");
    QVERIFY(!readsBack(bytes, other, options));
}

// The read-back that takes the written text for its bytes refuses what the check of the bytes
// alone refuses: other values, a line that splits into two, bytes that are not the text's own.
void TestCalibration::readBackOfTheWrittenTextChecksItsBytes()
{
    const SourceText loaded = SourceText::fromFileBytes(sample());
    Calibration c = scan(loaded).calibration;
    c.code(1, 5) = QStringLiteral("123");
    const WriteOptions options{lastAngleOfTable(c, 1), std::nullopt};
    const WriteResult written = write(loaded, c, options);
    QVERIFY(!written.stop);
    QVERIFY(written.text.splitsToItself());
    const QByteArray bytes = written.text.toFileBytes();
    QCOMPARE(bytes.constData(), written.text.text().constData());
    QVERIFY(readsBack(written.text, bytes, c, options));

    // Table 1's fifth value line: the line after its label's fifth "ldi R16,".
    const qsizetype label = written.text.find("FuozTable1:", 0).value();
    qsizetype value = label;
    for (int point = 1; point <= 5; ++point)
        value = written.text.find("ldi R16, ", value + 1).value();
    const qsizetype index = written.text.lineIndexAt(value);
    QCOMPARE(written.text.lineView(index).first(12), QByteArrayView("ldi R16, 123"));

    // Another value in a line of the shown form: the text is checked as it stands.
    SourceText changed = written.text;
    changed.replaceLine(index, "ldi R16, 124\t;x");
    QVERIFY(changed.splitsToItself());
    QVERIFY(!readsBack(changed, changed.toFileBytes(), c, options));
    QVERIFY(!readsBack(changed.toFileBytes(), c, options));

    // A line that holds a line break: in the text the value after it stands in the label's
    // comment, so the text alone scans as c; in the file it is a line of code of its own and
    // table 1 starts with 77.
    SourceText split = written.text;
    split.replaceLine(written.text.lineIndexAt(label), "FuozTable1: ;\r\nldi R16, 77");
    QVERIFY(!split.splitsToItself());
    QVERIFY(scan(split).completed());
    QCOMPARE(scan(split).calibration.codes, c.codes);
    const QByteArray splitBytes = split.toFileBytes();
    QCOMPARE(scan(SourceText::fromFileBytes(splitBytes)).calibration.code(1, 1),
             QStringLiteral("77"));
    QVERIFY(!readsBack(split, splitBytes, c, options));
    QVERIFY(!readsBack(splitBytes, c, options));

    // Code after a lone CR on table 1's label line: the assembler reads it, the searches do not
    // see it. The values and every line the write puts in are as written; only the line's doubt
    // refuses the file. The same code on a line of its own reads back.
    QByteArray hidden = bytes;
    hidden.insert(label + 11, "\rnop");
    QVERIFY(!readsBack(hidden, c, options));
    QVERIFY(!readsBack(SourceText::fromFileBytes(hidden), hidden, c, options));
    QByteArray shown = bytes;
    shown.insert(label + 11, "\r\nnop");
    QVERIFY(readsBack(shown, c, options));

    // Bytes equal to another text's: they, not the text passed with them, are checked.
    QVERIFY(!readsBack(written.text, changed.toFileBytes(), c, options));
    const QByteArray copy(bytes.constData(), bytes.size());
    QVERIFY(copy.constData() != bytes.constData());
    QVERIFY(readsBack(written.text, copy, c, options));
}

void TestCalibration::plannedStopKeepsTheLinesBefore()
{
    const SourceText loaded = SourceText::fromFileBytes(sample());
    Calibration c = scan(loaded).calibration;
    c.sparkOutput = SparkOutput::PortD6;
    for (int point = 2; point <= 32; ++point)
        c.compareConstant(point) = 100;
    WriteOptions options{
        0, WriteOptions::PlannedStop{writestep::compareLine(20), MessageId::RpmTooLow}};
    const WriteResult written = write(loaded, c, options);
    QCOMPARE(written.stop, std::optional<Stop>(MessageId::RpmTooLow));
    const QStringList changed = changedLines(loaded, written.text);
    // Spark lines (the first three) and the compare lines of points 32 down to 21.
    QCOMPARE(changed.filter(QStringLiteral("PortD,6")).size(), 3);
    QCOMPARE(changed.filter(QStringLiteral("cpi R21, 100\t;")).size(), 12);
    QCOMPARE(changed.size(), 15);
}

void TestCalibration::pulseOutOfRangeChangesNoLine()
{
    const SourceText loaded = SourceText::fromFileBytes(sample());
    Calibration c = scan(loaded).calibration;
    c.sensorAngle = QStringLiteral("30");
    c.secondPulse = {false, 256};
    const WriteResult written = write(loaded, c);
    QCOMPARE(written.stop, std::optional<Stop>(MessageId::PulseOutOfRange));
    QCOMPARE(written.text.toFileBytes(), sample());
    c.secondPulse.steps = 255;
    QVERIFY(!write(loaded, c).stop);
}

void TestCalibration::partialScanCountsWhatItRead()
{
    // The sample cut in the middle of table 2: table 1 complete, table 2 in part.
    QByteArray bytes = sample();
    const qsizetype label3 = bytes.indexOf("FuozTable3");
    const qsizetype label2 = bytes.indexOf("FuozTable2");
    qsizetype cut = label2;
    for (int i = 0; i < 10; ++i)
        cut = bytes.indexOf("ldi R16,", cut + 1);
    QVERIFY(label2 > 0 && cut < label3);
    bytes.truncate(cut);
    const ScanResult read = scan(SourceText::fromFileBytes(bytes));
    QCOMPARE(read.stop, std::optional<Stop>(MessageId::MissingData));
    QCOMPARE(read.compareConverted, 31);
    QVERIFY(read.trimmerRead);
    QCOMPARE(read.labelsRead, 2);
    QCOMPARE(read.codesRead, (std::array<int, 3>{32, 9, 0}));
    QCOMPARE(read.calibration.code(2, 9), QStringLiteral("0"));
    QCOMPARE(read.calibration.code(2, 10), QString());
}

QTEST_GUILESS_MAIN(TestCalibration)
#include "tst_calibration.moc"
