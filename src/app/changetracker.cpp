// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/changetracker.h"

#include "app/gridmodel.h"

void ChangeTracker::watch(GridModel &grid, std::function<bool()> differs)
{
    m_differs = std::move(differs);
    connect(&grid, &GridModel::documentChanged, this, &ChangeTracker::changed);
}

void ChangeTracker::changed()
{
    if (!m_paused && m_differs)
        setEdited(m_differs());
}

void ChangeTracker::setEdited(bool edited)
{
    if (m_edited == edited)
        return;
    m_edited = edited;
    emit editedChanged(edited);
}
