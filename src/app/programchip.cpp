// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "Прошить МК" / "Program chip": writes the HEX built beside the loaded source into the
// ATmega8 with avrdude, in a terminal that shows avrdude's report, as "Компилировать" shows the
// assembler's.
#include "app/unit1.h"

#include "flash/chipprogrammer.h"

#include <QFileInfo>
#include <QSettings>

namespace {

QString inLanguage(unsigned char language, const QString &russian, const QString &english)
{
    return language == 0 ? russian : english;
}

// ~/.config/cdi-editor/cdi-editor.conf
QSettings programmerSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("cdi-editor"),
                     QStringLiteral("cdi-editor"));
}

} // namespace

void TForm1::ProgramChipClick()
{
    const unsigned char language = m_state.Language;
    const QString source = m_state.FirmwarePath;
    if (source.isEmpty()) {
        m_platform.showWarning(
            this, inLanguage(language,
                             QStringLiteral(u"Сначала откройте исходник прошивки кнопкой «Файл» "
                                            u"и скомпилируйте его."),
                             QStringLiteral("Open the firmware source with \"File\" and compile "
                                            "it first.")));
        return;
    }
    if (!isOnSearchPath(QStringLiteral("avrdude"))) {
        m_platform.showWarning(
            this, inLanguage(language,
                             QStringLiteral(u"Программа avrdude не найдена. Установите её: "
                                            u"sudo apt install avrdude"),
                             QStringLiteral("avrdude was not found. Install it with: "
                                            "sudo apt install avrdude")));
        return;
    }

    const QString hex = hexPathFor(source);
    const QString hexName = QFileInfo(hex).fileName();
    bool assembleFirst = false;
    switch (hexState(source, hex)) {
    case HexState::Missing:
        if (m_platform.ask(this,
                           inLanguage(language,
                                      QStringLiteral(u"Файла прошивки %1 нет рядом с "
                                                     u"исходником. Скомпилировать исходник и "
                                                     u"затем прошить МК?"),
                                      QStringLiteral("There is no firmware file %1 beside the "
                                                     "source. Compile the source and then "
                                                     "program the chip?"))
                               .arg(hexName),
                           false) != Platform::Answer::Yes)
            return;
        assembleFirst = true;
        break;
    case HexState::OlderThanSource:
        switch (m_platform.ask(
            this,
            inLanguage(language,
                       QStringLiteral(u"Файл прошивки %1 старше исходника: последние изменения "
                                      u"в него не вошли. Скомпилировать исходник перед "
                                      u"прошивкой? («Нет» — прошить имеющийся файл.)"),
                       QStringLiteral("The firmware file %1 is older than the source: the last "
                                      "changes are not in it. Compile the source before "
                                      "programming? (\"No\" programs the file as it is.)"))
                .arg(hexName),
            true)) {
        case Platform::Answer::Yes:
            assembleFirst = true;
            break;
        case Platform::Answer::No:
            break;
        case Platform::Answer::Cancel:
            return;
        }
        break;
    case HexState::Current:
        break;
    }

    QSettings settings = programmerSettings();
    const auto choice = m_platform.chooseProgrammer(this, loadProgrammerChoice(settings), language);
    if (!choice)
        return;
    saveProgrammerChoice(settings, *choice);
    const LaunchCommand command =
        flashCommand(source, hex, *choice, assembleFirst, flashTexts(language));
    m_platform.startDetached({command.program, command.arguments, command.workingDirectory});
}
