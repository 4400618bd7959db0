// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/edittexts.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

struct Document;

// Rows first..last of the grid as a spreadsheet takes them: the five cells of a row (RPM, the
// three codes, the angle as the column shows it) separated by tabs, one line per row.
QString rowsAsText(const Document &document, int first, int last);

// The values of a pasted text for one column: separated by tabs and line breaks, each without
// the blanks around it. Lines of five tab-separated fields (rows copied from the grid) give the
// field of that column instead.
QStringList pastedValues(const QString &text, int column);

// What a paste into `column` from `firstRow` on would write, with `room` rows to fill there.
// One value with `fillAll` goes into every one of the rows. Every value passes `filter`
// character by character, as typed (a "." or "," may become the decimal separator); a value
// the filter would cut, one that is not a whole number (RPM) or an angle ("-" or a number),
// and an angle without a code at `sensorAngle` (when that is a number) refuse the whole paste.
struct PastePlan
{
    QStringList texts;                  // for firstRow, firstRow + 1, ...
    std::optional<CommandText> refusal; // PasteNotNumber, PasteBeyondCode or PasteTooMany
    QString value;                      // the first value that refused it
    int row = 0;                        // that value's row
    int count = 0;                      // how many values the text holds
};
PastePlan planPaste(const QString &text, int column, int firstRow, int room, bool fillAll,
                    const std::function<void(QChar &key)> &filter, const QString &sensorAngle);

// The refusal of a plan as the message box says it.
QString pasteRefusal(const PastePlan &plan, int room, unsigned char language);
