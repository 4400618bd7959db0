// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/gridview.h"

#include "app/gridmodel.h"
#include "app/keyfilter.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScopedValueRollback>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kTextInset = 2;

// Draws `text` as one line from the top left of `cell`, `kTextInset` in, in the painter's font.
// Drawn from its baseline, it takes the same pixels as the text aligned left and top in the cell,
// without being laid out as a paragraph first. The caller clips to the cell.
void drawCellText(QPainter &painter, const QRect &cell, const QString &text)
{
    painter.drawText(
        QPointF(cell.left() + kTextInset, cell.top() + kTextInset + painter.fontMetrics().ascent()),
        text);
}
// The colours the model gives a cell whatever the palette: invalid where it gives none.
struct OwnColours
{
    QColor background;
    QColor text;
};

OwnColours ownColours(const QModelIndex &index)
{
    return {index.data(Qt::BackgroundRole).value<QColor>(),
            index.data(Qt::ForegroundRole).value<QColor>()};
}

constexpr QChar kEnter = u'\r';
constexpr QChar kBackspace = u'\b';
constexpr QChar kEscape = u'\x1b';

// The characters a key press types, as the key filter sees them. Keys that only move or delete
// type nothing.
QString typedText(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QString(kEnter);
    case Qt::Key_Backspace:
        return QString(kBackspace);
    case Qt::Key_Escape:
        return QString(kEscape);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return {};
    default:
        return event.text();
    }
}

// Enter and Escape belong to the grid: the line edit would end editing or pass them on.
bool hasGridCommand(const QString &text)
{
    return text.contains(kEnter) || text.contains(kEscape);
}

} // namespace

// Draws the cells, and makes and watches the one cell editor.
class GridView::Delegate final : public QStyledItemDelegate
{
public:
    explicit Delegate(GridView &view) : QStyledItemDelegate(&view), m_view(view) {}

    QLineEdit *editor() const { return m_editor; }
    QModelIndex editorIndex() const { return m_editorIndex; }
    // The view is about to close the editor itself.
    void forgetEditor() const
    {
        m_editor = nullptr;
        m_editorIndex = QPersistentModelIndex();
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QPalette::ColorGroup group =
            option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
        QPalette::ColorRole backgroundRole = QPalette::Base;
        QPalette::ColorRole textRole = QPalette::Text;
        if (option.state.testFlag(QStyle::State_Selected)) {
            backgroundRole = QPalette::Highlight;
            textRole = QPalette::HighlightedText;
        }
        // A column the model colours keeps its colours, selected or not.
        const OwnColours own = ownColours(index);
        const QColor background =
            own.background.isValid() ? own.background : option.palette.color(group, backgroundRole);
        const QColor text = own.text.isValid() ? own.text : option.palette.color(group, textRole);

        painter->fillRect(option.rect, background);
        const int point = index.row() + 1;
        // Most cells are empty until a file is read: they need no text state.
        const QString shown = index.data(Qt::DisplayRole).toString();
        if (!shown.isEmpty()) {
            painter->save();
            painter->setClipRect(option.rect);
            QFont font = option.font;
            if (index.column() == m_view.m_boldColumn && m_view.m_boldRows.contains(point))
                font.setBold(true);
            painter->setFont(font);
            painter->setPen(text);
            drawCellText(*painter, option.rect, shown);
            painter->restore();
        }
        // A run of selected rows shows through the column's own colour.
        if (index.column() == m_view.m_rangeColumn && m_view.hasRowRange() &&
            index != m_view.currentIndex()) {
            const auto [first, last] = m_view.selectedRows();
            if (point >= first && point <= last) {
                QColor shade = option.palette.color(QPalette::Active, QPalette::Highlight);
                shade.setAlpha(110);
                painter->fillRect(option.rect, shade);
            }
        }
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &index) const override
    {
        auto *edit = new QLineEdit(parent);
        edit->setFrame(false);
        // Text comes in through the key filter only, not dropped in around it; pasted text
        // passes the same filter, whole or not at all.
        edit->setAcceptDrops(false);
        GridView *filtering = &m_view;
        filterInsertedText(
            edit, [filtering](QChar &key) { filtering->filterTyped(key); }, 0, nullptr,
            [filtering](const QString &pasted) {
                if (filtering->pasteRefused)
                    filtering->pasteRefused(pasted);
            });
        m_view.paintEditorBackground(*edit, index);
        GridView *view = &m_view;
        connect(edit, &QLineEdit::textChanged, view, [this, view, edit] {
            if (!m_fillingEditor)
                view->commitData(edit);
        });
        m_editor = edit;
        m_editorIndex = index;
        return edit;
    }

    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        if (editor == m_editor)
            forgetEditor();
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *edit = static_cast<QLineEdit *>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        // Our own commit comes back here; setting the same text would move the cursor.
        if (edit->text() == text)
            return;
        // The text comes from the cell: nothing to commit, and a new editor is not yet known
        // to the view.
        const QScopedValueRollback filling(m_fillingEditor, true);
        edit->setText(text);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QLineEdit *>(editor)->text(), Qt::EditRole);
    }

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &) const override
    {
        editor->setGeometry(option.rect);
    }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        auto *edit = qobject_cast<QLineEdit *>(object);
        if (!edit)
            return QStyledItemDelegate::eventFilter(object, event);
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Left unaccepted, the key goes to the window's shortcut instead of the editor.
            if (m_view.isWindowShortcut(*static_cast<QKeyEvent *>(event)))
                return true;
            break;
        case QEvent::KeyPress:
            return keyPress(*edit, *static_cast<QKeyEvent *>(event));
        case QEvent::InputMethod:
            inputMethod(*static_cast<QInputMethodEvent *>(event));
            return false;
        case QEvent::FocusOut: {
            // A message box or a popup takes the focus only for a while, and a click on the
            // grid may be refused: the editor stays for those.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
                QApplication::focusWidget() == &m_view)
                return false;
            break;
        }
        default:
            break;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    bool keyPress(QLineEdit &edit, const QKeyEvent &event)
    {
        const bool plainTab = !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plainTab && (event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab)) {
            const bool forward =
                event.key() == Qt::Key_Tab && !(event.modifiers() & Qt::ShiftModifier);
            m_view.leaveEditor(forward);
            return true;
        }
        // Pasted text goes through filterInsertedText; select all and copy
        // change no text: the editor does them, past the key filter.
        if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::SelectAll) ||
            event.matches(QKeySequence::Copy))
            return false;
        const QString typed = typedText(event);
        if (typed.isEmpty())
            return false;
        const QPointer<QLineEdit> guard(&edit);
        const QString passed = m_view.filterTyped(typed);
        if (!guard)
            return true;
        if (passed == typed && !hasGridCommand(typed))
            return false;
        m_view.applyTyped(edit, passed);
        return true;
    }

    void inputMethod(QInputMethodEvent &event)
    {
        const QString committed = event.commitString();
        if (committed.isEmpty())
            return;
        QString passed = m_view.filterTyped(committed);
        passed.removeIf([](QChar ch) { return !ch.isPrint(); });
        if (passed != committed)
            event.setCommitString(passed, event.replacementStart(), event.replacementLength());
    }

    GridView &m_view;
    mutable QPointer<QLineEdit> m_editor;
    mutable QPersistentModelIndex m_editorIndex;
    mutable bool m_fillingEditor = false;
};

// Asks the view before every move of the current cell, and keeps the selection on it.
class GridView::SelectionModel final : public QItemSelectionModel
{
public:
    SelectionModel(QAbstractItemModel *model, GridView &view)
        : QItemSelectionModel(model, &view), m_view(view)
    {}

    using QItemSelectionModel::select;

    void setCurrentIndex(const QModelIndex &index, SelectionFlags command) override
    {
        if (m_view.approveMove(index))
            QItemSelectionModel::setCurrentIndex(index, command);
    }

    void select(const QItemSelection &, SelectionFlags) override
    {
        const QModelIndex current = currentIndex();
        if (current.isValid())
            QItemSelectionModel::select(QItemSelection(current, current), ClearAndSelect);
        else
            QItemSelectionModel::select(QItemSelection(), Clear);
    }

    // The start position, set before anyone can be asked.
    void placeCurrent(const QModelIndex &index)
    {
        QItemSelectionModel::setCurrentIndex(index, ClearAndSelect);
    }

private:
    GridView &m_view;
};

// The column headers, drawn flat like the cells below them: the button face, the caption at
// the cells' inset, bold where the model marks the header active, and the grid's lines.
class GridView::Header final : public QHeaderView
{
public:
    explicit Header(GridView &view) : QHeaderView(Qt::Horizontal, &view), m_view(view) {}

protected:
    // The row's height is fixed and the columns' widths are set, so no size is taken from the
    // texts; the toolkit would measure them in bold, a second face of the font to load.
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        return {sectionSize(logicalIndex), kHeaderRowHeight};
    }

    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (!rect.isValid() || !model())
            return;
        const QPalette::ColorGroup group =
            m_view.isActiveWindow() ? QPalette::Active : QPalette::Inactive;
        // The cell without its grid lines, which take the last column and row of the section.
        const QRect cell = rect.adjusted(0, 0, -1, -1);
        painter->save();
        painter->fillRect(cell, palette().color(group, QPalette::Button));
        QFont font = m_view.font();
        if (model()->headerData(logicalIndex, orientation(), GridModel::ActiveHeaderRole).toBool())
            font.setBold(true);
        painter->setFont(font);
        painter->setPen(palette().color(group, QPalette::ButtonText));
        const QColor line = m_view.gridLineColour();
        painter->fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), line);
        painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), line);
        painter->setClipRect(cell, Qt::IntersectClip);
        drawCellText(*painter, cell, model()->headerData(logicalIndex, orientation()).toString());
        painter->restore();
    }

private:
    GridView &m_view;
};

GridView::GridView(QWidget *parent) : QTableView(parent), m_delegate(new Delegate(*this))
{
    setItemDelegate(m_delegate);
    setHorizontalHeader(new Header(*this));
    verticalHeader()->hide();
    horizontalHeader()->setFixedHeight(kHeaderRowHeight);
    for (QHeaderView *header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionsClickable(false);
        header->setMinimumSectionSize(1);
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setSectionsMovable(false);
        header->setHighlightSections(false);
    }
    horizontalHeader()->setDefaultSectionSize(kColumnWidths[1]);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    // The cells keep their one-pixel gap for the grid lines, which paintEvent fills itself.
    setShowGrid(true);
    setGridStyle(Qt::NoPen);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    // Editors are opened by the grid itself: always on the current cell while editing is on.
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

namespace {

// The last viewport pixel of each shown section of `header` from the one at `from` to the one
// at `to`: where its grid line lies.
QList<int> sectionEnds(const QHeaderView &header, int from, int to)
{
    QList<int> ends;
    const int first = std::max(header.visualIndexAt(from), 0);
    int last = header.visualIndexAt(to);
    if (last < 0)
        last = header.count() - 1;
    for (int visual = first; visual <= last; ++visual) {
        const int section = header.logicalIndex(visual);
        if (!header.isSectionHidden(section))
            ends.append(header.sectionViewportPosition(section) + header.sectionSize(section) - 1);
    }
    return ends;
}

} // namespace

QColor GridView::gridLineColour() const
{
    // The style derives it from the view's palette, and gives none without the view's option.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return QColor::fromRgba(
        QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
}

void GridView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    // The grid lines where the table view draws them with a solid one-pixel pen, filled as
    // rectangles: the same pixels at a fraction of the pen's pixel-by-pixel stroking.
    const QHeaderView *const rows = verticalHeader();
    const QHeaderView *const columns = horizontalHeader();
    const QColor colour = gridLineColour();
    QPainter painter(viewport());
    for (QRect area : event->region()) {
        area.setBottom(std::min(area.bottom(), rows->length() - rows->offset() - 1));
        area.setRight(std::min(area.right(), columns->length() - columns->offset() - 1));
        if (area.isEmpty())
            continue;
        for (const int y : sectionEnds(*rows, area.top(), area.bottom()))
            painter.fillRect(QRect(area.left(), y, area.width(), 1), colour);
        for (const int x : sectionEnds(*columns, area.left(), area.right()))
            painter.fillRect(QRect(x, area.top(), 1, area.height()), colour);
    }
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
    const bool hadRange = m_anchorRow > 0;
    if (!m_extending)
        m_anchorRow = -1;
    if (hadRange || m_anchorRow > 0) {
        viewport()->update();
        emit rowRangeChanged();
    }
    settleEditor();
}

void GridView::setRangeColumn(int column)
{
    m_rangeColumn = column;
    m_anchorRow = -1;
    viewport()->update();
}

bool GridView::hasRowRange() const
{
    return m_anchorRow > 0 && col() == m_rangeColumn && m_anchorRow != row();
}

std::pair<int, int> GridView::selectedRows() const
{
    if (!hasRowRange())
        return {row(), row()};
    return {std::min(m_anchorRow, row()), std::max(m_anchorRow, row())};
}

void GridView::extendRowRange(int targetRow)
{
    if (!model() || col() != m_rangeColumn || targetRow < 1 || targetRow > model()->rowCount())
        return;
    const int anchor = m_anchorRow > 0 ? m_anchorRow : row();
    {
        const QScopedValueRollback extending(m_extending, true);
        setCurrentCell(m_rangeColumn, targetRow);
    }
    if (row() != targetRow)
        return;
    m_anchorRow = anchor == targetRow ? -1 : anchor;
    viewport()->update();
    emit rowRangeChanged();
}

void GridView::setBoldRows(int column, const QList<int> &rows)
{
    if (column == m_boldColumn && rows == m_boldRows)
        return;
    m_boldColumn = column;
    m_boldRows = rows;
    viewport()->update();
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

void GridView::contextMenuEvent(QContextMenuEvent *event)
{
    if (actions().isEmpty()) {
        QTableView::contextMenuEvent(event);
        return;
    }
    QMenu::exec(actions(), event->globalPos(), nullptr, this);
    event->accept();
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
    const bool upOrDown = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (upOrDown && event->modifiers() == Qt::ShiftModifier && col() == m_rangeColumn) {
        event->accept();
        extendRowRange(row() + (event->key() == Qt::Key_Up ? -1 : 1));
        return;
    }
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
    if (event->modifiers() == Qt::ShiftModifier && hit.isValid() && hit.column() == m_rangeColumn &&
        col() == m_rangeColumn) {
        event->accept();
        extendRowRange(hit.row() + 1);
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
    const OwnColours own = ownColours(index);
    if (own.background.isValid())
        colours.setColor(QPalette::Base, own.background);
    if (own.text.isValid())
        colours.setColor(QPalette::Text, own.text);
    editor.setPalette(colours);
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
