// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/commandtexts.h"

#include "domain/language.h"

#include <QFileInfo>

namespace {

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

SaveAnswer askSaveChanges(Platform &platform, QWidget *owner, unsigned char language,
                          const QString &path)
{
    Question question;
    question.text = inLanguage(language, u"Сохранить изменения в %1?", u"Save changes to %1?")
                        .arg(fileName(path));
    question.answers = {inLanguage(language, u"Сохранить", u"Save"),
                        inLanguage(language, u"Не сохранять", u"Discard"),
                        inLanguage(language, u"Отмена", u"Cancel")};
    question.escapeAnswer = 2;
    switch (platform.choose(owner, question)) {
    case 0:
        return SaveAnswer::Save;
    case 1:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

CompileAnswer askCompileUnsaved(Platform &platform, QWidget *owner, unsigned char language,
                                const QString &path)
{
    Question question;
    question.text =
        inLanguage(language,
                   u"Изменения не сохранены в %1. Ассемблер соберёт файл таким, "
                   u"какой он сейчас на диске.",
                   u"The changes are not saved to %1. The assembler builds the file as it "
                   u"is on disk now.")
            .arg(fileName(path));
    question.answers = {
        inLanguage(language, u"Сохранить и компилировать", u"Save and compile"),
        inLanguage(language, u"Компилировать файл с диска", u"Compile file on disk"),
        inLanguage(language, u"Отмена", u"Cancel")};
    question.escapeAnswer = 2;
    switch (platform.choose(owner, question)) {
    case 0:
        return CompileAnswer::SaveAndCompile;
    case 1:
        return CompileAnswer::CompileOnDisk;
    default:
        return CompileAnswer::Cancel;
    }
}

QString chipText(ChipText id, unsigned char language)
{
    switch (id) {
    case ChipText::ReadOnlyTitle:
        return inLanguage(language, u" — образ МК, только просмотр",
                          u" — firmware image, read-only");
    case ChipText::ReadOnlyStatus:
        return inLanguage(language, u"только просмотр", u"read-only");
    case ChipText::ImageNotEditable:
        return inLanguage(language,
                          u"Открыт образ прошивки (HEX): он только для просмотра и сравнения. "
                          u"Чтобы менять таблицы, откройте исходник .asm.",
                          u"A firmware image (HEX) is open: it is for viewing and comparing "
                          u"only. To change the tables, open the .asm source.");
    case ChipText::ImageDiffers:
        return inLanguage(language,
                          u"Файл прошивки %1 не совпадает с таблицами в окне:\n%2\n\nПрошить "
                          u"его всё равно?",
                          u"The firmware file %1 does not hold the tables in the window:\n%2\n\n"
                          u"Program it anyway?");
    case ChipText::SaveCompileProgram:
        return inLanguage(language, u"Сохранить, компилировать и прошить",
                          u"Save, compile and program");
    case ChipText::ProgramAnyway:
        return inLanguage(language, u"Прошить всё равно", u"Program anyway");
    case ChipText::Cancel:
        return inLanguage(language, u"Отмена", u"Cancel");
    case ChipText::NoCopy:
        return inLanguage(language,
                          u"Прочитать МК перед записью не удалось, копии его прошивки не будет:\n"
                          u"%1\n\nПрошить без копии?",
                          u"The chip could not be read before the write, so there will be no copy "
                          u"of what it holds:\n%1\n\nProgram it without a copy?");
    case ChipText::ProgramWithoutCopy:
        return inLanguage(language, u"Прошить без копии", u"Program without a copy");
    case ChipText::CopyKept:
        return inLanguage(language, u"Копия прошивки МК до записи: %1",
                          u"The chip's firmware before the write was kept in %1");
    case ChipText::ChipHolds:
        return inLanguage(language, u"МК прошит и проверен: в нём таблицы и настройки %1.",
                          u"The chip is programmed and verified: it holds the tables and "
                          u"settings of %1.");
    case ChipText::ChipDiffers:
        return inLanguage(language, u"МК прошит, но его таблицы отличаются от %1:\n%2",
                          u"The chip was programmed, but its tables differ from %1:\n%2");
    case ChipText::ChipUnreadable:
        return inLanguage(language, u"Таблицы в МК не прочитать: %1",
                          u"The tables on the chip cannot be read: %1");
    case ChipText::ChipRead:
        return inLanguage(language, u"Прошивка МК прочитана и сохранена: %1",
                          u"The chip's firmware was read and saved in %1");
    case ChipText::AssemblerFailed:
        return inLanguage(language, u"ОШИБКА АССЕМБЛЕРА, МК не прошивался.\n%1",
                          u"ASSEMBLER FAILED, the chip was not touched.\n%1");
    case ChipText::UnsafeValue:
        return inLanguage(language,
                          u"Значение %1 начинается с «-»: avrdude принял бы его за параметр.",
                          u"The value %1 starts with '-': avrdude would take it for an option.");
    case ChipText::Busy:
        return inLanguage(language, u"avrdude работает с МК…", u"avrdude is working on the chip…");
    }
    return {};
}

UnavailableTexts timingCheckUnavailable()
{
    return {QStringLiteral(u"Нет в этой сборке: она собрана без библиотеки симулятора "
                           u"libsimavr."),
            QStringLiteral("Not in this build: it was built without the simulator library "
                           "libsimavr.")};
}

UnavailableTexts chipProgrammingUnavailable()
{
    return {QStringLiteral(u"Нет в версии для Windows: прошейте МК программой avrdude из "
                           u"командной строки, файл HEX лежит рядом с исходником."),
            QStringLiteral("Not in the Windows version: program the chip with avrdude from a "
                           "command prompt; the HEX file is beside the source.")};
}

QString windowText(WindowText id, unsigned char language)
{
    switch (id) {
    case WindowText::CompileStarted:
        return inLanguage(language, u"%1: %2 компилируется в окне терминала…",
                          u"%1: %2 is being assembled in a terminal window…");
    case WindowText::CompileSucceeded:
        return inLanguage(language, u"%1: ассемблер завершился без ошибок, собран %2",
                          u"%1: the assembler succeeded, %2 built");
    case WindowText::CompileFailed:
        return inLanguage(language, u"%1: ОШИБКА АССЕМБЛЕРА (код %2), %3 не собран",
                          u"%1: ASSEMBLER FAILED (exit status %2), %3 not built");
    case WindowText::CompileNoHex:
        return inLanguage(language, u"%1: ассемблер завершился, но %2 не записан",
                          u"%1: the assembler ended, but %2 was not written");
    case WindowText::AssemblerMissing:
        return inLanguage(language,
                          u"Ассемблер не найден (ни avrasm2, ни avra). Установите пакет avra: "
                          u"sudo apt install avra",
                          u"No assembler found (neither avrasm2 nor avra). Install the avra "
                          u"package: sudo apt install avra");
    case WindowText::TerminalSucceeded:
        return inLanguage(language, u"Ассемблер завершился без ошибок.",
                          u"The assembler succeeded.");
    case WindowText::TerminalFailed:
        return inLanguage(language, u"ОШИБКА АССЕМБЛЕРА. Код завершения:",
                          u"ASSEMBLER FAILED. Exit status:");
    case WindowText::SampleMissing:
        return inLanguage(language, u"Пример CDI.asm не установлен (искали в %1).",
                          u"The sample CDI.asm is not installed (looked in %1).");
    case WindowText::SampleNotCopied:
        return inLanguage(language, u"Не удалось скопировать пример в %1.",
                          u"Could not copy the sample to %1.");
    case WindowText::CompareTitle:
        return inLanguage(language, u"Сравнить с файлом", u"Compare with file");
    case WindowText::SensorBoxName:
        return inLanguage(language, u"Пересчитывать углы при смене угла датчика",
                          u"Move the angles with the sensor angle");
    case WindowText::ProgramHex:
        return inLanguage(language, u"Записывается %1", u"Writing %1");
    case WindowText::ProgrammerAnswered:
        return inLanguage(language, u"Программатор ответил, сигнатура МК %1",
                          u"The programmer answered, chip signature %1");
    case WindowText::ChipNotProgrammed:
        return inLanguage(language, u"%1: МК не прошит: %2",
                          u"%1: the chip was not programmed: %2");
    }
    return {};
}
