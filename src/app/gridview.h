// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QKeySequence>
#include <QList>
#include <QTableView>

#include <functional>

class QLineEdit;

// The table grid of the main window over a GridModel, under the model's column headers. Rows
// are numbered from 1 (the first point) in everything this class takes and gives. While the
// current cell is one the model lets the user edit, it always shows its editor, and the cell's
// text follows the editor on every keystroke; the model's background and text colours are kept.
//
// The window plugs its handlers into the two public hooks (either may stay empty):
//   grid->selectCell = [this](int column, int row) { return StringGrid1SelectCell(column, row); };
//   grid->keyPress = [this](QChar &key) { StringGrid1KeyPress(key); };
//   grid->pasteRefused = [this](const QString &text) { warnPasteRefused(text); };
class GridView : public QTableView
{
    Q_OBJECT
public:
    static constexpr int kColumnWidths[] = {45, 36, 36, 36, 36};
    static constexpr int kHeaderRowHeight = 16;
    static constexpr int kRowHeight = 14;

    // Called before the current cell moves to (column, row), whether the move comes from the
    // mouse, the keyboard or setCurrentCell(); also when a click hits the current cell while no
    // editor is open. Returning false keeps the current cell where it is.
    std::function<bool(int column, int row)> selectCell;
    // Called for each character typed while the grid or its editor has the focus, before the
    // character reaches the cell. Enter comes as '\r', Backspace as '\b', Escape as '\x1b',
    // Ctrl+letter as its control code; Delete, Tab and the cursor keys never come. The hook may
    // replace the character or set it to QChar() to discard it.
    std::function<void(QChar &key)> keyPress;
    // Called with a text pasted or dropped into the cell editor that keyPress would not take
    // whole (a character it discards, a line break); the cell keeps its text.
    std::function<void(const QString &pasted)> pasteRefused;

    explicit GridView(QWidget *parent = nullptr);

    // Installs the model and puts the current cell on (0, 1) without asking selectCell.
    void setModel(QAbstractItemModel *model) override;

    // Whether the current cell takes typing (the model's ItemIsEditable). While it does, it
    // shows its editor whenever the grid has the focus (the editor closes when the focus goes
    // to another control and opens again when it comes back); otherwise typing changes nothing.
    bool editingEnabled() const;

    int col() const;
    int row() const;
    // Moves the current cell like a user would, through selectCell.
    void setCurrentCell(int column, int row);

    // The column in which Shift+click and Shift+Up/Down select a run of rows from the current
    // cell; each move there still asks selectCell. Any other move ends the run.
    void setRangeColumn(int column);
    // First and last row of the run; the current row twice when there is none.
    std::pair<int, int> selectedRows() const;
    bool hasRowRange() const;
    // Moves the current cell to `row` in the range column, keeping (or starting) the run.
    void extendRowRange(int row);
    // Rows of the angle column whose text is drawn bold: the GridModel's font for them.
    QList<int> boldRows() const;
    // Makes (column, row) the current cell without asking selectCell: for showing a cell whose
    // text that handler could not read.
    void placeCurrentCell(int column, int row);
    // Key sequences that belong to the window's commands even while the cell editor, which
    // would otherwise take them (Ctrl+Z for its own undo), has the focus.
    void setWindowShortcuts(const QList<QKeySequence> &sequences);
    bool isWindowShortcut(const QKeyEvent &event) const;

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyboardSearch(const QString &search) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = {}) override;

private:
    class Delegate;
    class SelectionModel;

    bool approveMove(const QModelIndex &target);
    bool askSelectCell(const QModelIndex &target);
    void settleEditor();
    void closeOpenEditor();
    bool focusInGrid() const;
    QLineEdit *openEditor() const;
    void paintEditorBackground(QLineEdit &editor, const QModelIndex &index) const;
    QString filterTyped(const QString &typed);
    // One character through the keyPress hook, as typed into the current cell.
    void filterTyped(QChar &key);
    void applyTyped(QLineEdit &editor, const QString &text);
    void leaveEditor(bool forward);

    Delegate *m_delegate;
    bool m_inSelectCell = false;
    bool m_keepEditorClosed = false;
    int m_rangeColumn = -1;
    QList<QKeySequence> m_windowShortcuts;
};
