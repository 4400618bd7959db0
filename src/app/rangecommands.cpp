// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The commands on a run of angle rows: interpolate, shift, smooth, set, add, scale, and
// the angles of the stored codes.
#include "app/editcommandsparts.h"

#include "app/gridview.h"
#include "domain/rangeedit.h"
#include "session/chartrefresh.h"
#include "session/recompute.h"
#include "session/texts.h"

namespace {

QStringList column(const Document &document, int col, int first, int last)
{
    QStringList texts;
    for (int row = first; row <= last; ++row)
        texts.append(document.cell(col, row));
    return texts;
}

} // namespace

void EditCommands::editRows(
    CommandText name,
    const std::function<QStringList(const QStringList &, const QStringList &)> &change)
{
    checkpoint();
    if (!angleRunEditable())
        return;
    GridView &view = *m_form.StringGrid1;
    GridModel &grid = m_form.grid();
    const auto [first, last] = view.selectedRows();
    const bool changed = guarded([&] {
        const Document &document = m_form.document();
        const QStringList texts = change(column(document, kAngle, first, last),
                                         column(document, GridModel::kRpmColumn, first, last));
        for (int row = first; row <= last; ++row)
            grid.setCell(kAngle, row, texts.at(row - first));
    });
    if (!changed)
        return;
    refreshChartKeepingHighlight();
    record({}, stepName(name));
}

void EditCommands::interpolate()
{
    editRows(CommandText::Interpolate, [](const QStringList &angles, const QStringList &rpms) {
        return interpolateAngles(angles, rpms);
    });
}

void EditCommands::shift(int steps)
{
    editRows(steps > 0 ? CommandText::ShiftUp : CommandText::ShiftDown,
             [steps](const QStringList &angles, const QStringList &) {
                 return shiftAngles(angles, steps);
             });
}

void EditCommands::smooth()
{
    editRows(CommandText::Smooth,
             [](const QStringList &angles, const QStringList &) { return smoothAngles(angles); });
}

void EditCommands::showStoredAngles()
{
    checkpoint();
    if (m_form.document().image || m_form.grid().anyAngleEmpty())
        return;
    const bool shown = guarded(
        [&] { m_form.change([&](Document &doc) { recomputeAngleColumn(doc, *m_form.Series1); }); });
    if (shown)
        refreshChartKeepingHighlight();
    checkpoint();
}

void EditCommands::setValue()
{
    GridView &view = *m_form.StringGrid1;
    const GridModel &grid = m_form.grid();
    if (view.col() != kAngle || grid.anyAngleEmpty())
        return;
    double proposed = 0;
    try {
        const QString &current = grid.cell(kAngle, view.row());
        if (current != kNoAngleMark)
            proposed = strToFloat(current);
    } catch (const ConversionError &) {
    }
    const auto angle = askAngle(proposed);
    if (!angle)
        return;
    editRows(CommandText::SetValue,
             [value = *angle](const QStringList &angles, const QStringList &) {
                 return setAngles(angles, value);
             });
}

void EditCommands::snapRows(CommandText name, double value, SnappedAnglesChange change)
{
    SnappedAngles failed;
    const QString sensor = m_form.document().settings.sensorAngle;
    editRows(name, [&](const QStringList &angles, const QStringList &) {
        SnappedAngles result = change(angles, value, strToInt(sensor));
        if (result.failure != AngleLimit::None)
            failed = result;
        return result.angles;
    });
    if (failed.failure == AngleLimit::None)
        return;
    // Nothing changed: the run keeps its angles; the row that would leave the codes is named.
    const int row = m_form.StringGrid1->selectedRows().first + failed.failedRow;
    const unsigned char language = m_form.state().Language;
    const MessageId id = failed.failure == AngleLimit::Below ? MessageId::BelowSensorLimit
                                                             : MessageId::AboveSensorLimit;
    m_platform.showWarning(&m_form, message(id, language) + QLatin1Char('\n') +
                                        commandText(CommandText::RowNote, language)
                                            .arg(row)
                                            .arg(m_form.grid().cell(GridModel::kRpmColumn, row)));
}

bool EditCommands::angleRunEditable() const
{
    return m_form.StringGrid1->col() == kAngle && !m_form.grid().anyAngleEmpty() &&
           !m_form.document().image;
}

void EditCommands::addDegrees()
{
    if (!angleRunEditable())
        return;
    if (const auto degrees = askDegrees(0))
        snapRows(CommandText::AddDegrees, *degrees, &offsetAngles);
}

void EditCommands::scalePercent()
{
    if (!angleRunEditable())
        return;
    if (const auto percent = askPercent(100))
        snapRows(CommandText::ScalePercent, *percent, &scaleAngles);
}
