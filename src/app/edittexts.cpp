// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/edittexts.h"

#include "domain/language.h"

#include <QRegularExpression>

namespace {

TextPair pair(CommandText id)
{
    switch (id) {
    case CommandText::Undo:
        return {u"Отменить", u"Undo"};
    case CommandText::Redo:
        return {u"Повторить", u"Redo"};
    case CommandText::Interpolate:
        return {u"Интерполировать", u"Interpolate"};
    case CommandText::ShiftUp:
        return {u"Сдвинуть вверх на шаг", u"Shift up one step"};
    case CommandText::ShiftDown:
        return {u"Сдвинуть вниз на шаг", u"Shift down one step"};
    case CommandText::SetValue:
        return {u"Задать значение…", u"Set to value…"};
    case CommandText::Smooth:
        return {u"Сгладить", u"Smooth"};
    case CommandText::OtherTables:
        return {u"Другие таблицы на графике", u"Other tables on the chart"};
    case CommandText::CompareWith:
        return {u"Сравнить с…", u"Compare with…"};
    case CommandText::ClearComparison:
        return {u"Убрать сравнение", u"Clear comparison"};
    case CommandText::SetValueTitle:
        return {u"Задать угол", u"Set angle"};
    case CommandText::SetValueLabel:
        return {u"Угол выбранных строк, °:", u"Angle of the selected rows, °:"};
    case CommandText::TableName:
        return {u"таб.%1", u"Tab.%1"};
    case CommandText::ComparisonName:
        return {u"сравнение: %1", u"compared: %1"};
    case CommandText::HoverRange:
        return {u"%1–%2 об/мин: %3°, код %4", u"%1–%2 RPM: %3°, code %4"};
    case CommandText::HoverLast:
        return {u"от %1 об/мин: %2°, код %3", u"%1 RPM and up: %2°, code %3"};
    case CommandText::PasteRefused:
        return {u"\"%1\" нельзя вставить сюда как есть: поле приняло бы только часть текста, "
                u"то есть другое число. Ничего не изменено.",
                u"\"%1\" cannot be pasted here as it stands: this field would take only part "
                u"of it, which is another number. Nothing was changed."};
    case CommandText::PasteLines:
        return {
            u"Вставляемый текст занимает несколько строк (%1), а в поле вставляется одно значение. "
            u"Ничего не изменено.",
            u"The pasted text has %1 lines; a field takes one value. Nothing was changed."};
    case CommandText::StoredAs:
        return {u"записано как %1°", u"stored as %1°"};
    case CommandText::StoredAsNoAngle:
        return {u"записано без угла (-)", u"stored as no angle (-)"};
    case CommandText::UnreadableAngle:
        return {u"Строка %1 (%2 об/мин): \"%3\" — не число",
                u"Row %1 (%2 RPM): \"%3\" is not a number"};
    case CommandText::UnreadableRpm:
        return {u"Строка %1: \"%2\" — не целое число оборотов",
                u"Row %1: \"%2\" is not a whole number of RPM"};
    case CommandText::ShowStoredAngles:
        return {u"Показать записанные углы", u"Show stored angles"};
    case CommandText::SaveUnordered:
        return {u"%1\nВсё равно сохранить?", u"%1\nSave anyway?"};
    case CommandText::SaveAnyway:
        return {u"Сохранить всё равно", u"Save anyway"};
    }
    return {u"", u""};
}

} // namespace

QString commandText(CommandText id, unsigned char language)
{
    return pick(pair(id), language);
}

QString pasteRefusedText(const QString &pasted, unsigned char language)
{
    constexpr qsizetype kShownLength = 30;
    const QString wanted = pasted.trimmed();
    const qsizetype lines = wanted.split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))).size();
    if (lines > 1)
        return commandText(CommandText::PasteLines, language).arg(lines);
    QString shown = wanted;
    if (shown.size() > kShownLength)
        shown = shown.left(kShownLength) + QChar(u'…');
    return commandText(CommandText::PasteRefused, language).arg(shown);
}
