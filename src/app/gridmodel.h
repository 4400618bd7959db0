// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "session/document.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

// The window's document, and the grid's view of it: five columns (the RPM breakpoints, the
// three tables' codes, the angle column) by 32 rows, one per point, under the document's column
// headers. Cells are addressed (column, point) with points 1..32; the model's row is the point
// less one. The model decides the look and the editing rules the stock item views follow:
// flags() says which cells take typing, data() gives the angle column its yellow and black and
// the marked rows their bold font, headerData() sets the active table's caption in bold.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumns = Document::kColumns;
    static constexpr int kRpmColumn = Document::kRpmColumn;
    static constexpr int kAngleColumn = Document::kAngleColumn;
    static constexpr int kFirstPoint = Document::kFirstPoint;
    static constexpr int kLastPoint = Document::kLastPoint;

    explicit GridModel(QObject *parent = nullptr);

    const Document &document() const { return m_document; }
    // Replaces the document; the cells and headers that differ are announced, and
    // settingsChanged() when the settings differ.
    void setDocument(Document document);
    // The settings as the boxes now show them; only the header marks follow.
    void setSettings(const DocumentSettings &settings);

    const QString &cell(int column, int point) const { return m_document.cell(column, point); }
    void setCell(int column, int point, const QString &text);
    const QString &header(int column) const { return m_document.headers[std::size_t(column)]; }
    void setHeader(int column, const QString &text);

    // Points of one column whose text is bold (the rows that differ from a comparison).
    void setBoldRows(int column, const QList<int> &points);
    const QList<int> &boldRows() const { return m_boldRows; }

    bool anyAngleEmpty() const { return m_document.anyAngleEmpty(); }
    int firstEmptyAngleRow() const { return m_document.firstEmptyAngleRow(); }

    // Whether a cell takes typing: the codes change only through "Save to table" and a load,
    // and the first breakpoint is the fixed idle speed.
    static bool editable(int column, int point);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    void settingsChanged();

private:
    bool isActiveTable(int column) const;

    Document m_document;
    int m_boldColumn = -1;
    QList<int> m_boldRows;
};
