// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>

// The grid's cells: 5 columns by 33 rows of text, row 0 the header row. Column 0 holds the RPM
// breakpoints, columns 1-3 the codes of tables 1-3, column 4 the angles of the active table.
// Cells are read and written one by one, addressed (column, row).
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumns = 5;
    static constexpr int kRows = 33;
    static constexpr int kRpmColumn = 0;
    static constexpr int kAngleColumn = 4;
    static constexpr int kFirstPoint = 1;
    static constexpr int kLastPoint = 32;

    explicit GridModel(QObject *parent = nullptr);

    const QString &cell(int column, int row) const;
    void setCell(int column, int row, const QString &text);

    // True when any angle cell of rows 1..32 is empty.
    bool anyAngleEmpty() const;
    // The first row 1..32 whose angle cell is empty, or 0.
    int firstEmptyAngleRow() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    std::array<std::array<QString, kColumns>, kRows> m_cells;
};
