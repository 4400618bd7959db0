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
