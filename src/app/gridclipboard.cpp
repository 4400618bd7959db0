// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/gridclipboard.h"

#include "domain/anglecode.h"
#include "domain/numbers.h"
#include "session/document.h"

#include <QRegularExpression>

QString rowsAsText(const Document &document, int first, int last)
{
    QString text;
    for (int row = first; row <= last; ++row) {
        QStringList cells;
        for (int column = 0; column < Document::kColumns; ++column)
            cells.append(document.cell(column, row));
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

QStringList pastedValues(const QString &text, int column)
{
    const QStringList lines =
        text.trimmed().split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    const bool gridRows = std::all_of(lines.begin(), lines.end(), [](const QString &line) {
        return line.count(QLatin1Char('\t')) == Document::kColumns - 1;
    });
    QStringList values;
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (gridRows)
            values.append(fields.at(column).trimmed());
        else
            for (const QString &field : fields)
                values.append(field.trimmed());
    }
    if (values == QStringList{QString()})
        values.clear();
    return values;
}

namespace {

// The value as typing it would leave it; nothing when the filter drops a character of it.
std::optional<QString> typed(const QString &value, const std::function<void(QChar &)> &filter)
{
    QString passed;
    for (QChar key : value) {
        if (!key.isPrint())
            return std::nullopt;
        if (filter)
            filter(key);
        if (key.isNull())
            return std::nullopt;
        passed += key;
    }
    return passed;
}

} // namespace

PastePlan planPaste(const QString &text, int column, int firstRow, int room, bool fillAll,
                    const std::function<void(QChar &key)> &filter, const QString &sensorAngle)
{
    PastePlan plan;
    QStringList values = pastedValues(text, column);
    plan.count = int(values.size());
    if (values.size() == 1 && fillAll)
        values = QStringList(room, values.first());
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString &value = values.at(i);
        const int row = firstRow + int(i);
        const auto refuse = [&](CommandText why) {
            plan.refusal = why;
            plan.value = value;
            plan.row = row;
            plan.texts.clear();
            return plan;
        };
        if (i >= room)
            return refuse(CommandText::PasteTooMany);
        const std::optional<QString> cell = typed(value, filter);
        if (!cell || cell->isEmpty())
            return refuse(CommandText::PasteNotNumber);
        try {
            if (column == Document::kRpmColumn) {
                strToInt(*cell);
            } else if (*cell != kNoAngleMark) {
                strToFloat(*cell);
                try {
                    if (angleToCode(*cell, sensorAngle).failure != AngleLimit::None)
                        return refuse(CommandText::PasteBeyondCode);
                } catch (const ConversionError &) {
                    // No sensor angle to measure from: Save to table checks the limits later.
                }
            }
        } catch (const ConversionError &) {
            return refuse(CommandText::PasteNotNumber);
        }
        plan.texts.append(*cell);
    }
    return plan;
}

QString pasteRefusal(const PastePlan &plan, int room, unsigned char language)
{
    if (!plan.refusal)
        return {};
    const QString text = commandText(*plan.refusal, language);
    if (*plan.refusal == CommandText::PasteTooMany)
        return text.arg(QString::number(plan.count), plan.value, QString::number(room));
    return text.arg(plan.value, QString::number(plan.row));
}
