// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "Прошить МК" / "Program chip" from the window, and Qt's own texts in the window's language.
#include "apptestsupport.h"
#include "session/texts.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSettings>
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
    void currentHexGoesToTheChosenProgrammer();
    void missingHexOffersToCompileFirst();
    void olderHexOffersToCompileOrProgramItAsItIs();
    void unsavedEditsAreSavedAndCompiledFirst();
    void qtButtonsFollowTheLanguage();
    void dialogOffersAvrdudesProgrammers();

private:
    QTemporaryDir m_settings;
};

namespace {

// The terminal command's layout: -e bash -c <script> bash <folder> <n> <hex> <4 texts>, then
// n words of the assembler's command, then avrdude's.
constexpr int kAssemblerWordCount = 6;
constexpr int kFirstToolWord = 12;

QStringList assemblerWords(const DetachedCommand &command)
{
    const int count = command.arguments.value(kAssemblerWordCount).toInt();
    return command.arguments.mid(kFirstToolWord, count);
}

QStringList questionTexts(const FakePlatform &platform)
{
    QStringList texts;
    for (const Question &question : platform.questions)
        texts << question.text + QLatin1String(" [") + question.answers.join(QLatin1Char('|')) +
                     QLatin1Char(']');
    return texts;
}

QStringList avrdudeWords(const DetachedCommand &command)
{
    const int count = command.arguments.value(kAssemblerWordCount).toInt();
    return command.arguments.mid(kFirstToolWord + count);
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
    l.w.platform.missingPrograms = {QStringLiteral("x-terminal-emulator"), QStringLiteral("xterm")};
    l.w.form.Button7Click();
    l.w.form.ProgramChipClick();
    const QList<ShownBox> boxes = l.w.platform.takeBoxes();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.first(), (ShownBox{ShownBox::Warning,
                                      QStringLiteral(u"Программа avrdude не найдена. "
                                                     u"Установите её: sudo apt install avrdude")}));
    QCOMPARE(boxes.last(), (ShownBox{ShownBox::Warning, message(MessageId::NoTerminal, 1)}));
    QCOMPARE(l.w.platform.commandsStarted.size(), 0);
    QCOMPARE(l.w.platform.programmerDialogsShown.size(), 0);
}

void TestProgramChip::currentHexGoesToTheChosenProgrammer()
{
    Loaded l;
    writeFile(l.hex, ":00000001FF\n");
    l.w.platform.programmerAnswers = {
        ProgrammerChoice{QStringLiteral("avrisp"), QStringLiteral("/dev/ttyUSB0")}, std::nullopt};
    l.w.form.ProgramChipClick();
    QCOMPARE(l.w.platform.questions.size(), 0);
    QCOMPARE(l.w.platform.commandsStarted.size(), 1);
    const DetachedCommand command = l.w.platform.commandsStarted.constFirst();
    QCOMPARE(command.workingDirectory, l.dir.filePath(QStringLiteral("my fw")));
    QCOMPARE(assemblerWords(command), QStringList());
    QCOMPARE(avrdudeWords(command), QStringList({"avrdude", "-p", "m8", "-c", "avrisp", "-P",
                                                 "/dev/ttyUSB0", "-U", "flash:w:" + l.hex + ":i"}));

    // The next time the dialog starts from that choice; cancelled, nothing starts.
    l.w.form.ProgramChipClick();
    QCOMPARE(l.w.platform.programmerDialogsShown,
             (QList<ProgrammerChoice>{{QStringLiteral("usbasp"), QString()},
                                      {QStringLiteral("avrisp"), QStringLiteral("/dev/ttyUSB0")}}));
    QCOMPARE(l.w.platform.commandsStarted.size(), 1);
    QCOMPARE(l.w.platform.takeBoxes(), QList<ShownBox>());
}

void TestProgramChip::missingHexOffersToCompileFirst()
{
    Loaded l;
    const QString question = QStringLiteral(u"Файла прошивки CDI.hex нет рядом с исходником. "
                                            u"Скомпилировать исходник и затем прошить МК? "
                                            u"[Компилировать и прошить|Отмена]");
    l.w.platform.questionAnswers = {1, 0};
    l.w.form.ProgramChipClick();
    QCOMPARE(l.w.platform.commandsStarted.size(), 0);
    QCOMPARE(l.w.platform.programmerDialogsShown.size(), 0);

    l.w.platform.programmerAnswers = {ProgrammerChoice{}};
    l.w.form.ProgramChipClick();
    QCOMPARE(questionTexts(l.w.platform), QStringList({question, question}));
    QCOMPARE(l.w.platform.commandsStarted.size(), 1);
    const DetachedCommand command = l.w.platform.commandsStarted.constFirst();
    QCOMPARE(assemblerWords(command), QStringList({"avra", "CDI.asm"}));
    QCOMPARE(avrdudeWords(command),
             QStringList({"avrdude", "-p", "m8", "-c", "usbasp", "-U", "flash:w:" + l.hex + ":i"}));
}

void TestProgramChip::olderHexOffersToCompileOrProgramItAsItIs()
{
    Loaded l;
    writeFile(l.hex, ":00000001FF\n");
    setModified(l.hex, QDateTime::currentDateTime().addSecs(-120));
    l.w.form.Button7Click();
    l.w.platform.questionAnswers = {1, 2};
    l.w.platform.programmerAnswers = {ProgrammerChoice{}};
    l.w.form.ProgramChipClick();
    l.w.form.ProgramChipClick();
    const QString question = QStringLiteral(
        "The firmware file CDI.hex is older than the source: the last changes are not in it. "
        "Compile the source before programming? "
        "[Compile and program|Program the file as it is|Cancel]");
    QCOMPARE(questionTexts(l.w.platform), QStringList({question, question}));
    QCOMPARE(l.w.platform.commandsStarted.size(), 1);
    QCOMPARE(assemblerWords(l.w.platform.commandsStarted.constFirst()), QStringList());
    QCOMPARE(l.w.platform.unexpectedDialogs, 0);
}

void TestProgramChip::unsavedEditsAreSavedAndCompiledFirst()
{
    Loaded l;
    writeFile(l.hex, ":00000001FF\n");
    l.w.form.grid().setCell(4, 5, QStringLiteral("5"));
    QVERIFY(l.w.form.hasUnsavedChanges());
    l.w.platform.questionAnswers = {0};
    l.w.platform.programmerAnswers = {ProgrammerChoice{}};
    l.w.form.ProgramChipClick();
    QCOMPARE(l.w.platform.questions.size(), 1);
    QCOMPARE(l.w.platform.questions.constFirst().answers.constFirst(),
             QStringLiteral(u"Сохранить и компилировать"));
    QVERIFY(readFile(l.source) != sampleBytes());
    QVERIFY(!l.w.form.hasUnsavedChanges());
    QCOMPARE(l.w.platform.commandsStarted.size(), 1);
    QCOMPARE(assemblerWords(l.w.platform.commandsStarted.constFirst()),
             QStringList({"avra", "CDI.asm"}));
    QCOMPARE(l.w.platform.takeBoxes(), QList<ShownBox>());
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
