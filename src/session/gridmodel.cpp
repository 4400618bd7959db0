// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "session/gridmodel.h"

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

const QString &GridModel::cell(int column, int row) const
{
    return m_cells[std::size_t(row)][std::size_t(column)];
}

void GridModel::setCell(int column, int row, const QString &text)
{
    QString &current = m_cells[std::size_t(row)][std::size_t(column)];
    if (current == text)
        return;
    current = text;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

bool GridModel::anyAngleEmpty() const
{
    return firstEmptyAngleRow() != 0;
}

int GridModel::firstEmptyAngleRow() const
{
    for (int row = kFirstPoint; row <= kLastPoint; ++row) {
        if (cell(kAngleColumn, row).isEmpty())
            return row;
    }
    return 0;
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kRows;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cell(index.column(), index.row());
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    setCell(index.column(), index.row(), value.toString());
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Whether the current cell takes input is the view's editing switch; the model allows it.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}
