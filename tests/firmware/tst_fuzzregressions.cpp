// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "fuzzchecks.h"
#include "inputchecks.h"

#include "session/sourcesave.h"
#include "session/writer.h"
#include "writertestsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file of the seed corpus and of the stored regressions of one target, as test rows.
void addInputRows(const QString &target)
{
    QTest::addColumn<QString>("path");
    for (const QString &set : {QStringLiteral("corpus"), QStringLiteral("regressions")}) {
        const QDir dir(QStringLiteral(CDI_FUZZ_DIR "/") + set + QLatin1Char('/') + target);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            if (name.startsWith(QLatin1Char('.')) || name == QStringLiteral("README.md"))
                continue;
            QTest::newRow(qPrintable(set + QLatin1Char('/') + name)) << dir.filePath(name);
        }
    }
}

QByteArray plainSampleSave()
{
    return readFile(QStringLiteral(CDI_FUZZ_DIR "/corpus/save/plain-sample.bin"));
}

} // namespace

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void seedsArePresent()
    {
        QVERIFY(QFile::exists(QStringLiteral(CDI_FUZZ_DIR "/corpus/load/sample.asm")));
        QVERIFY(!plainSampleSave().isEmpty());
    }

    void load_data() { addInputRows(QStringLiteral("load")); }
    void load()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString failure = checkLoad(file.readAll());
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void hex_data() { addInputRows(QStringLiteral("hex")); }
    void hex()
    {
        QFETCH(QString, path);
        const QString failure = checkIntelHex(readFile(path));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void csv_data() { addInputRows(QStringLiteral("csv")); }
    void csv()
    {
        QFETCH(QString, path);
        const QString failure = checkCsvImport(readFile(path));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    // Each input is saved after a completed save of the sample, so that a save that stops has a
    // file to leave alone.
    void save_data() { addInputRows(QStringLiteral("save")); }
    void save()
    {
        QFETCH(QString, path);
        SaveScratchFile file;
        QVERIFY(file.isValid());
        QCOMPARE(checkSave(plainSampleSave(), file), QString());
        QVERIFY(file.read().has_value());
        const QByteArray input = readFile(path);
        QVERIFY(!input.isEmpty());
        const QString failure = checkSave(input, file);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    // The save check sees a file that differs from what the last save wrote; the load check
    // agrees with the reader on mixed line ends, stray CRs and a last line without a break.
    void checksReportViolations()
    {
        SaveScratchFile file;
        QVERIFY(file.isValid());
        QCOMPARE(checkSave(plainSampleSave(), file), QString());
        file.setExpected(QByteArrayLiteral("not what was written"));
        const QByteArray stopping =
            readFile(QStringLiteral(CDI_FUZZ_DIR "/corpus/save/rpm-too-low-sample.bin"));
        QVERIFY(!stopping.isEmpty());
        QCOMPARE(checkSave(stopping, file), QStringLiteral("a save that stopped changed the file"));

        QCOMPARE(checkLoad("a\nb\r\nc"), QString());
        QCOMPARE(checkLoad("a\rb\r\r\n\r"), QString());
    }

    // The third spark-to-1 line has lost its marker, and the line after a value of table 3
    // carries it in its comment, so the spark search and the table entry meet on one line. The
    // table entry would silently undo the spark line there while the firmware's own third
    // spark line kept the old pin: the save stops instead and writes nothing.
    void saveNeverRewritesALineTwice()
    {
        QList<QByteArray> lines = sampleLines();
        QCOMPARE(lines[sample::kSparkToOneLines[2]],
                 "sbi PortC,0\t\t" + markers::sparkToOne.toByteArray());
        lines[sample::kSparkToOneLines[2]] = "sbi PortC,0";
        lines[sample::valueLine(3, 20) + 1] += markers::sparkToOne.toByteArray();
        const QByteArray bytes = joinLines(lines);
        LoadedSource loaded(bytes);
        QVERIFY(loaded.completed);
        loaded.doc.settings.sparkOutput = DocumentSettings::kPortD6;

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();

        const auto stop = saveSource(loaded.doc, path);
        QVERIFY(stop == MessageId::MissingData);
        QCOMPARE(readFile(path), bytes);
        QCOMPARE(loaded.doc.text.lineCount(), lines.size());
    }

    // Table 1's label shares its line with the first value, and a comment before it holds the
    // marker, which the load takes for the label. Rewriting the value line once dropped the
    // label "FuozTable1:", so that no later save could find the table again; the label stays in
    // front of the rewritten value, and the saved file loads and saves again.
    void saveKeepsTheFileSaveable()
    {
        QList<QByteArray> lines = sampleLines();
        const int label = sample::kTableLabelLines[0];
        QCOMPARE(lines[label], "FuozTable1:");
        lines[label - 1] += " FuozTable";
        lines[label] += lines[label + 1];
        lines.removeAt(label + 1);
        const QByteArray bytes = joinLines(lines);
        LoadedSource loaded(bytes);
        QVERIFY(loaded.completed);
        const LoadedSource original(sampleBytes());
        for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row)
            QCOMPARE(loaded.doc.cell(1, row), original.doc.cell(1, row));

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        loaded.doc.cell(1, 1) = QStringLiteral("9");
        QCOMPARE(saveSource(loaded.doc, path), std::nullopt);
        const QByteArray saved = readFile(path);
        QCOMPARE(saved.split('\n').at(label), "FuozTable1:ldi R16, 9\t" + cp(u";множитель\r"));
        LoadedSource again(saved);
        QVERIFY(again.completed);
        QCOMPARE(again.doc.cell(1, 1), QStringLiteral("9"));
        QCOMPARE(saveSource(again.doc, path), std::nullopt);
        QCOMPARE(readFile(path), saved);
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
