// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/changetracker.h"

#include "app/gridmodel.h"

#include <QCheckBox>
#include <QComboBox>

void ChangeTracker::watch(GridModel &grid)
{
    // A change of look only (the bold rows of a comparison) is no edit.
    connect(&grid, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::EditRole))
                    changed();
            });
}

void ChangeTracker::watch(QComboBox *box)
{
    connect(box, &QComboBox::currentTextChanged, this, &ChangeTracker::changed);
}

void ChangeTracker::watch(QCheckBox *box)
{
    connect(box, &QCheckBox::toggled, this, &ChangeTracker::changed);
}

void ChangeTracker::changed()
{
    if (!m_paused)
        setEdited(true);
}

void ChangeTracker::setEdited(bool edited)
{
    if (m_edited == edited)
        return;
    m_edited = edited;
    emit editedChanged(edited);
}
