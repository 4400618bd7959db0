// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
//
// A saved source must still assemble, and the firmware image must hold what the grid held.
#include "format/assembler.h"
#include "format/cp1251.h"
#include "format/scan.h"
#include "format/write.h"
#include "session/sourcesave.h"
#include "session/writer.h"

#include "writertestsupport.h"

#include <QLocale>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program memory of an Intel HEX image as 16-bit words, from address 0 on.
QList<quint16> programWords(const QByteArray &hex, QString *error)
{
    QMap<quint32, quint8> bytes;
    quint32 base = 0;
    for (QByteArray record : hex.split('\n')) {
        record = record.trimmed();
        if (record.isEmpty())
            continue;
        const QByteArray data = QByteArray::fromHex(record.mid(1));
        if (!record.startsWith(':') || data.size() < 5 || data.size() != 5 + quint8(data[0])) {
            *error = QStringLiteral("bad record ") + QString::fromLatin1(record);
            return {};
        }
        quint8 sum = 0;
        for (const char byte : data)
            sum += quint8(byte);
        if (sum != 0) {
            *error = QStringLiteral("bad checksum ") + QString::fromLatin1(record);
            return {};
        }
        const int count = quint8(data[0]);
        const quint32 address = (quint32(quint8(data[1])) << 8) | quint8(data[2]);
        const int type = quint8(data[3]);
        if (type == 0) {
            for (int i = 0; i < count; ++i)
                bytes.insert(base + address + quint32(i), quint8(data[4 + i]));
        } else if (type == 2) {
            base = ((quint32(quint8(data[4])) << 8) | quint8(data[5])) << 4;
        } else if (type == 4) {
            base = ((quint32(quint8(data[4])) << 8) | quint8(data[5])) << 16;
        } else if (type == 1) {
            break;
        }
    }
    QList<quint16> words;
    if (bytes.isEmpty())
        return words;
    const quint32 end = bytes.lastKey() + 1;
    for (quint32 address = 0; address < end; address += 2)
        words.append(quint16(bytes.value(address, 0xFF) | (bytes.value(address + 1, 0xFF) << 8)));
    return words;
}

// LDI Rd,K: 1110 KKKK dddd KKKK, Rd = R16 + dddd. CPI Rd,K: 0011 KKKK dddd KKKK.
int immediateOf(quint16 word)
{
    return ((word >> 4) & 0xF0) | (word & 0x0F);
}
bool isLdiR16(quint16 word)
{
    return (word & 0xF0F0) == 0xE000;
}
bool isCpiR21(quint16 word)
{
    return (word & 0xF0F0) == 0x3050;
}
constexpr quint16 kStXPlusR16 = 0x930D; // ST X+,R16: 1001 001r rrrr 1101, r = 16

// What the firmware image holds of the tables: the immediate of every LDI R16 right before an
// ST X+,R16, in program order, and of every CPI R21.
struct ImageValues
{
    QList<int> codes;
    QList<int> compareConstants;
};

ImageValues imageValues(const QList<quint16> &words)
{
    ImageValues values;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0 && words[i] == kStXPlusR16 && isLdiR16(words[i - 1]))
            values.codes.append(immediateOf(words[i - 1]));
        if (isCpiR21(words[i]))
            values.compareConstants.append(immediateOf(words[i]));
    }
    return values;
}

// Assembles the source in its own folder; the HEX image, or an empty array with the report.
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

// Every line of the sample that matches `pattern` (on its decoded text) replaced by `to`,
// where \1 and so on stand for the pattern's groups.
QList<QByteArray> rewritten(QList<QByteArray> lines, const QString &pattern, const QString &to)
{
    const QRegularExpression expression(pattern);
    for (QByteArray &line : lines) {
        QString text = fromCp1251(line);
        if (!expression.match(text).hasMatch())
            continue;
        text.replace(expression, to);
        line = toCp1251(text);
    }
    return lines;
}

} // namespace

class WriterAvraTest : public QObject
{
    Q_OBJECT

private slots:
    // Sources written by hand in ordinary assembler style, which the load accepts: saved without
    // an edit, they build the same firmware image.
    void uneditedSaveBuildsTheSameImage_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("textChanges");
        const QList<QByteArray> lines = sampleLines();
        QByteArray lf = joinLines(lines);
        lf.replace("\r\n", "\n");
        QTest::newRow("lf only, no last break") << lf.chopped(1) << false;
        QList<QByteArray> blanks = rewritten(lines, QStringLiteral("^ldi R16, (\\d+)\t.*$"),
                                             QStringLiteral("\tldi R16, \\1   ; code"));
        blanks = rewritten(blanks, QStringLiteral("^st X\\+, R16\t.*$"),
                           QStringLiteral("\tST x+,r16 ; store"));
        blanks =
            rewritten(blanks, QStringLiteral("^cpi R21, (\\d+)\t.*$"),
                      QStringLiteral("\tcpi R21, \\1  ;compare R21 with the constant of this RPM"));
        QTest::newRow("blanks and other comments") << joinLines(blanks) << true;
        QList<QByteArray> commented;
        for (const QByteArray &line : lines) {
            if (line.startsWith("cpi R21,"))
                commented << ";cpi R21, 200 ;old";
            if (line.startsWith("st X+,"))
                commented << line << "\t;ldi R16, 12 ;old";
            else
                commented << line;
        }
        // Already in the writer's form: the commented-out lines stay, and so does every byte.
        QTest::newRow("commented-out instructions") << joinLines(commented) << false;
    }
    void uneditedSaveBuildsTheSameImage()
    {
        QFETCH(QByteArray, source);
        QFETCH(bool, textChanges);
        if (QStandardPaths::findExecutable(QStringLiteral("avra")).isEmpty())
            QSKIP("avra is not installed");
        LoadedSource loaded(source);
        QVERIFY(loaded.completed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QCOMPARE(saveSource(loaded.doc, path), std::nullopt);
        QFile savedFile(path);
        QVERIFY(savedFile.open(QIODevice::ReadOnly));
        const QByteArray saved = savedFile.readAll();
        QCOMPARE(saved != source, textChanges);
        QString report;
        const QByteArray before = assemble(source, &report);
        QVERIFY2(!before.isEmpty(), qPrintable(report));
        const QByteArray after = assemble(saved, &report);
        QVERIFY2(!after.isEmpty(), qPrintable(report));
        QCOMPARE(after, before);
    }

    // Sources that the assembler reads otherwise than line by line from the top: a lone CR ends
    // a line, conditional blocks and macro bodies are skipped, a trailing backslash joins lines,
    // .exit ends the source, .def renames a register; and instructions in other letter case and
    // blanks. The load reads what the assembler builds, or refuses and names the line that it
    // cannot read so; no save rewrites such a line either.
    void sourceReadMatchesTheAssembler_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("refusedAt"); // the line named (from 1), or 0: the source loads
        const QList<QByteArray> lines = sampleLines();
        const int label = sample::kTableLabelLines[0];
        const int row1 = sample::valueLine(1, 1);
        const auto with = [&lines](int at, const QList<QByteArray> &inserted) {
            QList<QByteArray> edited = lines;
            for (qsizetype i = 0; i < inserted.size(); ++i)
                edited.insert(at + i, inserted[i]);
            return edited;
        };

        QList<QByteArray> loneCr = lines;
        loneCr[row1] = "ldi R16, 14 ;c\rldi R16, 30";
        QTest::newRow("lone CR hides an instruction")
            << joinLines(loneCr).replace("\r\n", "\n") << row1 + 1;
        // Lines that a save rewrites but the load reads no value from: the include line and
        // the third line that sets the spark output.
        QList<QByteArray> includeCr = lines;
        includeCr[sample::kIncludeLine] += "\rldi R16, 30";
        QTest::newRow("lone CR hides code on the include line") << joinLines(includeCr) << 1;
        QList<QByteArray> sparkOff = lines;
        const int sparkOn = sample::kSparkToOneLines[2];
        sparkOff.insert(sparkOn + 1, ".endif");
        sparkOff.insert(sparkOn, ".if 0");
        QTest::newRow("spark line in a disabled block") << joinLines(sparkOff) << sparkOn + 1;
        QList<QByteArray> storeCr = lines;
        storeCr[row1 + 1] += "\rst X+, R16"; // row 2 of the firmware, but not of the grid
        QTest::newRow("lone CR hides a store") << joinLines(storeCr) << row1 + 2;
        QTest::newRow("disabled block after the label")
            << joinLines(with(label + 1, {".if 0", "ldi R16, 99", "st X+, R16", ".endif"}))
            << label + 2;
        QTest::newRow("#ifdef block after the label")
            << joinLines(with(label + 1, {"#ifdef NONE", "ldi R16, 99", "st X+, R16", "#endif"}))
            << label + 2;
        const int row5 = sample::valueLine(1, 5);
        QList<QByteArray> branches =
            with(row5 + 2, {".else", "ldi R16, 99", "st X+, R16", ".endif"});
        branches.insert(row5, ".IF 1");
        QTest::newRow("both branches of a block") << joinLines(branches) << row5 + 1;
        // The marker search takes the first label, the one in the body.
        QTest::newRow("macro body with a label")
            << joinLines(with(label,
                              {".macro fill", "FuozTable1:", "ldi R16, 99", "st X+, R16", ".endm"}))
            << label + 1;
        QList<QByteArray> call = with(row1 + 2, {"\tEXTRA"});
        call = QList<QByteArray>(call.mid(0, label - 2)) << ".macro extra"
                                                         << "ldi R16, 99"
                                                         << "st X+, R16"
                                                         << ".endmacro" << call.mid(label - 2);
        QTest::newRow("macro call between two rows") << joinLines(call) << row1 + 2 + 4 + 1;
        QList<QByteArray> joined = lines;
        const int beforeCompares = sample::kFirstCompareLine - 2;
        QVERIFY(joined[beforeCompares].startsWith(";---"));
        joined[beforeCompares] += '\\';
        QTest::newRow("backslash before the compare lines")
            << joinLines(joined) << beforeCompares + 1;
        QList<QByteArray> joinedValue = lines;
        QVERIFY(!joinedValue[row1].contains(':') && !joinedValue[row1].contains('.'));
        joinedValue[row1] += '\\'; // no other sign of a directive or label on the line
        QTest::newRow("backslash after a table value") << joinLines(joinedValue) << row1 + 1;
        QTest::newRow(".exit before the tables") << joinLines(with(label, {".exit"})) << label + 1;
        QTest::newRow("R16 renamed") << joinLines(with(label - 2, {".def R16 = R17"})) << label - 1;

        QList<QByteArray> alias = with(label - 2, {".def temp = R16"});
        alias[row1 + 1] = "ldi temp, 14";
        QTest::newRow("R16 under another name") << joinLines(alias) << row1 + 2;

        // Read as the assembler reads them.
        QList<QByteArray> forms = with(label - 2, {".if 0", "ldi R16, 99", "st X+, R16", ".endif"});
        const int shifted = row1 + 4;
        forms[shifted] = "LDI R16, 14";
        forms[shifted + 2] = "ldi r16,14 ;second";
        forms[shifted + 4] = "\tldi\tR16,\t14";
        forms[shifted + 6] = "FirstCodes: Ldi R016 , 11";
        forms[shifted + 8] += '\r';             // CR CR LF
        forms[shifted + 10] += "\r; a comment"; // a lone CR before a comment only
        forms[sample::compareLine(32)] = "CPI r21,249";
        forms[sample::compareLine(2)] = "\tcpi\tR21 , 21";
        forms << ".equ CODES_AT = FirstCodes"; // a save that drops the label does not assemble
        QTest::newRow("other forms, a block before the label") << joinLines(forms) << 0;
    }
    void sourceReadMatchesTheAssembler()
    {
        QFETCH(QByteArray, source);
        QFETCH(int, refusedAt);
        if (QStandardPaths::findExecutable(QStringLiteral("avra")).isEmpty())
            QSKIP("avra is not installed");
        const ScanResult read = scan(SourceText::fromFileBytes(source));
        if (refusedAt > 0) {
            QVERIFY(!read.completed());
            QCOMPARE(read.stopLine.section(QLatin1Char(':'), 0, 0), QString::number(refusedAt));
            const ScanResult sample = scan(SourceText::fromFileBytes(sampleBytes()));
            const WriteResult written =
                write(SourceText::fromFileBytes(source), sample.calibration);
            QCOMPARE(written.stop, std::optional<Stop>(MessageId::MissingData));
            QCOMPARE(written.stopLine, read.stopLine);
            return;
        }
        QVERIFY2(read.completed(), qPrintable(read.stopLine));
        QString report;
        const QByteArray hex = assemble(source, &report);
        QVERIFY2(!hex.isEmpty(), qPrintable(report));
        ImageValues built = imageValues(programWords(hex, &report));
        QList<int> codes;
        for (int table = 1; table <= kTableCount; ++table) {
            for (int point = 1; point <= kPointCount; ++point)
                codes << read.calibration.code(table, point).toInt();
        }
        QCOMPARE(codes, built.codes);
        QList<int> constants;
        for (int point = kPointCount; point > 1; --point)
            constants << read.calibration.compareConstant(point);
        QCOMPARE(constants, built.compareConstants);

        // A save of edited codes puts each into its own row of the firmware.
        LoadedSource loaded(source);
        QVERIFY(loaded.completed);
        for (int point = 1; point <= kPointCount; ++point) {
            codes[point - 1] = 100 + point;
            loaded.doc.cell(1, point) = QString::number(100 + point);
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QCOMPARE(saveSource(loaded.doc, path), std::nullopt);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray savedHex = assemble(saved.readAll(), &report);
        QVERIFY2(!savedHex.isEmpty(), qPrintable(report));
        built = imageValues(programWords(savedHex, &report));
        QCOMPARE(built.codes, codes);
        QCOMPARE(built.compareConstants, constants);
    }

    void savedSourceAssemblesWithItsTables()
    {
        QLocale::setDefault(QLocale::c());
        if (QStandardPaths::findExecutable(QStringLiteral("avra")).isEmpty())
            QSKIP("avra is not installed");

        LoadedSource loaded(sampleBytes());
        QVERIFY(loaded.completed);
        loaded.doc.settings.sensorAngle = QStringLiteral("25");
        loaded.doc.settings.secondPulse = QStringLiteral("20");
        loaded.doc.settings.sparkOutput = DocumentSettings::kPortD6;
        for (int row = 2; row <= 32; ++row)
            loaded.doc.cell(Document::kRpmColumn, row) = QString::number(400 + 600 * row);
        QList<int> codes;
        for (int table = 1; table <= 3; ++table) {
            for (int row = 1; row <= 32; ++row) {
                const int code = (table * 53 + row * 29) % 256;
                codes.append(code);
                loaded.doc.cell(table, row) = QString::number(code);
            }
        }

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QCOMPARE(saveSource(loaded.doc, path), std::nullopt);

        // Assemble it the way the compile command does when avra is the assembler.
        const auto command = assemblerCommand(
            path, [](const QString &name) { return name == QLatin1String("avra"); });
        QVERIFY(command);
        const QStringList assembler = command->arguments.mid(6);
        QCOMPARE(assembler, (QStringList{"avra", "CDI.asm"}));
        QProcess avra;
        avra.setWorkingDirectory(command->workingDirectory);
        avra.setProcessChannelMode(QProcess::MergedChannels);
        avra.start(assembler.first(), assembler.mid(1));
        QVERIFY(avra.waitForFinished(60000));
        const QString report = QString::fromLocal8Bit(avra.readAll());
        QVERIFY2(avra.exitStatus() == QProcess::NormalExit && avra.exitCode() == 0,
                 qPrintable(report));
        QVERIFY2(report.contains(QLatin1String("with no errors")), qPrintable(report));

        QFile hexFile(dir.filePath(QStringLiteral("CDI.hex")));
        QVERIFY(hexFile.open(QIODevice::ReadOnly));
        QString error;
        const QList<quint16> words = programWords(hexFile.readAll(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        const ImageValues image = imageValues(words);
        QCOMPARE(image.codes, codes);
        QList<int> expectedConstants;
        for (int row = 32; row >= 2; --row)
            expectedConstants.append(compareConstantForRpm(400 + 600 * row));
        QCOMPARE(image.compareConstants, expectedConstants);
    }
};

QTEST_GUILESS_MAIN(WriterAvraTest)
#include "tst_writer_avra.moc"
