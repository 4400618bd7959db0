// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/edittexts.h"

#include "domain/language.h"

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
    }
    return {u"", u""};
}

} // namespace

QString commandText(CommandText id, unsigned char language)
{
    return pick(pair(id), language);
}
