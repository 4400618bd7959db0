// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// The timing bench end to end: sources assembled by avra, images run on the simulated ATmega8,
// the report read back as CSV.
#include "bench/benchrun.h"
#include "bench/intelhex.h"
#include "bench/verify.h"
#include "domain/anglecode.h"
#include "session/writer.h"

#include "firmware/writertestsupport.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

struct Verified
{
    int status = -1;
    QString out;
    QString err;
    QList<QStringList> rows; // CSV rows without the header
};

Verified verify(const QStringList &args)
{
    Verified v;
    QTextStream out(&v.out);
    QTextStream err(&v.err);
    v.status =
        runVerify(args + QStringList{QStringLiteral("--format"), QStringLiteral("csv")}, out, err);
    out.flush();
    err.flush();
    const QStringList lines = v.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i)
        v.rows.append(lines[i].split(QLatin1Char(',')));
    return v;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

// The sample saved by the writer with other settings and tables whose codes run from `first`
// on, one step per row, table after table.
QByteArray sweepVariant(int first, const QString &sensor, int spark, const QString &pulse)
{
    LoadedSource loaded(sampleBytes());
    loaded.doc.settings.sensorAngle = sensor;
    loaded.doc.settings.sparkOutput = spark;
    loaded.doc.settings.secondPulse = pulse;
    for (int table = 1; table <= 3; ++table) {
        for (int row = 1; row <= 32; ++row)
            loaded.doc.cell(table, row) =
                QString::number((first + 32 * (table - 1) + row - 1) % 256);
    }
    if (rewriteSource(loaded.doc))
        return {};
    return loaded.doc.text.toFileBytes();
}

// Every point within tolerance, from its own row, at the angle of its code.
void checkAllWithin(const Verified &v, const LoadedSource &loaded)
{
    QVERIFY2(v.status == 0, qPrintable(v.err + v.out));
    QCOMPARE(v.rows.size(), 3 * 64);
    for (const QStringList &r : v.rows) {
        QCOMPARE(r.size(), 9);
        const int table = r[0].toInt();
        const int row = r[1].toInt();
        const int code = loaded.doc.cell(table, row).toInt();
        QCOMPARE(r[6].toInt(), row);
        QCOMPARE(r[8], QStringLiteral("1"));
        if (code == kNoAngleCode) {
            QCOMPARE(r[3], QString());
            QCOMPARE(r[4], QString());
            continue;
        }
        const double expected = double(codeToAngle(code, loaded.doc.settings.sensorAngle.toInt()));
        QCOMPARE(r[3], QString::number(expected, 'f', 2));
        QVERIFY2(std::fabs(r[4].toDouble() - expected) <= r[7].toDouble(), qPrintable(r.join(',')));
    }
}

} // namespace

class BenchVerifyTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        if (QStandardPaths::findExecutable(QStringLiteral("avra")).isEmpty())
            QSKIP("avra is not installed");
        QVERIFY(!benchRunnerPath().isEmpty());
    }

    void sampleFiresAtItsTableAngles()
    {
        const Verified v = verify({QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm")});
        QCOMPARE(
            v.out.section(QLatin1Char('\n'), 0, 0),
            QStringLiteral("table,row,rpm,expected,measured,difference,used_row,tolerance,ok"));
        const LoadedSource loaded(sampleBytes());
        checkAllWithin(v, loaded);
        // The middle of row 1 (460 to 500.8 rpm), and just above the 460 the grid shows.
        QCOMPARE(v.rows[0].mid(0, 4), (QStringList{"1", "1", "480", "10.20"}));
        QCOMPARE(v.rows[1].mid(0, 4), (QStringList{"1", "1", "470", "10.20"}));
        // Row 29 runs from 11719 rpm (11720 shown) to row 30's 13021.
        QCOMPARE(v.rows[56].mid(0, 3), (QStringList{"1", "29", "12370"}));
        QCOMPARE(v.rows[57].mid(0, 3), (QStringList{"1", "29", "11779"}));
        QCOMPARE(v.rows[57][7], QStringLiteral("0.56"));
        // Row 32 from 19531 to 20000 rpm; table 3 has no spark there.
        QCOMPARE(v.rows[190].mid(0, 5), (QStringList{"3", "32", "19766", "", ""}));
        QCOMPARE(v.rows[190][7], QStringLiteral("0.71"));
    }

    // Every code 0..255 fires at its angle, with other sensor angles, the second board's spark
    // pin and a fixed second pulse.
    void everyCodeFiresAtItsAngle_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<QString>("sensor");
        QTest::addColumn<int>("spark");
        QTest::addColumn<QString>("pulse");
        QTest::newRow("codes 0-95") << 0 << "20" << int(DocumentSettings::kPortC0) << "auto";
        QTest::newRow("codes 96-191, PD6") << 96 << "35" << int(DocumentSettings::kPortD6) << "20";
        QTest::newRow("codes 192-255, 0-31")
            << 192 << "15" << int(DocumentSettings::kPortC0) << "auto";
    }
    void everyCodeFiresAtItsAngle()
    {
        QFETCH(int, first);
        QFETCH(QString, sensor);
        QFETCH(int, spark);
        QFETCH(QString, pulse);
        QTemporaryDir dir;
        const QByteArray bytes = sweepVariant(first, sensor, spark, pulse);
        QVERIFY(!bytes.isEmpty());
        const QString path = writeFile(dir, QStringLiteral("CDI.asm"), bytes);
        const Verified v = verify({path});
        const LoadedSource loaded(bytes);
        QCOMPARE(loaded.doc.settings.sparkOutput, spark);
        checkAllWithin(v, loaded);
    }

    // With the trimming resistor read, the bench holds it where it corrects nothing.
    void trimmerInTheMiddleCorrectsNothing()
    {
        QByteArray bytes = sampleBytes();
        QCOMPARE(bytes.count(";sbi ADCSRA,ADEN"), 1);
        bytes.replace(";sbi ADCSRA,ADEN", " sbi ADCSRA,ADEN");
        QTemporaryDir dir;
        const Verified v = verify({writeFile(dir, QStringLiteral("CDI.asm"), bytes),
                                   QStringLiteral("--table"), QStringLiteral("1")});
        QVERIFY2(v.status == 0, qPrintable(v.err + v.out));
        QCOMPARE(v.rows.size(), 64);
    }

    // One table value's LDI immediate changed in the image: that row's two points fail, and
    // nothing else does.
    void plantedFaultIsFoundAtItsRowOnly()
    {
        QTemporaryDir dir;
        const AssembleOutcome assembled =
            assembleIntoFolder(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"), dir.path());
        QVERIFY2(assembled.error.isEmpty(), qPrintable(assembled.error));
        QFile hexFile(assembled.hexPath);
        QVERIFY(hexFile.open(QIODevice::ReadOnly));
        const QByteArray hex = hexFile.readAll();
        hexFile.close();
        const QString source = QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm");

        const Verified clean = verify({source, QStringLiteral("--hex"), assembled.hexPath});
        QVERIFY2(clean.status == 0, qPrintable(clean.err + clean.out));

        // Table 1 row 20 holds 235 (34 degrees); make it 245 (27 degrees).
        const QByteArray planted = plantTableValue(hex, 20 - 1, 245);
        QVERIFY(!planted.isEmpty());
        const QString faulty = writeFile(dir, QStringLiteral("faulty.hex"), planted);
        const Verified v = verify({source, QStringLiteral("--hex"), faulty});
        QCOMPARE(v.status, 1);
        QList<QStringList> failing;
        for (const QStringList &r : v.rows) {
            if (r[8] != QLatin1String("1"))
                failing << r;
        }
        QCOMPARE(failing.size(), 2);
        for (const QStringList &r : failing) {
            QCOMPARE(r.mid(0, 2), (QStringList{"1", "20"}));
            QCOMPARE(r[3], QStringLiteral("34.00"));
            QVERIFY2(std::fabs(r[4].toDouble() - 27.0) < r[7].toDouble(), qPrintable(r.join(',')));
            QCOMPARE(r[6], QStringLiteral("20"));
        }
    }

    void breakpointsSharingAConstantFail()
    {
        LoadedSource loaded(sampleBytes());
        loaded.doc.cell(Document::kRpmColumn, 28) = QStringLiteral("9770");
        QVERIFY(!rewriteSource(loaded.doc));
        QTemporaryDir dir;
        const QString path =
            writeFile(dir, QStringLiteral("CDI.asm"), loaded.doc.text.toFileBytes());
        QString text;
        QString errors;
        QTextStream out(&text);
        QTextStream err(&errors);
        QCOMPARE(runVerify({path, QStringLiteral("--table"), QStringLiteral("1")}, out, err), 1);
        out.flush();
        QVERIFY2(text.contains(QStringLiteral(
                     "row 27: shares compare constant 243 with row 28 and is never used\n")),
                 qPrintable(text));
        // Row 27 is never used: its points measure row 28's angle.
        QVERIFY2(text.contains(QRegularExpression(
                     QStringLiteral("\n +1 +27 +\\d+ +29\\.10 +28\\.\\d\\d +-0\\.\\d\\d +28 "))),
                 qPrintable(text));
        QVERIFY(text.endsWith(
            QStringLiteral("FAIL: 62 of 64 points within tolerance, 1 static check(s) failed\n")));
    }

    void errorsEndWithStatusTwo()
    {
        QTemporaryDir dir;
        const QString source = QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm");
        Verified v = verify({source, QStringLiteral("--hex"), dir.filePath("missing.hex")});
        QCOMPARE(v.status, 2);
        QVERIFY2(v.err.contains(QLatin1String("cannot read the firmware image")),
                 qPrintable(v.err));

        const QString bad =
            writeFile(dir, QStringLiteral("bad.hex"), ":020000000102FF\n:00000001FF\n");
        v = verify({source, QStringLiteral("--hex"), bad});
        QCOMPARE(v.status, 2);
        QVERIFY2(v.err.endsWith(QLatin1String("does not load: line 1: checksum mismatch\n")),
                 qPrintable(v.err));

        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir.path().toLocal8Bit());
        v = verify({source});
        qputenv("PATH", path);
        QCOMPARE(v.status, 2);
        QCOMPARE(v.err,
                 QStringLiteral("verify: no AVR assembler found: install avra (or avrasm2)\n"));

        v = verify({source, QStringLiteral("--table"), QStringLiteral("4")});
        QCOMPARE(v.status, 2);
        v = verify({source, QStringLiteral("--sensor-pin"), QStringLiteral("PA9")});
        QCOMPARE(v.status, 2);
    }

    // The sensor on another pin than the firmware's INT0: no spark anywhere.
    void sensorPinIsTheOneDriven()
    {
        const Verified v =
            verify({QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"), QStringLiteral("--table"),
                    QStringLiteral("1"), QStringLiteral("--sensor-pin"), QStringLiteral("PD3")});
        QCOMPARE(v.status, 1);
        QCOMPARE(v.rows.size(), 64);
        for (const QStringList &r : v.rows) {
            QCOMPARE(r[4], QString());
            QCOMPARE(r[8], QStringLiteral("0"));
        }
    }

    // A runner that dies or hangs ends the run with a message, never with figures.
    void crashedOrHungSimulatorIsAnError()
    {
        QTemporaryDir dir;
        const QString crash =
            writeFile(dir, QStringLiteral("crash.sh"), "#!/bin/sh\nkill -SEGV $$\n");
        const QString hang =
            writeFile(dir, QStringLiteral("hang.sh"), "#!/bin/sh\nexec sleep 30\n");
        for (const QString &script : {crash, hang})
            QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
        QString error;
        const auto firmware = readBenchFirmware(sampleBytes(), &error);
        QVERIFY(firmware);
        const QList<BenchPoint> points = planPoints(*firmware, {1});

        BenchRun crashing;
        crashing.setRunnerPath(crash);
        QCOMPARE(runBenchBlocking(crashing, QStringLiteral("x.hex"), *firmware, points),
                 QStringLiteral("the simulator crashed on this firmware image"));
        BenchRun hanging;
        hanging.setRunnerPath(hang);
        hanging.setTimeLimit(1500);
        QCOMPARE(runBenchBlocking(hanging, QStringLiteral("x.hex"), *firmware, points),
                 QStringLiteral("the simulation timed out after 1 s"));
    }

    // The same image gives the same figures, byte for byte, however the points are shared out.
    void figuresDoNotDependOnTheProcesses()
    {
        QTemporaryDir dir;
        const AssembleOutcome assembled =
            assembleIntoFolder(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"), dir.path());
        QVERIFY2(assembled.error.isEmpty(), qPrintable(assembled.error));
        QString error;
        const auto firmware = readBenchFirmware(sampleBytes(), &error);
        QVERIFY(firmware);
        const QList<BenchPoint> points = planPoints(*firmware, {1, 2, 3});
        QStringList reports;
        for (const int processes : {1, 3}) {
            BenchRun run;
            run.setProcessCount(processes);
            QCOMPARE(runBenchBlocking(run, assembled.hexPath, *firmware, points), std::nullopt);
            VerifyReport report;
            report.points = run.results();
            reports << formatReportCsv(report);
        }
        QCOMPARE(reports[0].count(QLatin1Char('\n')), 193);
        QCOMPARE(reports[0], reports[1]);
    }

    void angleJumpsBetweenRowsAreFound()
    {
        QString error;
        auto firmware = readBenchFirmware(sampleBytes(), &error);
        QVERIFY(firmware);
        QCOMPARE(staticChecks(*firmware, {1, 2, 3}).size(), 0);
        firmware->codes[1][9] = 230;  // table 2 row 10: 37.5 after 20 in row 9
        firmware->codes[1][10] = 180; // no spark in row 11: no jump counted
        const QList<StaticFinding> found = staticChecks(*firmware, {1, 2, 3});
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].table, 2);
        QCOMPARE(found[0].row, 10);
        QCOMPARE(found[0].message, QStringLiteral("angle jumps by 17.5° from row 9"));
    }

private:
    // The image with the immediate of the n-th table value (LDI R16,K followed by ST X+,R16)
    // set to `code`, its record's checksum fixed.
    static QByteArray plantTableValue(const QByteArray &hex, int n, int code)
    {
        const FlashImage image = parseIntelHex(hex.toStdString());
        int seen = 0;
        std::size_t address = 0;
        for (std::size_t a = 0; a + 3 < image.bytes.size(); a += 2) {
            const int word = image.bytes[a] | (image.bytes[a + 1] << 8);
            const int next = image.bytes[a + 2] | (image.bytes[a + 3] << 8);
            if ((word & 0xF0F0) == 0xE000 && next == 0x930D && seen++ == n) {
                address = a;
                break;
            }
        }
        if (address == 0)
            return {};
        QList<QByteArray> records = hex.split('\n');
        quint32 base = 0;
        for (QByteArray &record : records) {
            const bool cr = record.endsWith('\r');
            QByteArray bytes = QByteArray::fromHex(record.trimmed().mid(1));
            if (bytes.size() < 5)
                continue;
            const quint32 start = base + ((quint8(bytes[1]) << 8) | quint8(bytes[2]));
            if (bytes[3] == 2)
                base = ((quint8(bytes[4]) << 8) | quint8(bytes[5])) << 4;
            if (bytes[3] != 0 || address < start || address + 1 >= start + quint8(bytes[0]))
                continue;
            const int at = 4 + int(address - start);
            // LDI: 1110 KKKK dddd KKKK
            bytes[at] = char((quint8(bytes[at]) & 0xF0) | (code & 0x0F));
            bytes[at + 1] = char(0xE0 | (code >> 4));
            std::vector<std::uint8_t> body(bytes.begin(), bytes.end() - 1);
            bytes[bytes.size() - 1] = char(intelHexChecksum(body));
            record = ':' + bytes.toHex().toUpper() + (cr ? "\r" : "");
            return records.join('\n');
        }
        return {};
    }
};

QTEST_GUILESS_MAIN(BenchVerifyTest)
#include "tst_bench_verify.moc"
