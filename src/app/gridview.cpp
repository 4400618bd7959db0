// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/gridview.h"

#include "app/gridcelleditor.h"
#include "app/gridmodel.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include <algorithm>
#include <iterator>

using gridkeys::hasGridCommand;
using gridkeys::kBackspace;
using gridkeys::kEnter;
using gridkeys::typedText;

// Asks the view before every move of the current cell. A selection is a run of rows in the
// range column that reaches the current cell; any other is cut to the current cell, and one
// towards a refused cell changes nothing.
class GridView::SelectionModel final : public QItemSelectionModel
{
public:
    SelectionModel(QAbstractItemModel *model, GridView &view)
        : QItemSelectionModel(model, &view), m_view(view)
    {}

    using QItemSelectionModel::select;

    void setCurrentIndex(const QModelIndex &index, SelectionFlags command) override
    {
        m_refused = QPersistentModelIndex();
        if (m_view.approveMove(index))
            QItemSelectionModel::setCurrentIndex(index, command);
        else
            m_refused = index;
    }

    void select(const QItemSelection &selection, SelectionFlags command) override
    {
        if (m_refused.isValid() && selection.contains(m_refused))
            return;
        const QModelIndex current = currentIndex();
        if (!current.isValid()) {
            QItemSelectionModel::select(QItemSelection(), Clear);
            return;
        }
        if (isRun(selection, current))
            QItemSelectionModel::select(selection, command);
        else
            QItemSelectionModel::select(QItemSelection(current, current), ClearAndSelect);
    }

    // The start position, set before anyone can be asked.
    void placeCurrent(const QModelIndex &index)
    {
        QItemSelectionModel::setCurrentIndex(index, ClearAndSelect);
    }

private:
    bool isRun(const QItemSelection &selection, const QModelIndex &current) const
    {
        if (!selection.contains(current))
            return false;
        return std::all_of(selection.begin(), selection.end(), [&](const QItemSelectionRange &r) {
            return r.left() == m_view.m_rangeColumn && r.right() == m_view.m_rangeColumn;
        });
    }

    GridView &m_view;
    QPersistentModelIndex m_refused;
};

namespace {

// The stock header, told its fixed size: asked for a size hint, the toolkit would measure every
// caption in bold, a second face of the font to load before the first frame.
class FixedHeader final : public QHeaderView
{
public:
    explicit FixedHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        return {sectionSize(logicalIndex), GridView::kHeaderRowHeight};
    }
};

} // namespace

GridView::GridView(QWidget *parent) : QTableView(parent), m_delegate(new Delegate(*this))
{
    setItemDelegate(m_delegate);
    setHorizontalHeader(new FixedHeader(this));
    verticalHeader()->hide();
    horizontalHeader()->setFixedHeight(kHeaderRowHeight);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setTextElideMode(Qt::ElideNone);
    for (QHeaderView *header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionsClickable(false);
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setSectionsMovable(false);
        header->setHighlightSections(false);
    }
    horizontalHeader()->setDefaultSectionSize(kColumnWidths[1]);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Runs of rows are selected in the range column only; the selection model keeps any other
    // selection to the current cell.
    setSelectionMode(ContiguousSelection);
    setSelectionBehavior(SelectItems);
    // Editors are opened by the grid itself: always on the current cell while editing is on.
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The window's editing commands, added as actions.
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void GridView::setModel(QAbstractItemModel *newModel)
{
    if (newModel == model())
        return;
    QItemSelectionModel *const previous = selectionModel();
    QTableView::setModel(newModel);
    if (dynamic_cast<SelectionModel *>(previous))
        delete previous;
    if (!newModel)
        return;
    QItemSelectionModel *const created = selectionModel();
    auto *const selection = new SelectionModel(newModel, *this);
    setSelectionModel(selection);
    delete created;

    const int columns = std::min(newModel->columnCount(), int(std::size(kColumnWidths)));
    for (int column = 0; column < columns; ++column)
        setColumnWidth(column, kColumnWidths[column]);
    if (newModel->rowCount() > 0 && newModel->columnCount() > 0)
        selection->placeCurrent(newModel->index(0, 0));
}

bool GridView::editingEnabled() const
{
    return currentIndex().flags().testFlag(Qt::ItemIsEditable);
}

int GridView::col() const
{
    return currentIndex().column();
}

int GridView::row() const
{
    return currentIndex().row() + 1;
}

void GridView::setCurrentCell(int column, int row)
{
    if (!model())
        return;
    const QModelIndex target = model()->index(row - 1, column);
    if (target.isValid())
        setCurrentIndex(target);
}

bool GridView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (!index.flags().testFlag(Qt::ItemIsEditable) || index != currentIndex())
        return false;
    return QTableView::edit(index, trigger, event);
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    settleEditor();
}

void GridView::setRangeColumn(int column)
{
    m_rangeColumn = column;
    if (const QModelIndex current = currentIndex(); current.isValid())
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
}

bool GridView::hasRowRange() const
{
    const auto [first, last] = selectedRows();
    return first != last;
}

std::pair<int, int> GridView::selectedRows() const
{
    int first = row();
    int last = row();
    if (col() == m_rangeColumn && selectionModel()) {
        for (const QModelIndex &index : selectionModel()->selectedIndexes()) {
            first = std::min(first, index.row() + 1);
            last = std::max(last, index.row() + 1);
        }
    }
    return {first, last};
}

void GridView::extendRowRange(int targetRow)
{
    if (!model() || col() != m_rangeColumn || targetRow < 1 || targetRow > model()->rowCount())
        return;
    const auto [first, last] = selectedRows();
    const int anchor = row() == first ? last : first;
    setCurrentCell(m_rangeColumn, targetRow);
    if (row() != targetRow)
        return;
    selectionModel()->select(QItemSelection(model()->index(anchor - 1, m_rangeColumn),
                                            model()->index(targetRow - 1, m_rangeColumn)),
                             QItemSelectionModel::ClearAndSelect);
}

void GridView::placeCurrentCell(int column, int row)
{
    auto *selection = dynamic_cast<SelectionModel *>(selectionModel());
    const QModelIndex target = model() ? model()->index(row - 1, column) : QModelIndex();
    if (!selection || !target.isValid())
        return;
    selection->placeCurrent(target);
    scrollTo(target);
}

void GridView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                           const QList<int> &roles)
{
    QTableView::dataChanged(topLeft, bottomRight, roles);
    // The open editor covers its cell: it shows the cell's marks as they change under typing.
    QLineEdit *const editor = openEditor();
    const QModelIndex edited = m_delegate->editorIndex();
    if (!editor || !edited.isValid() || edited.row() < topLeft.row() ||
        edited.row() > bottomRight.row() || edited.column() < topLeft.column() ||
        edited.column() > bottomRight.column())
        return;
    paintEditorBackground(*editor, edited);
}

QList<int> GridView::boldRows() const
{
    const auto *grid = qobject_cast<const GridModel *>(model());
    return grid ? grid->boldRows() : QList<int>();
}

void GridView::setWindowShortcuts(const QList<QKeySequence> &sequences)
{
    m_windowShortcuts = sequences;
}

bool GridView::isWindowShortcut(const QKeyEvent &event) const
{
    const QKeySequence pressed(
        QKeyCombination(event.modifiers() & ~Qt::KeypadModifier, Qt::Key(event.key())));
    return m_windowShortcuts.contains(pressed);
}

void GridView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // From here on the view no longer knows the editor, whatever the closing sets off.
    if (editor == m_delegate->editor())
        m_delegate->forgetEditor();
    QTableView::closeEditor(editor, hint);
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    const QString typed = typedText(*event);
    // Keys the editor did not take come on to the grid; their characters were filtered there.
    const QWidget *focus = QApplication::focusWidget();
    const bool fromEditor = focus && focus != this && isAncestorOf(focus);
    if (typed.isEmpty() || fromEditor) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    const QString passed = filterTyped(typed);
    if (passed.isEmpty())
        return;
    if (!editingEnabled()) {
        // Nothing to type into; an untouched key may still be a shortcut such as Copy.
        if (passed == typed && !hasGridCommand(typed))
            QTableView::keyPressEvent(event);
        return;
    }
    settleEditor();
    if (QLineEdit *const editor = openEditor())
        applyTyped(*editor, passed);
}

void GridView::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    // A click on the current cell selects it again, as long as no editor covers it.
    if (hit.isValid() && hit == currentIndex() && !openEditor()) {
        askSelectCell(hit);
        settleEditor();
    }
    QTableView::mousePressEvent(event);
}

void GridView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    if (!m_keepEditorClosed)
        settleEditor();
}

void GridView::keyboardSearch(const QString &) {}

bool GridView::approveMove(const QModelIndex &target)
{
    if (!target.isValid())
        return false;
    if (target == currentIndex())
        return true;
    const bool approved = askSelectCell(target);
    if (!approved)
        settleEditor();
    return approved;
}

bool GridView::askSelectCell(const QModelIndex &target)
{
    // A move asked for by the handler itself would overtake the one it is deciding on.
    if (m_inSelectCell)
        return false;
    if (!selectCell)
        return true;
    const QScopedValueRollback inHandler(m_inSelectCell, true);
    return selectCell(target.column(), target.row() + 1);
}

void GridView::settleEditor()
{
    if (!editingEnabled()) {
        closeOpenEditor();
        return;
    }
    const QModelIndex current = currentIndex();
    if (openEditor() && m_delegate->editorIndex() != current)
        closeOpenEditor();
    if (QLineEdit *const editor = openEditor()) {
        if (hasFocus())
            editor->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (focusInGrid() && current.isValid())
        QTableView::edit(current);
}

void GridView::closeOpenEditor()
{
    QLineEdit *const editor = openEditor();
    if (!editor)
        return;
    // Keep the focus in the grid when the window comes back from a message box.
    const bool focusChild = editor->window()->focusWidget() == editor;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    if (focusChild && !focusInGrid()) {
        const QScopedValueRollback keepClosed(m_keepEditorClosed, true);
        setFocus(Qt::OtherFocusReason);
    }
}

bool GridView::focusInGrid() const
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

QLineEdit *GridView::openEditor() const
{
    return m_delegate->editor();
}

void GridView::paintEditorBackground(QLineEdit &editor, const QModelIndex &index) const
{
    // The editor shows the cell's own colours, as the cell does; where the model gives none it
    // follows the grid.
    QPalette colours;
    const QColor background = index.data(Qt::BackgroundRole).value<QColor>();
    const QColor text = index.data(Qt::ForegroundRole).value<QColor>();
    if (background.isValid())
        colours.setColor(QPalette::Base, background);
    if (text.isValid())
        colours.setColor(QPalette::Text, text);
    editor.setPalette(colours);
    const QVariant font = index.data(Qt::FontRole);
    editor.setFont(font.isValid() ? font.value<QFont>().resolve(this->font()) : this->font());
    editor.setToolTip(index.data(Qt::ToolTipRole).toString());
}

QString GridView::filterTyped(const QString &typed)
{
    QString passed;
    for (QChar key : typed) {
        if (keyPress)
            keyPress(key);
        if (!key.isNull())
            passed += key;
    }
    return passed;
}

void GridView::filterTyped(QChar &key)
{
    if (keyPress)
        keyPress(key);
}

void GridView::applyTyped(QLineEdit &editor, const QString &text)
{
    for (const QChar key : text) {
        if (key == kEnter) {
            // Enter that gets through toggles between the whole text selected and none.
            if (editor.hasSelectedText() && editor.selectedText() == editor.text())
                editor.deselect();
            else
                editor.selectAll();
        } else if (key == kBackspace) {
            editor.backspace();
        } else if (key.isPrint()) {
            editor.insert(QString(key));
        }
        // Escape and other control characters change nothing.
    }
}

void GridView::leaveEditor(bool forward)
{
    {
        // The editor must not open again on the way out.
        const QScopedValueRollback keepClosed(m_keepEditorClosed, true);
        closeOpenEditor();
        setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        focusNextPrevChild(forward);
    }
    // The grid may be the only stop of the chain.
    if (hasFocus())
        settleEditor();
}
