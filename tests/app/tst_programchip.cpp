// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "Прошить МК" / "Program chip" and "Прочитать МК" / "Read chip" from the window with the real
// avra and avrdude against our programmer emulator, a HEX shown read-only, and Qt's own texts
// in the window's language.
#include "app/editcommands.h"
#include "app/gridview.h"
#include "apptestsupport.h"
#include "bench/intelhex.h"
#include "chart/chartseries.h"
#include "flash/stk500emulator.h"
#include "session/texts.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestProgramChip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void nothingLoadedSaysSo();
    void missingToolsSaySo();
    void olderHexOffersToCompileOrProgramItAsItIs();
    void staleHexIsStoppedThenCompiledCopiedAndVerified();
    void anotherChipAndAFailedVerifyAreErrors();
    void unreadableChipAsksAndCancelStopsAvrdude();
    void readChipComparesAndAHexIsReadOnly();
    void qtButtonsFollowTheLanguage();
    void dialogOffersAvrdudesProgrammers();

private:
    QTemporaryDir m_settings;
};

namespace {

QStringList questionTexts(const FakePlatform &platform)
{
    QStringList texts;
    for (const Question &question : platform.questions)
        texts << question.text + QLatin1String(" [") + question.answers.join(QLatin1Char('|')) +
                     QLatin1Char(']');
    return texts;
}

void setModified(const QString &path, const QDateTime &when)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
}

// The sample loaded from a folder with a blank in its name, and the HEX path beside it.
struct Loaded
{
    QTemporaryDir dir;
    QString source;
    QString hex;
    Window w;

    Loaded()
    {
        // As on a Debian machine: avra, no avrasm2.
        w.platform.missingPrograms = {QStringLiteral("avrasm2")};
        QDir(dir.path()).mkdir(QStringLiteral("my fw"));
        source = writeFile(dir.filePath(QStringLiteral("my fw/CDI.asm")), sampleBytes());
        hex = dir.filePath(QStringLiteral("my fw/CDI.hex"));
        setModified(source, QDateTime::currentDateTime().addSecs(-60));
        w.load(source);
    }
};

// The sample with table 1, row 5 one code later, assembled by avra: its HEX's bytes.
QByteArray otherImage()
{
    QTemporaryDir dir;
    QByteArray source = sampleBytes();
    // Table 1, row 5 is the only code 7 of the sample.
    if (source.count("ldi R16, 7\t") != 1)
        qFatal("the sample's table 1, row 5 is no longer the only code 7");
    source.replace("ldi R16, 7\t", "ldi R16, 8\t");
    writeFile(dir.filePath(QStringLiteral("CDI.asm")), source);
    QProcess avra;
    avra.setWorkingDirectory(dir.path());
    avra.start(QStringLiteral("avra"), {QStringLiteral("CDI.asm")});
    if (!avra.waitForFinished(60000) || avra.exitCode() != 0)
        qFatal("avra failed");
    return readFile(dir.filePath(QStringLiteral("CDI.hex")));
}

QByteArray flashOf(const QByteArray &hex)
{
    FlashImage image = parseIntelHex(hex.toStdString());
    while (!image.bytes.empty() && image.bytes.back() == 0xFF)
        image.bytes.pop_back();
    return QByteArray(reinterpret_cast<const char *>(image.bytes.data()),
                      qsizetype(image.bytes.size()));
}

QStringList chipCopies(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("CDI-chip-*.hex")}, QDir::Files);
}

} // namespace

void TestProgramChip::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestProgramChip::init()
{
    QSettings().clear();
}

void TestProgramChip::nothingLoadedSaysSo()
{
    Window w;
    w.form.ProgramChipClick();
    w.form.Button7Click();
    w.form.ProgramChipClick();
    QCOMPARE(
        w.platform.takeBoxes(),
        (QList<ShownBox>{
            {ShownBox::Warning, QStringLiteral(u"Сначала откройте исходник прошивки кнопкой "
                                               u"«Файл» и скомпилируйте его.")},
            {ShownBox::Warning,
             QStringLiteral("Open the firmware source with \"File\" and compile it first.")}}));
    QCOMPARE(w.platform.commandsStarted.size(), 0);
    QCOMPARE(w.platform.programmerDialogsShown.size(), 0);
}

void TestProgramChip::missingToolsSaySo()
{
    Loaded l;
    writeFile(l.hex, ":00000001FF\n");
    l.w.platform.missingPrograms << QStringLiteral("avrdude");
    l.w.form.ProgramChipClick();
    l.w.form.ReadChipClick();
    const QString missing =
        QStringLiteral(u"Программа avrdude не найдена. Установите её: sudo apt install avrdude");
    QCOMPARE(l.w.platform.takeBoxes(),
             (QList<ShownBox>{{ShownBox::Warning, missing}, {ShownBox::Warning, missing}}));
    QCOMPARE(l.w.platform.programmerDialogsShown.size(), 0);
}

// Today's date check stays; a HEX of no known layout is then stopped by the image check, Cancel
// being the default.
void TestProgramChip::olderHexOffersToCompileOrProgramItAsItIs()
{
    Loaded l;
    writeFile(l.hex, ":00000001FF\n");
    setModified(l.hex, QDateTime::currentDateTime().addSecs(-120));
    l.w.form.Button7Click();
    l.w.platform.questionAnswers = {2, 1, 2};
    l.w.form.ProgramChipClick();
    l.w.form.ProgramChipClick();
    const QString older = QStringLiteral(
        "The firmware file CDI.hex is older than the source: the last changes are not in it. "
        "Compile the source before programming? "
        "[Compile and program|Program the file as it is|Cancel]");
    QCOMPARE(questionTexts(l.w.platform),
             QStringList({older, older,
                          "The firmware file CDI.hex does not hold the tables in the window:\nThe "
                          "file is not an Intel HEX image: no data records\n\nProgram it anyway? "
                          "[Save, compile and program|Program anyway|Cancel]"}));
    QCOMPARE(l.w.platform.questions.last().defaultAnswer, 2);
    QCOMPARE(l.w.platform.questions.last().escapeAnswer, 2);
    QCOMPARE(l.w.platform.programmerDialogsShown.size(), 0);
    QCOMPARE(l.w.platform.unexpectedDialogs, 0);
}

// A HEX built from another source is stopped with what differs; "Save, compile and program"
// builds it anew, keeps a copy of the chip beside the source, writes and reads it back.
void TestProgramChip::staleHexIsStoppedThenCompiledCopiedAndVerified()
{
    Loaded l;
    const QByteArray other = otherImage();
    writeFile(l.hex, other);
    QTemporaryDir chipDir;
    const QString written = chipDir.filePath(QStringLiteral("written"));
    Stk500Emulator chip(chipDir, {"--flash", l.hex, "--dump", written});
    QSignalSpy notes(&l.w.form, &TForm1::chipNote);

    l.w.platform.questionAnswers = {2};
    l.w.form.ProgramChipClick();
    QCOMPARE(questionTexts(l.w.platform),
             QStringList{QStringLiteral(u"Файл прошивки CDI.hex не совпадает с таблицами в окне:\n"
                                        u"отличий: 1\nтаблица 1, строка 5: код 7 в исходнике, 8 в "
                                        u"образе\n\nПрошить его всё равно? [Сохранить, "
                                        u"компилировать и прошить|Прошить всё равно|Отмена]")});
    QCOMPARE(l.w.platform.programmerDialogsShown.size(), 0);
    QVERIFY(!QFile::exists(written));

    l.w.platform.questionAnswers = {0};
    l.w.platform.programmerAnswers = {ProgrammerChoice{QStringLiteral("arduino"), chip.port()}};
    l.w.form.ProgramChipClick();
    QCOMPARE(l.w.platform.takeBoxes(), QList<ShownBox>());
    QVERIFY(flashOf(readFile(l.hex)) != flashOf(other));
    const QString folder = l.dir.filePath(QStringLiteral("my fw"));
    const QStringList copies = chipCopies(folder);
    QCOMPARE(copies.size(), 1);
    const QString copy = folder + QLatin1Char('/') + copies.first();
    QCOMPARE(flashOf(readFile(copy)), flashOf(other));
    QCOMPARE(notes.size(), 1);
    QCOMPARE(notes.first().at(0).toString(),
             QStringLiteral(u"Копия прошивки МК до записи: %1. МК прошит и проверен: в нём таблицы "
                            u"и настройки CDI.asm.")
                 .arg(copy));
    QVERIFY(QFile::exists(written));
}

// Another chip is refused before anything is written, naming its signature; a bad cell fails
// avrdude's verify, and that is an error, never a success.
void TestProgramChip::anotherChipAndAFailedVerifyAreErrors()
{
    Loaded l;
    l.w.platform.questionAnswers = {0};
    l.w.platform.programmerAnswers = {ProgrammerChoice{QStringLiteral("arduino"), QString()}};
    QTemporaryDir chipDir;
    const QString written = chipDir.filePath(QStringLiteral("written"));
    QSignalSpy notes(&l.w.form, &TForm1::chipNote);
    l.w.form.Button7Click();
    {
        Stk500Emulator chip(chipDir, {"--signature", "1e9587", "--dump", written});
        l.w.platform.programmerAnswers = {ProgrammerChoice{QStringLiteral("arduino"), chip.port()}};
        l.w.form.ProgramChipClick(); // no HEX yet: compiled first
        const QList<ShownBox> boxes = l.w.platform.takeBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first().kind, ShownBox::Error);
        QVERIFY2(boxes.first().text.startsWith(
                     QStringLiteral("This is no ATmega8: the chip's signature is 1E 95 87 (an "
                                    "ATmega8's is 1E 93 07). Nothing was written to it.")),
                 qPrintable(boxes.first().text));
        QVERIFY(!QFile::exists(written));
    }
    Stk500Emulator chip(chipDir, {"--flip", "0x40"});
    l.w.platform.programmerAnswers = {ProgrammerChoice{QStringLiteral("arduino"), chip.port()}};
    l.w.form.ProgramChipClick();
    const QList<ShownBox> boxes = l.w.platform.takeBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().kind, ShownBox::Error);
    QVERIFY2(boxes.first().text.startsWith(QStringLiteral("VERIFY FAILED")),
             qPrintable(boxes.first().text));
    QVERIFY(boxes.first().text.contains(QStringLiteral("at addr 0x0040")));
    // The status bar says each time that the chip was not programmed, and why.
    QCOMPARE(notes.size(), 2);
    const QRegularExpression notProgrammed(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d: the chip was not programmed: (.*)$"));
    QCOMPARE(notProgrammed.match(notes[0].at(1).toString()).captured(1),
             QStringLiteral("This is no ATmega8: the chip's signature is 1E 95 87 (an ATmega8's "
                            "is 1E 93 07). Nothing was written to it."));
    QVERIFY(notProgrammed.match(notes[1].at(1).toString())
                .captured(1)
                .startsWith(QStringLiteral("VERIFY FAILED")));
    QVERIFY(notes[1].at(0).toString().contains(QStringLiteral(u": МК не прошит: ")));
}

// A chip that cannot be read before the write: the user is asked, Cancel leaves the chip as it
// was, "Program without a copy" writes it. A programmer that hangs: the progress box's Cancel
// stops avrdude long before it would give up, and says what was written, never a success.
void TestProgramChip::unreadableChipAsksAndCancelStopsAvrdude()
{
    Loaded l;
    l.w.form.Button7Click();
    QTemporaryDir chipDir;
    const QString written = chipDir.filePath(QStringLiteral("written"));
    const QString folder = l.dir.filePath(QStringLiteral("my fw"));
    QSignalSpy notes(&l.w.form, &TForm1::chipNote);
    {
        Stk500Emulator chip(chipDir, {"--unreadable", "2", "--dump", written});
        const ProgrammerChoice choice{QStringLiteral("arduino"), chip.port()};
        l.w.platform.programmerAnswers = {choice, choice};
        l.w.platform.questionAnswers = {0, 1, 0}; // compile; Cancel; program without a copy
        l.w.form.ProgramChipClick();
        QVERIFY(!QFile::exists(written));
        l.w.form.ProgramChipClick();
        const QStringList asked = questionTexts(l.w.platform);
        QCOMPARE(asked.size(), 3);
        QVERIFY2(asked[1].startsWith(QStringLiteral(
                     "The chip could not be read before the write, so there will be no copy")),
                 qPrintable(asked[1]));
        QVERIFY(asked[1].contains(QStringLiteral("protocol expects sync byte")));
        QVERIFY(asked[1].endsWith(QStringLiteral("[Program without a copy|Cancel]")));
        QCOMPARE(asked[2], asked[1]);
        QCOMPARE(l.w.platform.questions[1].defaultAnswer, 1);
        QCOMPARE(l.w.platform.takeBoxes(), QList<ShownBox>());
        QVERIFY(QFile::exists(written));
        QVERIFY(chipCopies(folder).isEmpty());
        QCOMPARE(notes.size(), 1);
        QCOMPARE(notes.takeFirst().at(1).toString(),
                 QStringLiteral("The chip is programmed and verified: it holds the tables and "
                                "settings of CDI.asm."));
    }
    // Cancel pressed in the progress box while avrdude waits for a silent programmer.
    const auto cancelAfter = [](int ms, QString *label) {
        QTimer::singleShot(ms, [label] {
            auto *progress = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            QVERIFY(progress);
            QCOMPARE(progress->objectName(), QStringLiteral("chipProgress"));
            *label = progress->labelText();
            progress->findChild<QPushButton *>()->click();
        });
    };
    QString label;
    QElapsedTimer clock;
    for (const auto &[option, expected] :
         {std::pair{"--mute-after",
                    QStringLiteral("Cancelled: avrdude was stopped, nothing was written to the "
                                   "chip.")},
          std::pair{"--mute-writing",
                    QStringLiteral("Cancelled while writing: the chip was already erased and is "
                                   "written only in part. Program it again before it goes back "
                                   "on the engine.")}}) {
        QStringList options{QString::fromLatin1(option)};
        if (options.first() == QStringLiteral("--mute-after"))
            options << QStringLiteral("10");
        Stk500Emulator chip(chipDir, options);
        l.w.platform.programmerAnswers = {ProgrammerChoice{QStringLiteral("arduino"), chip.port()}};
        cancelAfter(options.size() == 2 ? 1500 : 2500, &label);
        clock.start();
        l.w.form.ProgramChipClick();
        QVERIFY(clock.elapsed() < 10000); // the silent programmer alone takes 16 s
        QCOMPARE(l.w.platform.takeBoxes(), (QList<ShownBox>{{ShownBox::Warning, expected}}));
        QVERIFY2(label.startsWith(QStringLiteral("avrdude is working on the chip…\n")),
                 qPrintable(label));
        // While it writes, the box names the HEX and that the programmer answered the copy's
        // read.
        if (options.first() == QStringLiteral("--mute-writing"))
            QVERIFY2(label.contains(QStringLiteral("…\nWriting %1\nThe programmer answered, chip "
                                                   "signature 1E 93 07\n")
                                        .arg(l.hex)),
                     qPrintable(label));
        QCOMPARE(notes.size(), 1);
        QVERIFY2(notes.takeFirst().at(1).toString().contains(
                     QStringLiteral(": the chip was not programmed: Cancelled")),
                 qPrintable(label));
    }
    // The copy of the second run was kept; the first one's was removed.
    QCOMPARE(chipCopies(folder).size(), 1);
}

// "Read chip" opens the chip's image as the comparison, its differing row marked; the image
// opened with "File" is shown read-only, and compares with the source the other way round.
void TestProgramChip::readChipComparesAndAHexIsReadOnly()
{
    Loaded l;
    QTemporaryDir chipDir;
    const QString otherHex = chipDir.filePath(QStringLiteral("other.hex"));
    writeFile(otherHex, otherImage());
    Stk500Emulator chip(chipDir, {"--flash", otherHex});
    l.w.platform.programmerAnswers = {ProgrammerChoice{QStringLiteral("arduino"), chip.port()}};
    QSignalSpy notes(&l.w.form, &TForm1::chipNote);
    l.w.form.ReadChipClick();
    QCOMPARE(l.w.platform.takeBoxes(), QList<ShownBox>());
    const QString folder = l.dir.filePath(QStringLiteral("my fw"));
    const QStringList copies = chipCopies(folder);
    QCOMPARE(copies.size(), 1);
    const QString read = folder + QLatin1Char('/') + copies.first();
    QCOMPARE(notes.size(), 1);
    QCOMPARE(notes.first().at(1).toString(),
             QStringLiteral("The chip's firmware was read and saved in ") + read);
    QVERIFY(l.w.form.commands().comparing());
    QCOMPARE(l.w.form.commands().comparisonSeries().count(), 32);
    QCOMPARE(l.w.form.StringGrid1->boldRows(), QList<int>{5});

    // The image as the document: the codes it holds, nothing editable or saved.
    const QByteArray bytes = readFile(read);
    l.w.load(read);
    QVERIFY(l.w.form.document().image);
    QCOMPARE(l.w.form.document().cell(1, 5), QStringLiteral("8"));
    QCOMPARE(l.w.form.document().cell(4, 5), QStringLiteral("14.4"));
    QVERIFY(!l.w.form.grid().flags(l.w.form.grid().index(4, 4)).testFlag(Qt::ItemIsEditable));
    QVERIFY(!l.w.form.Button5->isEnabled());
    QVERIFY(l.w.form.windowTitle().endsWith(QStringLiteral(u" — образ МК, только просмотр")));
    QVERIFY(!l.w.form.saveToFile());
    QCOMPARE(l.w.platform.takeBoxes(),
             (QList<ShownBox>{
                 {ShownBox::Warning, QStringLiteral(u"Открыт образ прошивки (HEX): он только для "
                                                    u"просмотра и сравнения. Чтобы менять таблицы, "
                                                    u"откройте исходник .asm.")}}));
    QCOMPARE(readFile(read), bytes);
    QVERIFY(l.w.form.commands().compareWith(l.source));
    QCOMPARE(l.w.form.StringGrid1->boldRows(), QList<int>{5});
}

void TestProgramChip::qtButtonsFollowTheLanguage()
{
    Window w;
    const auto cancelText = [] {
        const QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
        return box.button(QDialogButtonBox::Cancel)->text() + QLatin1Char('|') +
               box.button(QDialogButtonBox::Yes)->text();
    };
    QCOMPARE(cancelText(), QStringLiteral(u"Отмена|&Да"));
    w.form.Button7Click();
    QCOMPARE(cancelText(), QStringLiteral("Cancel|&Yes"));
    w.form.Button7Click();
    QCOMPARE(cancelText(), QStringLiteral(u"Отмена|&Да"));
}

// The real dialog: the programmers avrdude lists, the remembered choice first; an entry of the
// list and a typed id both give the id alone.
void TestProgramChip::dialogOffersAvrdudesProgrammers()
{
    QtPlatform desktop;
    QStringList shown;
    const auto answerWith = [&](const QString &programmer, const QString &port, bool accept) {
        QTimer::singleShot(0, [&shown, programmer, port, accept] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *programmers = dialog->findChild<QComboBox *>(QStringLiteral("programmer"));
            auto *ports = dialog->findChild<QComboBox *>(QStringLiteral("port"));
            shown << dialog->windowTitle() << programmers->currentText() << ports->currentText();
            const int entry = programmers->findData(programmer);
            if (entry >= 0)
                programmers->setCurrentIndex(entry);
            else
                programmers->setEditText(programmer);
            ports->setEditText(port);
            accept ? dialog->accept() : dialog->reject();
        });
    };
    answerWith(QStringLiteral("avrisp"), QStringLiteral(" /dev/ttyACM0 "), true);
    QCOMPARE(
        desktop.chooseProgrammer(nullptr, {QStringLiteral("usbasp"), QStringLiteral("usb")}, 1),
        (std::optional<ProgrammerChoice>{{"avrisp", "/dev/ttyACM0"}}));
    answerWith(QStringLiteral(" stk500v2 "), QString(), true);
    QCOMPARE(desktop.chooseProgrammer(nullptr, {QStringLiteral("my-own"), QString()}, 0),
             (std::optional<ProgrammerChoice>{{"stk500v2", ""}}));
    answerWith(QStringLiteral("usbtiny"), QString(), false);
    QCOMPARE(desktop.chooseProgrammer(nullptr, {}, 0), std::optional<ProgrammerChoice>());
    QCOMPARE(shown, QStringList({"Program chip", "usbasp — USBasp, http://www.fischl.de/usbasp/",
                                 "usb", u"Прошить МК"_qs, "my-own", "", u"Прошить МК"_qs,
                                 "usbasp — USBasp, http://www.fischl.de/usbasp/", ""}));
}

QTEST_MAIN(TestProgramChip)
#include "tst_programchip.moc"
