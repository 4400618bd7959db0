// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/commandtexts.h"

#include <QFileInfo>

namespace {

QString pick(unsigned char language, QStringView russian, QStringView english)
{
    return (language == 0 ? russian : english).toString();
}

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

SaveAnswer askSaveChanges(Platform &platform, QWidget *owner, unsigned char language,
                          const QString &path)
{
    Question question;
    question.text =
        pick(language, u"Сохранить изменения в %1?", u"Save changes to %1?").arg(fileName(path));
    question.answers = {pick(language, u"Сохранить", u"Save"),
                        pick(language, u"Не сохранять", u"Discard"),
                        pick(language, u"Отмена", u"Cancel")};
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
    question.text = pick(language,
                         u"Изменения не сохранены в %1. Ассемблер соберёт файл таким, "
                         u"какой он сейчас на диске.",
                         u"The changes are not saved to %1. The assembler builds the file as it "
                         u"is on disk now.")
                        .arg(fileName(path));
    question.answers = {pick(language, u"Сохранить и компилировать", u"Save and compile"),
                        pick(language, u"Компилировать файл с диска", u"Compile file on disk"),
                        pick(language, u"Отмена", u"Cancel")};
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
