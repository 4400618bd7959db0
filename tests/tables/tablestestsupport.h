// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QLocale>
#include <QString>

#include "domain/numbers.h"
#include "session/gridmodel.h"
#include "support/plainsettings.h"

using FakeSettings = PlainSettings;

// Sets the default locale for the life of the guard and puts the previous one back.
class DefaultLocaleGuard
{
public:
    explicit DefaultLocaleGuard(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocaleGuard() { QLocale::setDefault(m_previous); }
    DefaultLocaleGuard(const DefaultLocaleGuard &) = delete;
    DefaultLocaleGuard &operator=(const DefaultLocaleGuard &) = delete;

private:
    QLocale m_previous;
};

// The message of the ConversionError that f throws, or "(no error)".
template <typename F> QString conversionMessage(F &&f)
{
    try {
        f();
    } catch (const ConversionError &error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

inline QString rpmOfRow(int row)
{
    return QString::number(400 + 100 * row);
}

// A loaded-looking grid: RPM 500, 600, ... in column 0, codes 11, 22, 33 in tables 1..3 and
// the angle 20 in every row.
inline void fillGrid(GridModel &grid)
{
    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row) {
        grid.setCell(GridModel::kRpmColumn, row, rpmOfRow(row));
        grid.setCell(1, row, QStringLiteral("11"));
        grid.setCell(2, row, QStringLiteral("22"));
        grid.setCell(3, row, QStringLiteral("33"));
        grid.setCell(GridModel::kAngleColumn, row, QStringLiteral("20"));
    }
}

inline QStringList columnTexts(const GridModel &grid, int column)
{
    QStringList texts;
    for (int row = GridModel::kFirstPoint; row <= GridModel::kLastPoint; ++row)
        texts.append(grid.cell(column, row));
    return texts;
}
