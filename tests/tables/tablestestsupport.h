// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QLocale>
#include <QString>

#include "chart/chartseries.h"
#include "domain/numbers.h"
#include "session/document.h"
#include "session/recompute.h"
#include "session/savetable.h"

#include <optional>

using FakeSettings = DocumentSettings;

// The operations with the settings they run under and, for "Save to table", whether a source
// has been chosen.
inline std::optional<MessageId> saveToTable(Document &document, ChartSeries &series, bool loaded,
                                            const DocumentSettings &settings)
{
    document.FirmwarePath = loaded ? QStringLiteral("CDI.asm") : QString();
    document.settings = settings;
    return saveToTable(document, series);
}
inline void recomputeAngleColumn(Document &document, ChartSeries &series,
                                 const DocumentSettings &settings)
{
    document.settings = settings;
    recomputeAngleColumn(document, series);
}
inline void activeTableChanged(Document &document, ChartSeries &series,
                               const DocumentSettings &settings)
{
    document.settings = settings;
    activeTableChanged(document, series);
}
inline void sensorAngleChanged(Document &document, ChartSeries &series,
                               const DocumentSettings &settings, bool keepCodes)
{
    document.settings = settings;
    document.settings.keepCodes = keepCodes;
    sensorAngleChanged(document, series);
}

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
inline void fillGrid(Document &grid)
{
    for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row) {
        grid.cell(Document::kRpmColumn, row) = rpmOfRow(row);
        grid.cell(1, row) = QStringLiteral("11");
        grid.cell(2, row) = QStringLiteral("22");
        grid.cell(3, row) = QStringLiteral("33");
        grid.cell(Document::kAngleColumn, row) = QStringLiteral("20");
    }
}

inline QStringList columnTexts(const Document &grid, int column)
{
    QStringList texts;
    for (int row = Document::kFirstPoint; row <= Document::kLastPoint; ++row)
        texts.append(grid.cell(column, row));
    return texts;
}
