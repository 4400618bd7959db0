// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "English" / "Russian": every text of the window in the other language and back.
#include "apptestsupport.h"

#include "chart/chartwidget.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void oneClickBeforeAnyLoad();
    void twoClicksRestoreEveryText_data();
    void twoClicksRestoreEveryText();
    void headersNumberedByColumnAfterALoad();
    void trimmerWithoutFileNameGivesTheBareTitle();
    void loadInEnglish();
};

// Every text that the switch sets, in its order.
static QStringList texts(TForm1 &form)
{
    QStringList all;
    for (QPushButton *button : {form.Button1, form.Button2, form.Button3, form.Button4,
                                form.Button5, form.Button6, form.Button7})
        all.append(button->text());
    all.append(form.Chart1->title());
    for (QLabel *label : {form.Label1, form.Label2, form.Label3, form.Label4, form.Label5})
        all.append(label->text());
    all += headerTexts(form);
    all.append(form.windowTitle());
    return all;
}

void TestLanguage::oneClickBeforeAnyLoad()
{
    Window w;
    w.form.Button7Click();
    QCOMPARE(w.form.state().Language, 1);
    const QStringList expected = {"File",
                                  "Save to table",
                                  "Help",
                                  "Refresh",
                                  "Save to file",
                                  "Compile HEX File",
                                  "Russian",
                                  "Timing graph",
                                  "   first",
                                  "Table",
                                  "second",
                                  "   Sensor angle:",
                                  "      Out \"spark\"",
                                  "RPM",
                                  "",
                                  "",
                                  "",
                                  "angle",
                                  "Ignition timing calculator for Zarnik project v0.983"};
    QCOMPARE(texts(w.form), expected);
    // Labels follow their longer or shorter texts.
    QCOMPARE(w.form.Label5->size(), w.form.Label5->sizeHint());
    QVERIFY(w.platform.boxes.isEmpty());
}

void TestLanguage::twoClicksRestoreEveryText_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::newRow("nothing loaded") << false;
    QTest::newRow("after a load") << true;
}

void TestLanguage::twoClicksRestoreEveryText()
{
    QFETCH(bool, loaded);
    QTemporaryDir dir;
    Window w;
    if (loaded)
        w.load(writeFile(dir, "CDI.asm", sampleBytes()));
    const QStringList before = texts(w.form);
    const QStringList angles = columnTexts(w.form, 4);
    w.form.Button7Click();
    QVERIFY(texts(w.form) != before);
    w.form.Button7Click();
    QCOMPARE(w.form.state().Language, 0);
    QCOMPARE(texts(w.form), before);
    QCOMPARE(columnTexts(w.form, 4), angles);
    if (loaded) {
        QCOMPARE(before.at(7), QStringLiteral(u"График УОЗ, файл: CDI.asm"));
        QCOMPARE(before.mid(14, 3), QStringList({QStringLiteral(u"таб.1"), QStringLiteral(u"таб.2"),
                                                 QStringLiteral(u"таб.3")}));
    } else {
        QCOMPARE(before.at(0), QStringLiteral(u"Файл"));
        QCOMPARE(before.at(7), QStringLiteral(u"График УОЗ"));
    }
}

void TestLanguage::headersNumberedByColumnAfterALoad()
{
    QTemporaryDir dir;
    QByteArray bytes = replacedOnce(sampleBytes(), u"FuozTable1:", u"FuozTable7:");
    bytes = replacedOnce(bytes, u"FuozTable2:", u"FuozTableA:");
    bytes = replacedOnce(bytes, u"FuozTable3:", u"FuozTable1:");
    Window w;
    w.load(writeFile(dir, "Labels.asm", bytes));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(headerTexts(w.form).mid(1, 3),
             QStringList(
                 {QStringLiteral(u"таб.7"), QStringLiteral(u"таб.A"), QStringLiteral(u"таб.1")}));
    w.form.Button7Click();
    QCOMPARE(headerTexts(w.form), QStringList({"RPM", "Tab.1", "Tab.2", "Tab.3", "angle"}));
    QCOMPARE(w.form.Chart1->title(), QStringLiteral("Timing graph, file: Labels.asm"));
    w.form.Button7Click();
    QCOMPARE(headerTexts(w.form), QStringList({QStringLiteral(u"об/мин"), QStringLiteral(u"таб.1"),
                                               QStringLiteral(u"таб.2"), QStringLiteral(u"таб.3"),
                                               QStringLiteral(u"УОЗ")}));
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ, файл: Labels.asm"));
}

void TestLanguage::trimmerWithoutFileNameGivesTheBareTitle()
{
    // A load that reads the trimming resistor and then stops at an empty code of the active
    // table: the flag is set, the file name is not.
    QTemporaryDir dir;
    QByteArray bytes = replacedOnce(sampleBytes(), u";sbi ADCSRA", u"\tsbi ADCSRA");
    bytes = replacedOnce(bytes, u"FuozTable1:\r\nldi R16, 14", u"FuozTable1:\r\nldi R16, xx");
    Window w;
    w.load(writeFile(dir, "Trim.asm", bytes));
    QCOMPARE(
        w.platform.takeBoxes(),
        QList<ShownBox>({{ShownBox::Warning,
                          QStringLiteral(u"Не найден параметр, проверьте версию файла CDI.ASM")}}));
    QCOMPARE(w.form.document().calibration.trimmerActive, true);
    QCOMPARE(w.form.state().FirmwareName, QString());
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ"));

    w.form.Button7Click();
    QCOMPARE(w.form.Chart1->title(), QStringLiteral("Timing graph"));
    // The path is set, so the headers are written although the load stopped.
    QCOMPARE(headerTexts(w.form).mid(1, 3), QStringList({"Tab.1", "Tab.2", "Tab.3"}));
    w.form.Button7Click();
    QCOMPARE(w.form.Chart1->title(), QStringLiteral(u"График УОЗ"));
}

void TestLanguage::loadInEnglish()
{
    QTemporaryDir dir;
    Window w;
    w.form.Button7Click();
    w.load(
        writeFile(dir, "Trim.asm", replacedOnce(sampleBytes(), u";sbi ADCSRA", u"\tsbi ADCSRA")));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(headerTexts(w.form), QStringList({"RPM", "Tab.1", "Tab.2", "Tab.3", "angle"}));
    QCOMPARE(w.form.Chart1->title(),
             QStringLiteral("Timing graph, file: Trim.asm. Attention, with adjust resistor!"));
    w.form.Button7Click();
    QCOMPARE(w.form.Chart1->title(),
             QStringLiteral(u"График УОЗ, файл: Trim.asm. Внимание, с подстроечным резистором!"));

    // Without the trimming resistor.
    w.form.Button7Click();
    w.load(writeFile(dir, "CDI.asm", sampleBytes()));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.Chart1->title(), QStringLiteral("Timing graph, file: CDI.asm"));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
