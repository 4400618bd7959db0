// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/edithistory.h"

static std::size_t slot(int column, int row)
{
    return std::size_t((row - 1) * GridSnapshot::kColumns + column);
}

const QString &GridSnapshot::cell(int column, int row) const
{
    return cells[slot(column, row)];
}

QString &GridSnapshot::cell(int column, int row)
{
    return cells[slot(column, row)];
}

GridSnapshot GridSnapshot::capture(const Document &document)
{
    GridSnapshot s;
    for (int row = 1; row <= kPoints; ++row) {
        for (int column = 0; column < kColumns; ++column)
            s.cell(column, row) = document.cell(column, row);
    }
    s.settings = document.settings;
    return s;
}

void GridSnapshot::applyTo(Document &document) const
{
    for (int row = 1; row <= kPoints; ++row) {
        for (int column = 0; column < kColumns; ++column)
            document.cell(column, row) = cell(column, row);
    }
    document.settings = settings;
}

EditHistory::EditHistory(std::size_t limit) : m_limit(std::max<std::size_t>(limit, 1)) {}

void EditHistory::reset(const GridSnapshot &current)
{
    m_recorded = current;
    m_saved = current;
    m_undo.clear();
    m_redo.clear();
    m_lastKey.clear();
}

void EditHistory::absorb(const GridSnapshot &current)
{
    m_recorded = current;
    m_saved = current;
    m_lastKey.clear();
}

bool EditHistory::record(const GridSnapshot &current, QStringView mergeKey, int label)
{
    if (current == m_recorded) {
        if (mergeKey.isEmpty())
            m_lastKey.clear();
        return false;
    }
    m_redo.clear();
    if (!mergeKey.isEmpty() && mergeKey == m_lastKey && !m_undo.empty()) {
        m_recorded = current;
        return true;
    }
    m_undo.push_back({std::move(m_recorded), label});
    if (m_undo.size() > m_limit)
        m_undo.erase(m_undo.begin());
    m_recorded = current;
    m_lastKey = mergeKey.toString();
    return true;
}

std::optional<GridSnapshot> EditHistory::undo()
{
    return step(m_undo, m_redo);
}

std::optional<GridSnapshot> EditHistory::redo()
{
    return step(m_redo, m_undo);
}

std::optional<GridSnapshot> EditHistory::step(std::vector<Step> &from, std::vector<Step> &to)
{
    if (from.empty())
        return std::nullopt;
    to.push_back({std::move(m_recorded), from.back().label});
    m_recorded = std::move(from.back().state);
    from.pop_back();
    m_lastKey.clear();
    return m_recorded;
}
