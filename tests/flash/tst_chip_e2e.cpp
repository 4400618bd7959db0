// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// cdi-tables flash and read-chip end to end: the real avrdude ("arduino" programmer type) talks
// to our STK500v1 emulator with an ATmega8 behind it, on a pseudo-terminal pair.
#include "bench/intelhex.h"
#include "firmware/writertestsupport.h"
#include "flash/stk500emulator.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int status = -1;
    QString err;
    QString out;
};

Run cdiTables(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The programmer the window remembers stays out of it.
    QTemporaryDir home;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CDI_TABLES), arguments + QStringList{"--lang", "en"});
    // Every run ends by itself: a silent programmer included.
    if (!process.waitForFinished(120000))
        qFatal("cdi-tables did not finish");
    Run run;
    run.status = process.exitCode();
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    return run;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The bytes of an Intel HEX file without the erased (0xFF) end avrdude leaves out.
std::vector<std::uint8_t> flashOf(const QString &hexPath)
{
    FlashImage image = parseIntelHex(readFile(hexPath).toStdString());
    while (!image.bytes.empty() && image.bytes.back() == 0xFF)
        image.bytes.pop_back();
    return image.bytes;
}

// Assembles `source` as `name`.asm in `folder` with avra; the HEX's path.
QString assembleIn(const QString &folder, const QString &name, const QByteArray &source)
{
    writeFile(folder + QLatin1Char('/') + name + QStringLiteral(".asm"), source);
    QProcess avra;
    avra.setWorkingDirectory(folder);
    avra.setProcessChannelMode(QProcess::MergedChannels);
    avra.start(QStringLiteral("avra"), {name + QStringLiteral(".asm")});
    if (!avra.waitForFinished(60000) || avra.exitCode() != 0)
        qFatal("avra failed: %s", avra.readAll().constData());
    return folder + QLatin1Char('/') + name + QStringLiteral(".hex");
}

QStringList chipCopies(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*-chip-*.hex")}, QDir::Files);
}

} // namespace

class ChipEndToEndTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_sampleHex;
    QString m_oldHex; // the sample with table 2, row 9 one step later
    QString m_source;

private slots:
    void initTestCase()
    {
        for (const char *tool : {"avrdude", "avra", "python3"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP("avrdude, avra or python3 is not installed");
        }
        m_sampleHex = assembleIn(m_dir.path(), QStringLiteral("CDI"), sampleBytes());
        m_source = m_dir.filePath(QStringLiteral("CDI.asm"));
        QList<QByteArray> lines = sampleLines();
        lines[sample::valueLine(2, 9)] = "ldi R16, 1\t;old";
        const QString old = m_dir.filePath(QStringLiteral("old"));
        QDir().mkpath(old);
        m_oldHex = assembleIn(old, QStringLiteral("CDI"), joinLines(lines));
    }

    // A chip holding an older firmware, a source with a blank in its name: the copy kept beside
    // the source before the write holds the old firmware, the write succeeds, and a read of the
    // chip gives exactly the sample's bytes, a document that show and diff read.
    void programKeepsACopyAndReadsBack()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("my tune.asm"));
        writeFile(source, sampleBytes());
        Stk500Emulator chip(dir, {"--flash", m_oldHex});
        const Run flashed = cdiTables(
            {"flash", m_sampleHex, "--source", source, "-c", "arduino", "-P", chip.port()});
        QCOMPARE(flashed.status, 0);
        QVERIFY2(flashed.err.endsWith(
                     QStringLiteral("The chip holds the tables and settings of my tune.asm.\n")),
                 qPrintable(flashed.err));
        const QStringList copies = chipCopies(dir.path());
        QCOMPARE(copies.size(), 1);
        QVERIFY2(copies.first().startsWith(QStringLiteral("my tune-chip-")),
                 qPrintable(copies.first()));
        const QString copy = dir.filePath(copies.first());
        QVERIFY(flashed.err.contains(QStringLiteral("A copy of the chip was kept in ") + copy));
        QVERIFY(flashOf(m_oldHex) != flashOf(m_sampleHex));
        QCOMPARE(flashOf(copy), flashOf(m_oldHex));

        const QString back = dir.filePath(QStringLiteral("back.hex"));
        const Run read = cdiTables({"read-chip", back, "-c", "arduino", "-P", chip.port()});
        QCOMPARE(read.status, 0);
        QVERIFY(read.err.endsWith(QStringLiteral("The chip's image was saved in %1.\n").arg(back)));
        QCOMPARE(flashOf(back), flashOf(m_sampleHex));
        // Shown as a document: codes and RPMs, angles only with a sensor angle.
        const Run shown = cdiTables({"show", back, "--format", "csv"});
        QCOMPARE(shown.status, 0);
        QCOMPARE(shown.out.section(QLatin1Char('\n'), 0, 1),
                 QStringLiteral("rpm,code1,code2,code3\n460,14,17,21"));
        const Run angles = cdiTables({"show", back, "--format", "csv", "--source", source});
        QCOMPARE(angles.out.section(QLatin1Char('\n'), 0, 1),
                 QStringLiteral("rpm,code1,code2,code3,angle1,angle2,angle3\n"
                                "460,14,17,21,10.2,8.1,5.3"));
        const Run same = cdiTables({"diff", source, back});
        QCOMPARE(same.status, 0);
        const Run differs = cdiTables({"diff", back, copy});
        QCOMPARE(differs.status, 1);
        QCOMPARE(differs.out, QStringLiteral("table 2, row 9 (1990 rpm): code 0 -> code 1\n"));
        // An existing file is never overwritten.
        const Run again = cdiTables({"read-chip", back, "-c", "arduino", "-P", chip.port()});
        QCOMPARE(again.status, 2);
        QCOMPARE(flashOf(back), flashOf(m_sampleHex));
    }

    // An image built from another source is not written: what differs is named, the chip keeps
    // its flash; --force writes it.
    void guardStopsAStaleImage()
    {
        QTemporaryDir dir;
        const QString dump = dir.filePath(QStringLiteral("written"));
        Stk500Emulator chip(dir, {"--flash", m_sampleHex, "--dump", dump});
        const Run refused = cdiTables(
            {"flash", m_oldHex, "--source", m_source, "-c", "arduino", "-P", chip.port()});
        QCOMPARE(refused.status, 1);
        QCOMPARE(refused.err,
                 QStringLiteral("The image CDI.hex does not match the source CDI.asm. 1 "
                                "differences.\ntable 2, row 9: code 0 in the source, 1 in the "
                                "image\nThe chip was not touched; --force programs the image as "
                                "it is.\n"));
        QVERIFY(!QFile::exists(dump));
        const Run forced = cdiTables({"flash", m_oldHex, "--source", m_source, "--force", "-c",
                                      "arduino", "-P", chip.port()});
        QCOMPARE(forced.status, 1); // written, but the chip then differs from the source
        QVERIFY2(forced.err.endsWith(QStringLiteral(
                     "The chip differs from CDI.asm after the write. 1 differences.\ntable 2, "
                     "row 9: code 0 in the source, 1 in the image\n")),
                 qPrintable(forced.err));
        QVERIFY(QFile::exists(dump));
        QCOMPARE(chipCopies(m_dir.path()).size(), 1);
        QFile::remove(m_dir.filePath(chipCopies(m_dir.path()).first()));
    }

    // A bad cell: avrdude's verify fails, and that is an error with avrdude's finding.
    void failedVerifyIsAnError()
    {
        QTemporaryDir dir;
        Stk500Emulator chip(dir, {"--flip", "0x40"});
        const QString hex = dir.filePath(QStringLiteral("CDI.hex"));
        QVERIFY(QFile::copy(m_sampleHex, hex));
        const Run run = cdiTables({"flash", hex, "-c", "arduino", "-P", chip.port()});
        QCOMPARE(run.status, 1);
        const QString expected = QStringLiteral("VERIFY FAILED: the chip does not hold what was "
                                                "written. Program it again or check the chip and "
                                                "the programmer.\n");
        QVERIFY2(run.err.contains(expected), qPrintable(run.err));
        QVERIFY(run.err.contains(QStringLiteral("at addr 0x0040")));
        QVERIFY(!run.err.contains(QStringLiteral("The chip holds")));
        QVERIFY(!run.err.contains(QStringLiteral("avrdude wrote and verified")));
    }

    // Another chip is refused before anything is written, with the signature read.
    void wrongSignatureIsRefused()
    {
        QTemporaryDir dir;
        const QString dump = dir.filePath(QStringLiteral("written"));
        Stk500Emulator chip(dir, {"--signature", "1e9587", "--dump", dump});
        const QString hex = dir.filePath(QStringLiteral("CDI.hex"));
        QVERIFY(QFile::copy(m_sampleHex, hex));
        const Run run = cdiTables({"flash", hex, "-c", "arduino", "-P", chip.port()});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral(
                     "This is no ATmega8: the chip's signature is 1E 95 87 (an ATmega8's is "
                     "1E 93 07). Nothing was written to it.")),
                 qPrintable(run.err));
        QVERIFY(!QFile::exists(dump));
        QVERIFY(chipCopies(dir.path()).isEmpty());
    }

    // A programmer that stops answering ends the run with a message, not a hang; no half file.
    void silentProgrammerEndsClearly()
    {
        QTemporaryDir dir;
        Stk500Emulator chip(dir, {"--mute-after", "10"});
        const QString out = dir.filePath(QStringLiteral("chip.hex"));
        const Run run = cdiTables({"read-chip", out, "-c", "arduino", "-P", chip.port()});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("The programmer stopped answering; avrdude was "
                                                 "stopped.")),
                 qPrintable(run.err));
        QVERIFY(!QFile::exists(out));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{chip.port().section(QLatin1Char('/'), -1)});
    }

    // An image not built from a source of this layout is refused, naming the part not found.
    void undecodableImageIsRefused()
    {
        QTemporaryDir dir;
        const QString hex = dir.filePath(QStringLiteral("other.hex"));
        writeFile(hex, ":0400000012C047C023\n:00000001FF\n");
        const Run run = cdiTables({"show", hex});
        QCOMPARE(run.status, 2);
        QCOMPARE(run.err, QStringLiteral("cdi-tables: %1: The image was not built from a source of "
                                         "this layout: not found in it: the 31 RPM compare "
                                         "instructions (cpi R21, K, each followed by sbci R20, "
                                         "0).\n")
                              .arg(hex));
    }

    // Values from the user that avrdude would read as options are refused.
    void optionLikeValuesAreRefused()
    {
        const Run port = cdiTables({"flash", m_sampleHex, "-c", "arduino", "-P", "-Uflash:r:x:i"});
        QCOMPARE(port.status, 2);
        QVERIFY(port.err.startsWith(QStringLiteral("The value -Uflash:r:x:i starts with '-'")));
        const Run programmer = cdiTables({"read-chip", "x.hex", "--programmer", "-v"});
        QCOMPARE(programmer.status, 2);
        QVERIFY(programmer.err.startsWith(QStringLiteral("The value -v starts with '-'")));
    }
};

QTEST_GUILESS_MAIN(ChipEndToEndTest)
#include "tst_chip_e2e.moc"
