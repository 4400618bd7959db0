// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/texts.h"

#include "domain/language.h"

namespace {

TextPair captionPair(Caption id)
{
    switch (id) {
    case Caption::Button1:
        return {u"Файл", u"File"};
    case Caption::Button2:
        return {u"Сохранить в таблицу", u"Save to table"};
    case Caption::Button3:
        return {u"О программе", u"Help"};
    case Caption::Button4:
        return {u"График", u"Refresh"};
    case Caption::Button5:
        return {u"Сохранить в файл", u"Save to file"};
    case Caption::Button6:
        return {u"Компилировать", u"Compile HEX File"};
    case Caption::Button7:
        return {u"English", u"Russian"};
    case Caption::Label1:
        return {u"первый", u"   first"};
    case Caption::Label2:
        return {u"Табл.", u"Table"};
    case Caption::Label3:
        return {u"второй", u"second"};
    case Caption::Label4:
        return {u"Импульс датчика:", u"   Sensor angle:"};
    case Caption::Label5:
        return {u"Выход \"искра\"", u"      Out \"spark\""};
    case Caption::RpmHeader:
        return {u"об/мин", u"RPM"};
    case Caption::AngleHeader:
        return {u"УОЗ", u"angle"};
    case Caption::TableHeaderPrefix:
        return {u"таб.", u"Tab."};
    case Caption::WindowTitle:
        return {u"Перерасчет угла опережения ФУОЗ Zarnik  v0.983",
                u"Ignition timing calculator for Zarnik project v0.983"};
    case Caption::ChartTitle:
        return {u"График УОЗ", u"Timing graph"};
    }
    return {u"", u""};
}

TextPair messagePair(MessageId id)
{
    switch (id) {
    case MessageId::OpenFileFirst:
        return {u"Сначала нужно открыть файл прошивки!", u"Open .asm file first!"};
    case MessageId::FillAllAngles:
        return {u"Заполните углы таблицы", u"Write all angle data"};
    case MessageId::BelowSensorLimit:
        return {u"Превышен предел 125° ниже датчика", u"Over range 125° below the sensor"};
    case MessageId::AboveSensorLimit:
        return {u"Превышен предел 52° выше датчика", u"Over range 52° above the sensor"};
    case MessageId::MissingData:
        return {u"Не найден параметр, проверьте версию файла CDI.ASM",
                u"Missing data, check CDI.ASM file version"};
    case MessageId::FileAccess:
        return {u"Ошибка доступа к файлу ", u"No file found "};
    case MessageId::RpmTooLow:
        return {u"Обороты не ниже холостых, 460/мин", u"RPM not lower 460/min"};
    case MessageId::RpmTooHigh:
        return {u"Превышены обороты 20000/мин", u"RPM over range 20000/min"};
    case MessageId::HelpMissing:
        return {u"Куда все подевалось? Файла справки нет в папке программы. Ищите на ",
                u"Help file not found, reload on "};
    case MessageId::NotRegularFile:
        return {u"Это не обычный файл, он не прочитан: ", u"Not a regular file, not read: "};
    case MessageId::FileTooLarge:
        return {u"Файл больше 64 МиБ, он не прочитан: ",
                u"The file is larger than 64 MiB, not read: "};
    case MessageId::NotAFile:
        return {u"Это папка, а не файл, она не прочитана: ", u"A folder, not a file, not read: "};
    case MessageId::ChangedOnDisk:
        return {u"После загрузки файл изменён на диске другой программой. Перезаписать его?\n",
                u"Since it was loaded, another program has changed the file on disk. Overwrite "
                u"it?\n"};
    case MessageId::DeletedFromDisk:
        return {u"После загрузки файл удалён с диска. Создать его заново?\n",
                u"Since it was loaded, the file has been deleted from disk. Create it again?\n"};
    case MessageId::NoTerminal:
        return {u"Не найдена программа терминала (x-terminal-emulator или xterm), ассемблер не "
                u"запущен. Установите, например, пакет xterm.",
                u"No terminal program found (x-terminal-emulator or xterm); the assembler was not "
                u"started. Install one, for example the xterm package."};
    case MessageId::CommandNotStarted:
        return {u"Не удалось запустить ", u"Could not start "};
    case MessageId::PulseOutOfRange:
        return {u"Второй импульс вне пределов: допустимо от 0 до 178,5°",
                u"Second pulse out of range: allowed 0 to 178.5°"};
    }
    return {u"", u""};
}

} // namespace

QString caption(Caption id, unsigned char language)
{
    return pick(captionPair(id), language);
}

QString message(MessageId id, unsigned char language, const QString &argument)
{
    return pick(messagePair(id), language) + argument;
}

QString answerText(Answer answer, unsigned char language)
{
    switch (answer) {
    case Answer::Overwrite:
        return pick({u"Перезаписать", u"Overwrite"}, language);
    case Answer::Create:
        return pick({u"Создать", u"Create"}, language);
    case Answer::Cancel:
        return pick({u"Отмена", u"Cancel"}, language);
    case Answer::OpenCopy:
        return pick({u"Открыть копию", u"Open the copy"}, language);
    case Answer::OpenFile:
        return pick({u"Открыть файл", u"Open the file"}, language);
    }
    return {};
}

QString fileWriteMessage(const FileWriteError &error, unsigned char language)
{
    const QString reason = error.reason.isEmpty() ? QString() : QLatin1Char(' ') + error.reason;
    switch (error.kind) {
    case FileWriteError::DiskFull:
        return pick({u"Диск заполнен: файл \"%1\" не записан и остался прежним.",
                     u"The disk is full: file \"%1\" was not written and is unchanged."},
                    language)
            .arg(error.path);
    case FileWriteError::Damaged:
        return pick({u"Запись файла \"%1\" прервана, и прежнее содержимое вернуть не удалось: "
                     u"файл может быть испорчен. Прежнее содержимое сохранено в \"%2\".%3",
                     u"Writing file \"%1\" failed and its old content could not be put back: the "
                     u"file may be damaged. The old content is kept in \"%2\".%3"},
                    language)
            .arg(error.path, error.backupPath, reason);
    case FileWriteError::NotRegular:
        return pick({u"Это не обычный файл, он не записан: ", u"Not a regular file, not written: "},
                    language) +
               error.path;
    case FileWriteError::NoBackup:
        return pick({u"Не удалось создать резервную копию \"%2\", файл \"%1\" остался "
                     u"прежним.%3",
                     u"Cannot create the backup copy \"%2\"; file \"%1\" is unchanged.%3"},
                    language)
            .arg(error.path, error.backupPath, reason);
    case FileWriteError::Unchanged:
        break;
    }
    return pick({u"Не удалось записать файл \"%1\", файл остался прежним.%2",
                 u"Cannot write file \"%1\"; the file is unchanged.%2"},
                language)
        .arg(error.path, reason);
}

QString interruptedSaveNote(const QString &path, const QString &backup, unsigned char language)
{
    return pick({u"Сохранение файла \"%1\" было прервано, файл может быть испорчен. Его "
                 u"содержимое до этого сохранения — в \"%2\".",
                 u"A save of file \"%1\" was interrupted; the file may be damaged. Its content "
                 u"from before that save is in \"%2\"."},
                language)
        .arg(path, backup);
}

QString interruptedSaveQuestion(const QString &path, const QString &backup, unsigned char language)
{
    return interruptedSaveNote(path, backup, language) +
           pick({u"\nОткрыть эту копию вместо файла?", u"\nOpen that copy instead of the file?"},
                language);
}

QString interruptedSaveRefusal(unsigned char language)
{
    return pick({u"ничего не записано: сначала проверьте файл, затем удалите копию.",
                 u"nothing was written: check the file first, then remove the copy."},
                language);
}

QString lineNote(const QString &reference, unsigned char language)
{
    return (language == 0 ? QStringLiteral(u"Строка ") : QStringLiteral("Line ")) + reference;
}

QString chartTitle(const ProgramState &state, bool trimmerActive)
{
    QString title = caption(Caption::ChartTitle, state.Language);
    if (state.FirmwareName.isEmpty())
        return title;
    title += state.Language == 0 ? QStringLiteral(u", файл: ") : QStringLiteral(", file: ");
    title += state.FirmwareName;
    if (trimmerActive) {
        title += state.Language == 0 ? QStringLiteral(u". Внимание, с подстроечным резистором!")
                                     : QStringLiteral(". Attention, with adjust resistor!");
    }
    return title;
}

QString unorderedBreakpointsText(const QList<UnorderedBreakpoint> &unordered,
                                 unsigned char language)
{
    QStringList rows;
    for (const UnorderedBreakpoint &one : unordered)
        rows.append(inLanguage(language, u"строка %1 (%2) не выше строки %3 (%4)",
                               u"row %1 (%2) not above row %3 (%4)")
                        .arg(one.point)
                        .arg(one.rpm)
                        .arg(one.point - 1)
                        .arg(one.previousRpm));
    return inLanguage(language,
                      u"Обороты не по возрастанию: %1. Прошивка никогда не использует одну "
                      u"строку из каждой такой пары.",
                      u"RPM breakpoints out of order: %1. The firmware never uses one row of each "
                      u"such pair.")
        .arg(rows.join(QStringLiteral("; ")));
}

QString unorderedBreakpointNote(const UnorderedBreakpoint &unordered, unsigned char language)
{
    return inLanguage(language,
                      u"Строка %1 (%2 об/мин) не выше строки %3 (%4 об/мин) по шагам оборотов "
                      u"прошивки: одна из двух строк не используется никогда",
                      u"Row %1 (%2 RPM) is not above row %3 (%4 RPM) in the firmware's RPM "
                      u"steps: one of the two rows is never used")
        .arg(unordered.point)
        .arg(unordered.rpm)
        .arg(unordered.point - 1)
        .arg(unordered.previousRpm);
}
