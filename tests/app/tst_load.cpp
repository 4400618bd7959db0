// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "Файл": every outcome of a load, from a cancelled dialog to a completed load.
#include "apptestsupport.h"

#include "chart/chartseries.h"
#include "chart/chartwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTest>

class TestLoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void completedLoadOfTheSample();
    void cancelWithNothingLoaded();
    void cancelAfterALoadReadsTheSameFileAgain();
    void fileThatCannotBeOpened_data();
    void fileThatCannotBeOpened();
    void missingDataStopsTheLoad();
    void conversionErrorIsReported();
    void pathLongerThan80Kept();
    void backslashBelongsToTheFileName();
    void trimmerAddsTheWarningToTheTitle();
    void secondPulseAndPortFromTheSource();
};

// A variant of the sample with other settings: sensor angle 35, a fixed second pulse of 29 steps
// and the spark on PortD,6.
static QByteArray otherSettingsSource()
{
    QByteArray bytes = replacedOnce(sampleBytes(), u"угол 20", u"угол 35");
    bytes = replacedOnce(bytes, u"ldi R30,0b00000010", u"ldi R30,0b00000000");
    return replacedOnce(bytes, u"cbi PortC,0", u"cbi PortD,6");
}

// Everything a load can change, to compare before and after one that should change nothing.
static QStringList snapshot(TForm1 &form)
{
    QStringList all = {form.ComboBox1->currentText(),
                       form.ComboBox2->currentText(),
                       form.ComboBox3->currentText(),
                       form.ComboBox4->currentText(),
                       form.Chart1->title(),
                       form.state().FirmwareName,
                       QString::number(form.document().calibration.trimmerActive),
                       QString::number(form.Series1->count())};
    for (int column = 0; column < GridModel::kColumns; ++column)
        all += QStringLiteral("header %1: ").arg(column) + form.grid().header(column);
    for (int column = 0; column < GridModel::kColumns; ++column)
        all += columnTexts(form, column);
    return all;
}

void TestLoad::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestLoad::completedLoadOfTheSample()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);

    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.platform.dialogsShown.size(), 1);
    QCOMPARE(w.platform.dialogsShown[0].filter, QStringLiteral("asm|*asm|hex|*.hex"));
    QCOMPARE(w.platform.dialogsShown[0].fileName, QStringLiteral("CDI.asm"));

    QCOMPARE(w.form.Memo1->document()->blockCount(), sampleBytes().count('\n'));
    const QStringList lines = w.form.Memo1->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral(u".include \"m8def.inc\"\t;AT8-16, кварц4МГц, угол 20"));
    QCOMPARE(lines.at(603), QStringLiteral("FuozTable1:"));

    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("20"));
    QCOMPARE(w.form.ComboBox2->currentText(), QStringLiteral("1"));
    QCOMPARE(w.form.ComboBox3->currentText(), QStringLiteral("auto"));
    QCOMPARE(w.form.ComboBox3->currentIndex(), 0);
    QCOMPARE(w.form.ComboBox4->currentText(), QStringLiteral("PortC,0"));
    QVERIFY(w.form.CheckBox1->isChecked());

    QCOMPARE(headerTexts(w.form), QStringList({QStringLiteral(u"об/мин"), QStringLiteral(u"таб.1"),
                                               QStringLiteral(u"таб.2"), QStringLiteral(u"таб.3"),
                                               QStringLiteral(u"УОЗ")}));
    QCOMPARE(columnTexts(w.form, 0), sampleBreakpoints());
    for (int table = 1; table <= 3; ++table)
        QCOMPARE(columnTexts(w.form, table), sampleCodes(table));
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(1), 20));

    QCOMPARE(w.form.Series1->count(), 32);
    const ChartPoint first = w.form.Series1->points().first();
    QCOMPARE(first.x, 460.0);
    QCOMPARE(first.y, 10.2);
    QCOMPARE(first.colour, kChartRed);
    const ChartPoint last = w.form.Series1->points().last();
    QCOMPARE(last.x, 19530.0);
    QCOMPARE(last.y, 26.3);

    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ, файл: CDI.asm"));
    QCOMPARE(w.form.document().FirmwarePath, path);
    QCOMPARE(w.form.state().FirmwareName, QStringLiteral("CDI.asm"));
    QCOMPARE(w.form.document().calibration.trimmerActive, false);
}

void TestLoad::cancelWithNothingLoaded()
{
    Window w;
    const QStringList before = snapshot(w.form);
    w.platform.cancelDialog();
    w.form.Button1Click();
    QCOMPARE(w.platform.dialogsShown.size(), 1);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.Memo1->toPlainText(), QString());
    QCOMPARE(w.form.document().FirmwarePath, QString());
    QCOMPARE(snapshot(w.form), before);
}

void TestLoad::cancelAfterALoadReadsTheSameFileAgain()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "CDI.asm", sampleBytes());
    Window w;
    w.load(path);
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("20"));

    // Changed on disk meanwhile: another sensor angle and another first code of table 1.
    QByteArray changed = replacedOnce(sampleBytes(), u"угол 20", u"угол 35");
    changed = replacedOnce(changed, u"FuozTable1:\r\nldi R16, 14", u"FuozTable1:\r\nldi R16, 15");
    writeFile(path, changed);

    w.platform.cancelDialog();
    w.form.Button1Click();
    QCOMPARE(w.platform.dialogsShown.size(), 2);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.document().FirmwarePath, path);
    QCOMPARE(w.form.Memo1->document()->blockCount(), changed.count('\n'));
    QVERIFY(w.form.Memo1->toPlainText().startsWith(
        QStringLiteral(u".include \"m8def.inc\"\t;AT8-16, кварц4МГц, угол 35\n")));
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("35"));
    QStringList codes = sampleCodes(1);
    codes[0] = QStringLiteral("15");
    QCOMPARE(columnTexts(w.form, 1), codes);
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(codes, 35));
    QCOMPARE(w.form.Series1->count(), 32);
    QCOMPARE(w.form.Series1->points().first().y, 24.5);
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ, файл: CDI.asm"));
}

void TestLoad::fileThatCannotBeOpened_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("directory");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("missing, Russian") << 0 << false << QStringLiteral(u"Ошибка доступа к файлу ");
    QTest::newRow("missing, English") << 1 << false << QStringLiteral("No file found ");
    QTest::newRow("a folder, Russian")
        << 0 << true << QStringLiteral(u"Это папка, а не файл, она не прочитана: ");
    QTest::newRow("a folder, English")
        << 1 << true << QStringLiteral("A folder, not a file, not read: ");
}

void TestLoad::fileThatCannotBeOpened()
{
    QFETCH(int, language);
    QFETCH(bool, directory);
    QFETCH(QString, prefix);
    QTemporaryDir dir;
    const QString earlier = writeFile(dir, "Other.asm", otherSettingsSource());
    Window w;
    w.load(earlier);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    if (language == 1)
        w.form.Button7Click();
    const QStringList before = snapshot(w.form);
    QCOMPARE(before.at(0), QStringLiteral("35"));

    QString tried = dir.filePath(QStringLiteral("Missing.asm"));
    if (directory) {
        tried = dir.filePath(QStringLiteral("folder.asm"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.asm")));
    }
    w.load(tried);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({{ShownBox::Error, prefix + tried}}));
    QCOMPARE(w.form.Memo1->toPlainText(), QString());
    QCOMPARE(w.form.document().FirmwarePath, tried);
    QCOMPARE(snapshot(w.form), before);
}

void TestLoad::missingDataStopsTheLoad()
{
    QTemporaryDir dir;
    const QString earlier = writeFile(dir, "Other.asm", otherSettingsSource());
    QByteArray broken = replacedOnce(sampleBytes(), u"угол 20", u"угол 25");
    broken = replacedOnce(broken, u"ldi R23,29", u"ldi R24,29");
    const QString path = writeFile(dir, "Broken.asm", broken);
    Window w;
    w.load(earlier);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QStringList before = snapshot(w.form);

    w.load(path);
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Warning,
                          QStringLiteral(u"Не найден параметр, проверьте версию файла CDI.ASM")}}));
    QCOMPARE(w.form.Memo1->document()->blockCount(), broken.count('\n'));
    QVERIFY(w.form.Memo1->toPlainText().contains(QStringLiteral("ldi R24,29")));
    QCOMPARE(w.form.document().FirmwarePath, path);
    // The sensor angle comes before the missing line; everything after it stays.
    before[0] = QStringLiteral("25");
    QCOMPARE(snapshot(w.form), before);
    QCOMPARE(w.form.state().FirmwareName, QStringLiteral("Other.asm"));
}

void TestLoad::conversionErrorIsReported()
{
    QTemporaryDir dir;
    const QByteArray broken = replacedOnce(sampleBytes(), u"ldi R23,29", u"ldi R23,  ");
    const QString path = writeFile(dir, "CDI.asm", broken);
    Window w;
    w.load(path);
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Error, QStringLiteral("'' is not a valid integer value.")}}));
    QCOMPARE(w.form.Memo1->document()->blockCount(), broken.count('\n'));
    QCOMPARE(w.form.document().FirmwarePath, path);
    QCOMPARE(w.form.state().FirmwareName, QString());
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ"));
    QCOMPARE(w.form.Series1->count(), 0);
}

void TestLoad::pathLongerThan80Kept()
{
    QTemporaryDir dir;
    const QString folder = QStringLiteral("a-folder-name-long-enough-to-push-the-path-well-past-"
                                          "eighty-characters");
    QVERIFY(QDir(dir.path()).mkpath(folder));
    const QString path =
        writeFile(dir.filePath(folder + QStringLiteral("/CDI.asm")), sampleBytes());
    QVERIFY(path.size() > 80);
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.document().FirmwarePath, path);
    QCOMPARE(w.form.state().FirmwareName, QStringLiteral("CDI.asm"));
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ, файл: CDI.asm"));
    QCOMPARE(w.form.Series1->count(), 32);
}

void TestLoad::backslashBelongsToTheFileName()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("fw\\CDI.asm"), sampleBytes());
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.state().FirmwareName, QStringLiteral("fw\\CDI.asm"));
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ, файл: fw\\CDI.asm"));
}

void TestLoad::trimmerAddsTheWarningToTheTitle()
{
    QTemporaryDir dir;
    const QString path =
        writeFile(dir, "Trim.asm", replacedOnce(sampleBytes(), u";sbi ADCSRA", u"\tsbi ADCSRA"));
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.document().calibration.trimmerActive, true);
    QCOMPARE(w.form.Chart1->title(),
             QStringLiteral(u"График УОЗ, файл: Trim.asm. Внимание, с подстроечным резистором!"));
}

void TestLoad::secondPulseAndPortFromTheSource()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, "Other.asm", otherSettingsSource());
    Window w;
    w.load(path);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("35"));
    QCOMPARE(w.form.ComboBox3->currentText(), QStringLiteral("20.3"));
    QCOMPARE(w.form.ComboBox4->currentIndex(), 1);
    QCOMPARE(w.form.ComboBox4->currentText(), QStringLiteral("PortD,6"));
    QCOMPARE(columnTexts(w.form, 4), expectedAngles(sampleCodes(1), 35));

    // Loading the sample again puts every setting back.
    w.load(writeFile(dir, "CDI.asm", sampleBytes()));
    QCOMPARE(w.form.ComboBox1->currentText(), QStringLiteral("20"));
    QCOMPARE(w.form.ComboBox3->currentText(), QStringLiteral("auto"));
    QCOMPARE(w.form.ComboBox4->currentText(), QStringLiteral("PortC,0"));
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ, файл: CDI.asm"));
}

QTEST_MAIN(TestLoad)
#include "tst_load.moc"
