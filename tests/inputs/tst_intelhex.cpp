// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// The Intel HEX reader that cdi-bench verify and the simulator runner share: images read to the
// byte, and every record that does not fit the ATmega8 refused with the line named.
#include "bench/intelhex.h"

#include <QFile>
#include <QTest>

namespace {

// One record with its count and checksum.
std::string record(int type, int address, const std::vector<std::uint8_t> &data)
{
    std::vector<std::uint8_t> bytes{std::uint8_t(data.size()), std::uint8_t(address >> 8),
                                    std::uint8_t(address), std::uint8_t(type)};
    for (const std::uint8_t byte : data)
        bytes.push_back(byte);
    bytes.push_back(intelHexChecksum(bytes));
    std::string text = ":";
    for (const std::uint8_t byte : bytes)
        text += QByteArray::number(byte + 0x100, 16).toUpper().mid(1).toStdString();
    return text + "\n";
}

const std::string kEnd = ":00000001FF\n";

std::string fuzzInput(const char *name)
{
    QFile file(QStringLiteral(CDI_FUZZ_DIR "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

} // namespace

class TestIntelHex : public QObject
{
    Q_OBJECT

private slots:
    // The sample as avra writes it: the reset and interrupt jumps at the start, 1 114 bytes.
    void readsTheSampleImage()
    {
        const FlashImage image = parseIntelHex(fuzzInput("corpus/hex/sample.hex"));
        QCOMPARE(image.error, std::string());
        QCOMPARE(image.bytes.size(), std::size_t(1114));
        QCOMPARE(image.bytes[0], std::uint8_t(0x12));
        QCOMPARE(image.bytes[3], std::uint8_t(0xC0));
        QCOMPARE(image.bytes[4], std::uint8_t(0xFF)); // not written
        QCOMPARE(image.bytes[0x0C], std::uint8_t(0x63));
    }

    // An extended segment address moves the data by 16 times the segment; a linear address of 0
    // moves it back; start addresses change nothing; the last byte of the flash is in.
    void segmentAndLinearAddresses()
    {
        const FlashImage image = parseIntelHex(fuzzInput("corpus/hex/segment-and-start.hex"));
        QCOMPARE(image.error, std::string());
        QCOMPARE(image.bytes.size(), std::size_t(kFlashBytes));
        QCOMPARE(image.bytes[0x100], std::uint8_t(1));
        QCOMPARE(image.bytes[0x103], std::uint8_t(4));
        QCOMPARE(image.bytes[0], std::uint8_t(0xFF));
        QCOMPARE(image.bytes[0x1FF0], std::uint8_t(0));
        QCOMPARE(image.bytes[0x1FFF], std::uint8_t(15));
        // The segment and the offset add up: 0x01E0 * 16 + 0x0100 = 0x1F00.
        const FlashImage moved =
            parseIntelHex(record(2, 0, {0x01, 0xE0}) + record(0, 0x0100, {0xAA, 0xBB}) + kEnd);
        QCOMPARE(moved.error, std::string());
        QCOMPARE(moved.bytes.size(), std::size_t(0x1F02));
        QCOMPARE(moved.bytes[0x1F00], std::uint8_t(0xAA));
        QCOMPARE(moved.bytes[0x1F01], std::uint8_t(0xBB));
    }

    void refusesWhatDoesNotFit_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("error");
        const auto row = [](const char *name, const std::string &text, const char *error) {
            QTest::newRow(name) << QByteArray::fromStdString(text) << QByteArray(error);
        };
        // The linear address 0xFFFF once wrapped the image's size to 0 and crashed verify.
        row("linear address 0xFFFF", fuzzInput("regressions/hex/extended-linear-ffff.hex"),
            "line 3: data at 0xFFFFFFFC lies past the end of the 8192 bytes of program memory");
        row("one byte past the flash", record(0, 0x1FFF, {1, 2}) + kEnd,
            "line 1: data at 0x1FFF lies past the end of the 8192 bytes of program memory");
        row("segment past the flash", record(2, 0, {0x02, 0x00}) + record(0, 0, {1}) + kEnd,
            "line 2: data at 0x2000 lies past the end of the 8192 bytes of program memory");
        row("record past its segment", record(0, 0xFFF8, std::vector<std::uint8_t>(16)) + kEnd,
            "line 1: the data at offset 0xFFF8 runs past the end of its 64 KiB segment");
        row("a byte written twice",
            record(0, 0x10, {1, 2, 3}) + record(0, 0x12, {3, 4}) + record(0, 0x11, {9}) + kEnd,
            "line 3: the byte at 0x0011 is written twice with different values");
        row("checksum", ":0100000001FF\n" + kEnd, "line 1: checksum mismatch");
        row("odd digit count", ":0100000001FE0\n" + kEnd, "line 1: not an Intel HEX record");
        row("count and length disagree", ":0200000001FD\n" + kEnd,
            "line 1: record length does not match its byte count");
        row("no hex digit", ":01000000G1FE\n" + kEnd, "line 1: not a hexadecimal digit");
        row("unknown type", "\n" + record(6, 0, {}) + kEnd, "line 2: unknown record type 6");
        row("short address record", record(4, 0, {1}) + kEnd, "line 1: bad address record");
        row("start record of 2 bytes", record(0, 0, {1}) + record(5, 0, {0, 0}) + kEnd,
            "line 2: bad start address record");
        row("end record with data", record(0, 0, {1}) + record(1, 0, {0}),
            "line 2: bad end record");
        row("no end record", record(0, 0, {1}), "no end record");
        row("no data", record(0, 0, {}) + kEnd, "no data records");
    }

    void refusesWhatDoesNotFit()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, error);
        const FlashImage image = parseIntelHex(text.toStdString());
        QCOMPARE(QByteArray::fromStdString(image.error), error);
        QVERIFY(image.bytes.empty());
    }
};

QTEST_APPLESS_MAIN(TestIntelHex)
#include "tst_intelhex.moc"
