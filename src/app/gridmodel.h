// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "session/document.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QPoint>
#include <QString>

#include <array>
#include <optional>

// The window's document, and the grid's view of it: five columns (the RPM breakpoints, the
// three tables' codes, the angle column) by 32 rows, one per point, under the document's column
// headers. Cells are addressed (column, point) with points 1..32; the model's row is the point
// less one. The model decides the look and the editing rules the stock item views follow:
// flags() says which cells take typing, data() gives the angle column its yellow and black,
// headerData() sets the active table's caption in bold.
//
// It also marks, from the cells as they stand after every change, what the firmware would do
// otherwise than the grid shows, each with a note as tooltip (and accessible description):
// a breakpoint not counted above the one before it (orange), an angle whose text is not the
// angle of its stored code (italic, a corner mark by kStoredAngleRole), the cell that stopped a
// handler as no number (red, until it reads as one), and the angles that differ from a compared
// source (bold).
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumns = Document::kColumns;
    static constexpr int kRpmColumn = Document::kRpmColumn;
    static constexpr int kAngleColumn = Document::kAngleColumn;
    static constexpr int kFirstPoint = Document::kFirstPoint;
    static constexpr int kLastPoint = Document::kLastPoint;
    // True for an angle cell whose text is not the angle of its stored code.
    static constexpr int kStoredAngleRole = Qt::UserRole + 1;
    static constexpr QColor kUnorderedColour{255, 170, 60};
    static constexpr QColor kUnreadableColour{255, 120, 120};
    // The corner mark of kStoredAngleRole, drawn on the yellow of the angle column.
    static constexpr QColor kStoredMarkColour{200, 0, 0};

    // The codes of a compared source's three tables, and its sensor angle (none: its angles
    // count from the document's, as a firmware image has none of its own).
    struct Comparison
    {
        std::array<std::array<QString, kPointCount>, 3> codes;
        std::optional<QString> sensorAngle;
    };

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

    // The language of the notes.
    void setLanguage(unsigned char language);
    // The source compared with; the angles that differ from its active table are bold.
    void setComparison(std::optional<Comparison> comparison);
    // Points whose angle is bold.
    QList<int> boldRows() const;
    // The cell (x column, y point) whose text stopped a handler as no number; forgotten as soon
    // as it reads as one.
    void setUnreadableCell(std::optional<QPoint> cell);
    std::optional<QPoint> unreadableCell() const { return m_unreadable; }
    // The note of a marked cell; empty for none.
    QString note(int column, int point) const;

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
    struct Mark
    {
        quint8 flags = 0;
        QString note;
        bool operator==(const Mark &) const = default;
    };

    bool isActiveTable(int column) const;
    Mark markOf(int column, int point) const;
    // Works the marks out again and announces the cells whose marks changed.
    void refreshMarks();
    Mark &cachedMark(int column, int point);
    const Mark &cachedMark(int column, int point) const;

    Document m_document;
    unsigned char m_language = 0;
    std::optional<Comparison> m_comparison;
    std::optional<QPoint> m_unreadable;
    // Columns 0 and 4, points 1..32.
    std::array<Mark, 2 * kPointCount> m_marks;
};
