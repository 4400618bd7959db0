// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Every message box of the program, in both languages: its kind and its exact text.
#include "apptestsupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

class TestMessages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void eachSituationShowsItsBox_data();
    void eachSituationShowsItsBox();
};

enum class Situation
{
    SaveToTableUnloaded,
    SaveToFileUnloaded,
    SaveToTableEmptyAngle,
    SaveToFileEmptyAngle,
    AngleTooFarBelow,
    AngleTooFarAbove,
    MissingData,
    FileMissing,
    RpmTooLow,
    RpmTooHigh,
    HelpMissing,
    NotANumber,
    TableBoxEmptied,
    SensorAngleEmptiedThenTableChosen,
};
Q_DECLARE_METATYPE(Situation)

static const QString kAddress = QStringLiteral("https://cdi-table-editor.example.org/forum");

void TestMessages::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestMessages::eachSituationShowsItsBox_data()
{
    QTest::addColumn<Situation>("situation");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");

    struct Row
    {
        const char *name;
        Situation situation;
        ShownBox::Kind kind;
        QString russian;
        QString english;
    };
    const Row rows[] = {
        {"save to table, nothing loaded", Situation::SaveToTableUnloaded, ShownBox::Warning,
         QStringLiteral(u"Сначала нужно открыть файл прошивки!"), "Open .asm file first!"},
        {"save to file, nothing loaded", Situation::SaveToFileUnloaded, ShownBox::Warning,
         QStringLiteral(u"Сначала нужно открыть файл прошивки!"), "Open .asm file first!"},
        {"save to table, empty angle", Situation::SaveToTableEmptyAngle, ShownBox::Warning,
         QStringLiteral(u"Заполните углы таблицы"), "Write all angle data"},
        {"save to file, empty angle", Situation::SaveToFileEmptyAngle, ShownBox::Warning,
         QStringLiteral(u"Заполните углы таблицы"), "Write all angle data"},
        {"angle too far below", Situation::AngleTooFarBelow, ShownBox::Warning,
         QStringLiteral(u"Превышен предел 125° ниже датчика"),
         QStringLiteral(u"Over range 125° below the sensor")},
        {"angle too far above", Situation::AngleTooFarAbove, ShownBox::Warning,
         QStringLiteral(u"Превышен предел 52° выше датчика"),
         QStringLiteral(u"Over range 52° above the sensor")},
        {"missing data", Situation::MissingData, ShownBox::Warning,
         QStringLiteral(u"Не найден параметр, проверьте версию файла CDI.ASM"),
         "Missing data, check CDI.ASM file version"},
        {"file missing", Situation::FileMissing, ShownBox::Error,
         QStringLiteral(u"Ошибка доступа к файлу %1"), "No file found %1"},
        {"rpm too low", Situation::RpmTooLow, ShownBox::Warning,
         QStringLiteral(u"Обороты не ниже холостых, 460/мин"), "RPM not lower 460/min"},
        {"rpm too high", Situation::RpmTooHigh, ShownBox::Warning,
         QStringLiteral(u"Превышены обороты 20000/мин"), "RPM over range 20000/min"},
        {"help missing", Situation::HelpMissing, ShownBox::Warning,
         QStringLiteral(u"Куда все подевалось? Файла справки нет в папке программы. Ищите на ") +
             kAddress,
         "Help file not found, reload on " + kAddress},
        {"not a number", Situation::NotANumber, ShownBox::Error,
         "'1.2.3' is not a valid floating point value.",
         "'1.2.3' is not a valid floating point value."},
        {"table box emptied", Situation::TableBoxEmptied, ShownBox::Error,
         "'' is not a valid integer value.", "'' is not a valid integer value."},
        {"sensor angle emptied, then a table chosen", Situation::SensorAngleEmptiedThenTableChosen,
         ShownBox::Error, "'' is not a valid integer value.", "'' is not a valid integer value."},
    };
    for (const Row &row : rows) {
        QTest::addRow("%s, Russian", row.name)
            << row.situation << 0 << int(row.kind) << row.russian;
        QTest::addRow("%s, English", row.name)
            << row.situation << 1 << int(row.kind) << row.english;
    }
}

// Brings the window into the situation and runs the handler that reports it.
static void trigger(Window &w, const QTemporaryDir &dir, Situation situation)
{
    const auto loadSample = [&] {
        w.load(writeFile(dir, "CDI.asm", sampleBytes()));
        QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    };
    switch (situation) {
    case Situation::SaveToTableUnloaded:
    case Situation::SaveToFileUnloaded:
        // A full angle column does not make up for the missing source.
        for (int row = 1; row <= 32; ++row)
            w.form.grid().setCell(4, row, QStringLiteral("20"));
        if (situation == Situation::SaveToTableUnloaded)
            w.form.Button2Click();
        else
            w.form.Button5Click();
        return;
    case Situation::SaveToTableEmptyAngle:
        loadSample();
        w.form.grid().setCell(4, 17, QString());
        w.form.Button2Click();
        return;
    case Situation::SaveToFileEmptyAngle:
        loadSample();
        w.form.grid().setCell(4, 32, QString());
        w.form.Button5Click();
        return;
    case Situation::AngleTooFarBelow:
        loadSample();
        w.form.grid().setCell(4, 3, QStringLiteral("-105.7"));
        w.form.Button2Click();
        return;
    case Situation::AngleTooFarAbove:
        loadSample();
        w.form.grid().setCell(4, 3, QStringLiteral("72.2"));
        w.form.Button2Click();
        return;
    case Situation::MissingData:
        w.load(writeFile(dir, "CDI.asm", replacedOnce(sampleBytes(), u"ldi R23,", u"ldi R22,")));
        return;
    case Situation::FileMissing:
        w.load(dir.filePath(QStringLiteral("Missing.asm")));
        return;
    case Situation::RpmTooLow:
        loadSample();
        w.form.grid().setCell(0, 12, QStringLiteral("459"));
        w.form.Button5Click();
        return;
    case Situation::RpmTooHigh:
        loadSample();
        w.form.grid().setCell(0, 12, QStringLiteral("20001"));
        w.form.Button5Click();
        return;
    case Situation::HelpMissing:
        w.form.Button3Click();
        return;
    case Situation::NotANumber:
        loadSample();
        w.form.grid().setCell(4, 9, QStringLiteral("1.2.3"));
        w.form.Button2Click();
        return;
    case Situation::TableBoxEmptied:
        // As the Delete key does, which the box's key filter does not see.
        loadSample();
        w.form.ComboBox2->lineEdit()->clear();
        return;
    case Situation::SensorAngleEmptiedThenTableChosen:
        // The emptied sensor angle itself recomputes nothing; the table change then needs it.
        loadSample();
        w.form.ComboBox1->lineEdit()->clear();
        QCOMPARE(w.platform.boxes, QList<ShownBox>());
        w.form.ComboBox2->setCurrentIndex(1);
        return;
    }
}

void TestMessages::eachSituationShowsItsBox()
{
    QFETCH(Situation, situation);
    QFETCH(int, language);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QTemporaryDir dir;
    // No help file in the current folder nor beside the program.
    const CurrentFolderGuard inEmptyFolder(dir.path());
    Window w;
    if (language == 1)
        w.form.Button7Click();
    trigger(w, dir, situation);
    if (QTest::currentTestFailed())
        return;
    const QString expected = text.contains(QLatin1String("%1"))
                                 ? text.arg(dir.filePath(QStringLiteral("Missing.asm")))
                                 : text;
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({{ShownBox::Kind(kind), expected}}));
}

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
