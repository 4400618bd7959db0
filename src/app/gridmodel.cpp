// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/gridmodel.h"

#include <QColor>
#include <QFont>

namespace {

constexpr QColor kYellow(255, 255, 0);

// Bold over whatever font the view draws in.
QFont boldFont()
{
    QFont font;
    font.setBold(true);
    return font;
}

} // namespace

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

void GridModel::setDocument(Document document)
{
    std::swap(m_document, document);
    const Document &before = document;
    for (int point = kFirstPoint; point <= kLastPoint; ++point) {
        int first = -1;
        for (int column = 0; column <= kColumns; ++column) {
            const bool differs =
                column < kColumns && before.cell(column, point) != m_document.cell(column, point);
            if (differs && first < 0)
                first = column;
            if (!differs && first >= 0) {
                emit dataChanged(index(point - 1, first), index(point - 1, column - 1),
                                 {Qt::DisplayRole, Qt::EditRole});
                first = -1;
            }
        }
    }
    if (before.headers != m_document.headers ||
        before.settings.activeTable != m_document.settings.activeTable)
        emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
    if (before.settings != m_document.settings)
        emit settingsChanged();
}

void GridModel::setBoldRows(int column, const QList<int> &points)
{
    if (points == m_boldRows && (column == m_boldColumn || points.isEmpty())) {
        m_boldColumn = column;
        return;
    }
    const int before = m_boldColumn;
    m_boldColumn = column;
    m_boldRows = points;
    for (const int changed : {before, column}) {
        if (changed >= 0 && changed < kColumns)
            emit dataChanged(index(0, changed), index(kPointCount - 1, changed), {Qt::FontRole});
    }
}

void GridModel::setSettings(const DocumentSettings &settings)
{
    const bool activeMoved = settings.activeTable != m_document.settings.activeTable;
    m_document.settings = settings;
    if (activeMoved)
        emit headerDataChanged(Qt::Horizontal, 1, 3);
}

void GridModel::setCell(int column, int point, const QString &text)
{
    QString &current = m_document.cell(column, point);
    if (current == text)
        return;
    current = text;
    const QModelIndex changed = index(point - 1, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void GridModel::setHeader(int column, const QString &text)
{
    QString &current = m_document.headers[std::size_t(column)];
    if (current == text)
        return;
    current = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

bool GridModel::editable(int column, int point)
{
    if (column >= 1 && column <= 3)
        return false;
    return !(column == kRpmColumn && point == kFirstPoint);
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kPointCount;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(index.column(), index.row() + 1);
    case Qt::BackgroundRole:
        if (index.column() == kAngleColumn)
            return kYellow;
        break;
    case Qt::ForegroundRole:
        // A fixed background needs a fixed text colour: the palette's may be light.
        if (index.column() == kAngleColumn)
            return QColor(Qt::black);
        break;
    case Qt::FontRole:
        if (index.column() == m_boldColumn && m_boldRows.contains(index.row() + 1))
            return boldFont();
        break;
    default:
        break;
    }
    return {};
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // A firmware image is shown, never edited.
    if (!index.isValid() || role != Qt::EditRole || m_document.image)
        return false;
    setCell(index.column(), index.row() + 1, value.toString());
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return !m_document.image && editable(index.column(), index.row() + 1)
               ? flags | Qt::ItemIsEditable
               : flags;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns)
        return {};
    if (role == Qt::DisplayRole)
        return header(section);
    if (role == Qt::FontRole && isActiveTable(section))
        return boldFont();
    return {};
}

bool GridModel::isActiveTable(int column) const
{
    // Only a table header with a caption is marked.
    return column >= 1 && column <= 3 && !header(column).isEmpty() &&
           m_document.settings.activeTable == QString::number(column);
}
