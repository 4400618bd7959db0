// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "Прошить МК" / "Program chip": writes the HEX built beside the loaded source into the
// ATmega8 with avrdude, in a terminal that shows avrdude's report, as "Компилировать" shows the
// assembler's.
#include "app/unit1.h"

#include "app/commandtexts.h"
#include "domain/language.h"
#include "flash/chipprogrammer.h"

#include <QFileInfo>
#include <QSettings>

void TForm1::ProgramChipClick()
{
    const unsigned char language = m_state.Language;
    const QString source = document().FirmwarePath;
    if (source.isEmpty()) {
        m_platform.showWarning(
            this, inLanguage(language,
                             QStringLiteral(u"Сначала откройте исходник прошивки кнопкой «Файл» "
                                            u"и скомпилируйте его."),
                             QStringLiteral("Open the firmware source with \"File\" and compile "
                                            "it first.")));
        return;
    }
    const auto lookup = [this](const QString &name) { return m_platform.isInstalled(name); };
    if (!lookup(QStringLiteral("avrdude"))) {
        m_platform.showWarning(this, flashTexts(language).avrdudeMissing);
        return;
    }
    if (!terminalProgram(lookup)) {
        warn(MessageId::NoTerminal);
        return;
    }

    const QString hex = hexPathFor(source);
    const QString hexName = QFileInfo(hex).fileName();
    bool assembleFirst = false;
    // Edits not saved to file are in neither the source on disk nor the HEX.
    if (document().loaded && m_changes.edited()) {
        switch (askCompileUnsaved(m_platform, this, m_state.Language, source)) {
        case CompileAnswer::SaveAndCompile:
            if (!saveToFile())
                return;
            assembleFirst = true;
            break;
        case CompileAnswer::CompileOnDisk:
            break;
        case CompileAnswer::Cancel:
            return;
        }
    }
    const QString compileAndProgram =
        inLanguage(language, QStringLiteral(u"Компилировать и прошить"),
                   QStringLiteral("Compile and program"));
    const QString cancel =
        inLanguage(language, QStringLiteral(u"Отмена"), QStringLiteral("Cancel"));
    // Once it is to be compiled anyway, the HEX on disk needs no question.
    switch (assembleFirst ? HexState::Current : hexState(source, hex)) {
    case HexState::Missing: {
        Question question;
        question.text = inLanguage(language,
                                   QStringLiteral(u"Файла прошивки %1 нет рядом с исходником. "
                                                  u"Скомпилировать исходник и затем прошить МК?"),
                                   QStringLiteral("There is no firmware file %1 beside the "
                                                  "source. Compile the source and then program "
                                                  "the chip?"))
                            .arg(hexName);
        question.answers = {compileAndProgram, cancel};
        question.escapeAnswer = 1;
        if (m_platform.choose(this, question) != 0)
            return;
        assembleFirst = true;
        break;
    }
    case HexState::OlderThanSource: {
        Question question;
        question.text =
            inLanguage(language,
                       QStringLiteral(u"Файл прошивки %1 старше исходника: последние изменения в "
                                      u"него не вошли. Скомпилировать исходник перед прошивкой?"),
                       QStringLiteral("The firmware file %1 is older than the source: the last "
                                      "changes are not in it. Compile the source before "
                                      "programming?"))
                .arg(hexName);
        question.answers = {compileAndProgram,
                            inLanguage(language, QStringLiteral(u"Прошить имеющийся файл"),
                                       QStringLiteral("Program the file as it is")),
                            cancel};
        question.escapeAnswer = 2;
        const int answer = m_platform.choose(this, question);
        if (answer != 0 && answer != 1)
            return;
        assembleFirst = answer == 0;
        break;
    }
    case HexState::Current:
        break;
    }

    QSettings settings;
    const auto choice = m_platform.chooseProgrammer(this, loadProgrammerChoice(settings), language);
    if (!choice)
        return;
    saveProgrammerChoice(settings, *choice);
    const LaunchCommand command =
        flashCommand(source, hex, *choice, assembleFirst, flashTexts(language), lookup);
    if (!m_platform.startDetached({command.program, command.arguments, command.workingDirectory}))
        warn(MessageId::CommandNotStarted, command.program);
}
