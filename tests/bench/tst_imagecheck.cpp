// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The exact image check with the real assembler: what the decoder reads from an image is what
// the source's lines hold, over the whole code range, and a one-byte change is named.
#include "bench/imagecheck.h"
#include "bench/intelhex.h"
#include "firmware/writertestsupport.h"
#include "format/scan.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Assembles the source with avra in a private folder; the HEX text, or empty with the report.
QByteArray assemble(const QByteArray &source, QString *report)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("CDI.asm")));
    if (!file.open(QIODevice::WriteOnly) || file.write(source) != source.size())
        return {};
    file.close();
    QProcess avra;
    avra.setWorkingDirectory(dir.path());
    avra.setProcessChannelMode(QProcess::MergedChannels);
    avra.start(QStringLiteral("avra"), {QStringLiteral("CDI.asm")});
    if (!avra.waitForFinished(60000) || avra.exitCode() != 0) {
        *report = QString::fromLocal8Bit(avra.readAll());
        return {};
    }
    QFile hex(dir.filePath(QStringLiteral("CDI.hex")));
    return hex.open(QIODevice::ReadOnly) ? hex.readAll() : QByteArray();
}

// The image as Intel HEX text again, 16 bytes a record; with a `segment`, the bytes from
// 16 * segment on follow an extended segment address record (type 02) and carry addresses
// relative to it.
QByteArray toHex(const std::vector<std::uint8_t> &bytes, std::size_t segment = 0)
{
    QByteArray text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        const std::size_t base = segment && at >= 16 * segment ? 16 * segment : 0;
        if (base && at == base) {
            std::vector<std::uint8_t> record = {
                2, 0, 0, 2, std::uint8_t(segment >> 8), std::uint8_t(segment)};
            record.push_back(intelHexChecksum(record));
            text +=
                ':' +
                QByteArray(reinterpret_cast<const char *>(record.data()), qsizetype(record.size()))
                    .toHex()
                    .toUpper() +
                "\r\n";
        }
        std::vector<std::uint8_t> record = {
            std::uint8_t(std::min<std::size_t>(16, bytes.size() - at)),
            std::uint8_t((at - base) >> 8), std::uint8_t(at - base), 0};
        for (std::size_t i = at; i < bytes.size() && i < at + 16; ++i)
            record.push_back(bytes[i]);
        record.push_back(intelHexChecksum(record));
        text += ':' +
                QByteArray(reinterpret_cast<const char *>(record.data()), qsizetype(record.size()))
                    .toHex()
                    .toUpper() +
                "\r\n";
    }
    return text + ":00000001FF\r\n";
}

Calibration scanned(const QByteArray &source)
{
    return scan(SourceText::fromFileBytes(source)).calibration;
}

struct Variant
{
    std::array<int, kCompareCount> constants{}; // points 2..32, index 0 point 2
    std::array<std::array<int, kPointCount>, kTableCount> codes{};
    int pulseSteps = 29;
    bool pulseAuto = true;
    bool portD = false;
    bool trimmer = false;
};

// `line` with the number after `prefix` replaced by `value`, its comment kept, so that the
// text positions the load searches from stay about where they were.
void setValue(QByteArray &line, const QByteArray &prefix, int value)
{
    qsizetype end = prefix.size();
    while (end < line.size() && line[end] != '\t' && line[end] != ';')
        ++end;
    line = prefix + QByteArray::number(value) + line.mid(end);
}

// The sample with its compare, table, pulse, spark and trimmer lines set to the variant.
QByteArray sourceOf(const Variant &v)
{
    QList<QByteArray> lines = sampleLines();
    for (int point = 2; point <= kPointCount; ++point)
        setValue(lines[sample::compareLine(point)], "cpi R21, ",
                 v.constants[std::size_t(point - 2)]);
    for (int table = 1; table <= kTableCount; ++table) {
        for (int point = 1; point <= kPointCount; ++point)
            setValue(lines[sample::valueLine(table, point)], "ldi R16, ",
                     v.codes[std::size_t(table - 1)][std::size_t(point - 1)]);
    }
    setValue(lines[sample::kPulseStepsLine], "ldi R23,", v.pulseSteps);
    if (!v.pulseAuto)
        lines[sample::kPulseModeLine].replace("0b00000010", "0b00000000");
    const QByteArray pin = v.portD ? "PortD,6" : "PortC,0";
    lines[sample::kSparkToZeroLine].replace("PortC,0", pin);
    for (const int line : sample::kSparkToOneLines)
        lines[line].replace("PortC,0", pin);
    if (v.trimmer) {
        for (QByteArray &line : lines) {
            if (line.startsWith(";sbi ADCSRA,ADEN"))
                line.remove(0, 1);
        }
    }
    return joinLines(lines);
}

} // namespace

class ImageCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("avra")).isEmpty())
            QSKIP("avra is not installed");
    }

    // The sample's image holds exactly the sample's settings and tables.
    void sampleImageMatchesItsSource()
    {
        QString report;
        const QByteArray hex = assemble(sampleBytes(), &report);
        QVERIFY2(!hex.isEmpty(), qPrintable(report));
        const ImageCheck check = checkImage(scanned(sampleBytes()), hex);
        QVERIFY2(check.decode.ok(), qPrintable(decodeFailureText(check.decode, 1)));
        QCOMPARE(describeDifferences(check.differences, 1), QString());
        QVERIFY(check.matches());
        const Calibration &image = *check.decode.calibration;
        QCOMPARE(image.compareConstant(32), 249);
        QCOMPARE(image.compareConstant(2), 21);
        QCOMPARE(image.code(1, 1), QStringLiteral("14"));
        QCOMPARE(image.code(2, 9), QStringLiteral("0"));
        QCOMPARE(image.code(3, 32), QStringLiteral("180"));
        QCOMPARE(image.secondPulse.automatic, std::optional<bool>(true));
        QCOMPARE(image.secondPulse.steps, qint64(29));
        QCOMPARE(image.sparkOutput, std::optional<SparkOutput>(SparkOutput::PortC0));
        QVERIFY(!image.trimmerActive);
        QVERIFY(!image.sensorAngle);
        // The same bytes from 0x100 on under a non-zero extended segment address.
        const QByteArray segmented = toHex(parseIntelHex(hex.toStdString()).bytes, 0x10);
        QVERIFY(segmented.contains(":020000020010EC\r\n:10000000"));
        const ImageCheck again = checkImage(scanned(sampleBytes()), segmented);
        QVERIFY2(again.decode.ok(), qPrintable(decodeFailureText(again.decode, 1)));
        QVERIFY(again.matches());
    }

    // Every code 0..255 and a spread of breakpoints, both pins, both pulse modes and the
    // trimmer, assembled by avra: the decoder reads what the source holds.
    void generatedSourcesAcrossTheCodeRange()
    {
        for (int round = 0; round < 3; ++round) {
            Variant v;
            for (int i = 0; i < kCompareCount; ++i)
                v.constants[std::size_t(i)] = (i * 83 + round * 41) % 255;
            v.constants[0] = round == 0 ? 0 : 254;
            for (int t = 0; t < kTableCount; ++t) {
                for (int p = 0; p < kPointCount; ++p)
                    v.codes[std::size_t(t)][std::size_t(p)] = (round * 96 + t * 32 + p) % 256;
            }
            v.pulseSteps = round == 0 ? 0 : round == 1 ? 57 : 255;
            v.pulseAuto = round == 2;
            v.portD = round != 1;
            v.trimmer = round == 1;
            const QByteArray source = sourceOf(v);
            QString report;
            const QByteArray hex = assemble(source, &report);
            QVERIFY2(!hex.isEmpty(), qPrintable(report));
            const ImageDecode decode = decodeIntelHex(hex);
            QVERIFY2(decode.ok(), qPrintable(decodeFailureText(decode, 1)));
            const Calibration &image = *decode.calibration;
            for (int point = 2; point <= kPointCount; ++point)
                QCOMPARE(image.compareConstant(point), v.constants[std::size_t(point - 2)]);
            for (int t = 1; t <= kTableCount; ++t) {
                for (int p = 1; p <= kPointCount; ++p)
                    QCOMPARE(image.code(t, p),
                             QString::number(v.codes[std::size_t(t - 1)][std::size_t(p - 1)]));
            }
            QCOMPARE(image.secondPulse.automatic, std::optional<bool>(v.pulseAuto));
            QCOMPARE(image.secondPulse.steps, qint64(v.pulseSteps));
            QCOMPARE(image.sparkOutput, std::optional<SparkOutput>(v.portD ? SparkOutput::PortD6
                                                                           : SparkOutput::PortC0));
            QCOMPARE(image.trimmerActive, v.trimmer);
            // And the source's own scan agrees with it exactly.
            QCOMPARE(describeDifferences(compareWithImage(scanned(source), image), 1), QString());
        }
    }

    // One byte changed in the image is named at its table and row, or its breakpoint; the
    // setting lines likewise. The byte is found as the one in which two assembled sources
    // differ, and changed in the sample's own image.
    void plantedByteIsNamed_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        QTest::newRow("table code")
            << sample::valueLine(2, 9) << QByteArray("ldi R16, 1")
            << QStringLiteral("table 2, row 9: code 0 in the source, 1 in the image")
            << QStringLiteral(u"таблица 2, строка 9: код 0 в исходнике, 1 в образе");
        QTest::newRow("breakpoint")
            << sample::compareLine(8) << QByteArray("cpi R21, 189")
            << QStringLiteral("RPM breakpoint of row 8: compare constant 190 (1800 rpm) in the "
                              "source, 189 (1780 rpm) in the image")
            << QStringLiteral(u"порог оборотов строки 8: константа 190 (1800 об/мин) в "
                              u"исходнике, 189 (1780 об/мин) в образе");
        QTest::newRow("pulse mode")
            << int(sample::kPulseModeLine) << QByteArray("ldi R30,0b00000000")
            << QStringLiteral("second sensor pulse: auto in the source, 20.3 in the image")
            << QStringLiteral(u"второй импульс датчика: auto в исходнике, 20.3 в образе");
    }
    void plantedByteIsNamed()
    {
        QFETCH(int, line);
        QFETCH(QByteArray, text);
        QFETCH(QString, english);
        QFETCH(QString, russian);
        QList<QByteArray> lines = sampleLines();
        lines[line] = text;
        QString report;
        const QByteArray sampleHex = assemble(sampleBytes(), &report);
        const QByteArray changedHex = assemble(joinLines(lines), &report);
        QVERIFY2(!sampleHex.isEmpty() && !changedHex.isEmpty(), qPrintable(report));
        std::vector<std::uint8_t> bytes = parseIntelHex(sampleHex.toStdString()).bytes;
        const std::vector<std::uint8_t> changed = parseIntelHex(changedHex.toStdString()).bytes;
        QCOMPARE(changed.size(), bytes.size());
        int differing = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != changed[i]) {
                bytes[i] = changed[i];
                ++differing;
            }
        }
        QCOMPARE(differing, 1);
        const ImageCheck check = checkImage(scanned(sampleBytes()), toHex(bytes));
        QVERIFY(check.decode.ok());
        QCOMPARE(check.differences.size(), 1);
        QCOMPARE(describeDifference(check.differences.first(), 1), english);
        QCOMPARE(describeDifference(check.differences.first(), 0), russian);
    }

    // An image whose layout is not there is refused with the part that was not found; an
    // image that is no HEX, with the parser's reason.
    void undecodableImageNamesThePart()
    {
        QString report;
        const QByteArray hex = assemble(sampleBytes(), &report);
        QVERIFY2(!hex.isEmpty(), qPrintable(report));
        const std::vector<std::uint8_t> bytes = parseIntelHex(hex.toStdString()).bytes;
        // A word replaced by a nop: the 20th "sbci R20, 0", or the last "st X+, R16".
        const auto without = [&](std::uint16_t word, int occurrence) {
            std::vector<std::uint8_t> copy = bytes;
            int seen = 0;
            for (std::size_t i = 0; i + 1 < copy.size(); i += 2) {
                if ((copy[i] | (copy[i + 1] << 8)) == word && ++seen == occurrence)
                    copy[i] = copy[i + 1] = 0;
            }
            return decodeImage(copy);
        };
        const ImageDecode noCompares = without(0x4040, 20);
        QCOMPARE(noCompares.missing, std::optional<ImagePart>(ImagePart::RpmCompares));
        QCOMPARE(decodeFailureText(noCompares, 1),
                 QStringLiteral("The image was not built from a source of this layout: not found "
                                "in it: the 31 RPM compare instructions (cpi R21, K, each followed "
                                "by sbci R20, 0)."));
        const ImageDecode noTables = without(0x930D, 96);
        QCOMPARE(noTables.missing, std::optional<ImagePart>(ImagePart::Tables));
        QVERIFY(decodeFailureText(noTables, 0).contains(u"три таблицы по 32 кода"));
        const ImageDecode notHex = decodeIntelHex("ldi R16, 14\n");
        QCOMPARE(notHex.missing, std::optional<ImagePart>(ImagePart::IntelHex));
        QCOMPARE(decodeFailureText(notHex, 1),
                 QStringLiteral("The file is not an Intel HEX image: line 1: not an Intel HEX "
                                "record"));
    }
};

QTEST_GUILESS_MAIN(ImageCheckTest)
#include "tst_imagecheck.moc"
