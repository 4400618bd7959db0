// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/gridcelleditor.h"

#include "app/gridmodel.h"
#include "app/keyfilter.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>

QString gridkeys::typedText(const QKeyEvent &event)
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

void GridView::Delegate::initStyleOption(QStyleOptionViewItem *option,
                                         const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    // A cell the model colours keeps its colours as the current cell; in a run of selected
    // rows the highlight shows through them.
    if (option->backgroundBrush.style() == Qt::NoBrush)
        return;
    const int point = index.row() + 1;
    const auto [first, last] = m_view.selectedRows();
    const bool inRun = m_view.hasRowRange() && index.column() == m_view.m_rangeColumn &&
                       point >= first && point <= last;
    option->state.setFlag(QStyle::State_Selected, false);
    if (!inRun)
        return;
    // The highlight laid over the cell's own colour at 110/255, the text left as it is.
    const QColor own = option->backgroundBrush.color();
    const QColor shade = option->palette.color(QPalette::Active, QPalette::Highlight);
    const auto over = [](int below, int above) { return (below * 145 + above * 110) / 255; };
    option->backgroundBrush = QColor(over(own.red(), shade.red()), over(own.green(), shade.green()),
                                     over(own.blue(), shade.blue()));
}

void GridView::Delegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!index.data(GridModel::kStoredAngleRole).toBool())
        return;
    constexpr int kSide = 5;
    const QRect &cell = option.rect;
    QPainterPath corner;
    corner.moveTo(cell.right() + 1 - kSide, cell.top());
    corner.lineTo(cell.right() + 1, cell.top());
    corner.lineTo(cell.right() + 1, cell.top() + kSide);
    corner.closeSubpath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillPath(corner, GridModel::kStoredMarkColour);
    painter->restore();
}

QWidget *GridView::Delegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                          const QModelIndex &index) const
{
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    // Text comes in through the key filter only, not dropped in around it; pasted text
    // passes the same filter, whole or not at all.
    edit->setAcceptDrops(false);
    GridView *view = &m_view;
    filterInsertedText(
        edit, [view](QChar &key) { view->filterTyped(key); }, 0, nullptr,
        [view](const QString &pasted) {
            if (view->pasteRefused)
                view->pasteRefused(pasted);
        });
    m_view.paintEditorBackground(*edit, index);
    connect(edit, &QLineEdit::textChanged, view, [this, view, edit] {
        if (!m_fillingEditor)
            view->commitData(edit);
    });
    m_editor = edit;
    m_editorIndex = index;
    return edit;
}

void GridView::Delegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    if (editor == m_editor)
        forgetEditor();
    QStyledItemDelegate::destroyEditor(editor, index);
}

void GridView::Delegate::setEditorData(QWidget *editor, const QModelIndex &index) const
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

void GridView::Delegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                      const QModelIndex &index) const
{
    model->setData(index, static_cast<QLineEdit *>(editor)->text(), Qt::EditRole);
}

void GridView::Delegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

bool GridView::Delegate::eventFilter(QObject *object, QEvent *event)
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

bool GridView::Delegate::keyPress(QLineEdit &edit, const QKeyEvent &event)
{
    const bool plainTab = !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plainTab && (event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab)) {
        const bool forward = event.key() == Qt::Key_Tab && !(event.modifiers() & Qt::ShiftModifier);
        m_view.leaveEditor(forward);
        return true;
    }
    // Pasted text goes through filterInsertedText; select all and copy
    // change no text: the editor does them, past the key filter.
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::SelectAll) ||
        event.matches(QKeySequence::Copy))
        return false;
    const QString typed = gridkeys::typedText(event);
    if (typed.isEmpty())
        return false;
    const QPointer<QLineEdit> guard(&edit);
    const QString passed = m_view.filterTyped(typed);
    if (!guard)
        return true;
    if (passed == typed && !gridkeys::hasGridCommand(typed))
        return false;
    m_view.applyTyped(edit, passed);
    return true;
}

void GridView::Delegate::inputMethod(QInputMethodEvent &event)
{
    const QString committed = event.commitString();
    if (committed.isEmpty())
        return;
    QString passed = m_view.filterTyped(committed);
    passed.removeIf([](QChar ch) { return !ch.isPrint(); });
    if (passed != committed)
        event.setCommitString(passed, event.replacementStart(), event.replacementLength());
}
