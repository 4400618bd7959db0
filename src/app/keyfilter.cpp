// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/keyfilter.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>

TypedKeyFilter::TypedKeyFilter(QComboBox *combo, Handler handler, int maxLength)
    : QObject(combo), m_combo(combo), m_handler(std::move(handler)), m_maxLength(maxLength)
{}

namespace {

// The Paste entry of a line edit's standard menu: named so by newer Qt, known by its
// (translated) text before that.
bool isPasteAction(const QAction &action)
{
    return action.objectName() == QLatin1String("edit-paste") ||
           action.text().section(QLatin1Char('\t'), 0, 0) ==
               QCoreApplication::translate("QLineEdit", "&Paste");
}

// Stands in for the line edit's own paste and drop: the text goes in filtered.
class InsertedTextFilter : public QObject
{
public:
    InsertedTextFilter(QLineEdit *edit, std::function<void(QChar &key)> handler, int maxLength,
                       QWidget *owner, PasteRefused refused)
        : QObject(edit), m_edit(edit), m_owner(owner), m_handler(std::move(handler)),
          m_refused(std::move(refused)), m_maxLength(maxLength)
    {
        edit->installEventFilter(this);
        if (owner)
            owner->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_edit && watched != m_owner)
            return false;
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            if (!static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste))
                return false;
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            insert(QGuiApplication::clipboard()->text());
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::MiddleButton)
                return false;
            if (event->type() == QEvent::MouseButtonRelease &&
                QGuiApplication::clipboard()->supportsSelection() && !m_edit->isReadOnly()) {
                m_edit->deselect();
                m_edit->setCursorPosition(m_edit->cursorPositionAt(mouse->position().toPoint()));
                insert(QGuiApplication::clipboard()->text(QClipboard::Selection));
            }
            return true;
        }
        case QEvent::ContextMenu:
            showMenu(*static_cast<QContextMenuEvent *>(event));
            return true;
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (!drop->mimeData()->hasText() || m_edit->isReadOnly())
                return false;
            m_edit->deselect();
            m_edit->setCursorPosition(m_edit->cursorPositionAt(drop->position().toPoint()));
            // The drag's source waits for the drop to end: a refusal is reported after it.
            if (insert(drop->mimeData()->text(), true)) {
                drop->setDropAction(Qt::CopyAction);
                drop->accept();
            } else {
                drop->ignore();
            }
            return true;
        }
        default:
            return false;
        }
    }

private:
    // The text without its surrounding white space, over the selection, if every character
    // of it passes the handler and the length allows it; otherwise nothing changes and the
    // refusal is reported, at once or from the event loop. Returns whether the text went in.
    bool insert(const QString &text, bool reportLater = false)
    {
        const QString wanted = text.trimmed();
        if (wanted.isEmpty())
            return false;
        QString passed;
        for (QChar key : wanted) {
            if (!key.isPrint())
                break;
            m_handler(key);
            if (key.isNull())
                break;
            passed += key;
        }
        const qsizetype kept = m_edit->text().size() - m_edit->selectedText().size();
        const bool fits = m_maxLength <= 0 || kept + passed.size() <= m_maxLength;
        if (passed.size() != wanted.size() || !fits) {
            if (m_refused && reportLater)
                QMetaObject::invokeMethod(
                    this, [this, text] { m_refused(text); }, Qt::QueuedConnection);
            else if (m_refused)
                m_refused(text);
            return false;
        }
        m_edit->insert(passed);
        return true;
    }

    // The edit's own menu, whose Paste goes through the filter.
    void showMenu(const QContextMenuEvent &event)
    {
        const QPointer<QMenu> menu = m_edit->createStandardContextMenu();
        for (QAction *action : menu->actions()) {
            if (isPasteAction(*action)) {
                action->disconnect();
                connect(action, &QAction::triggered, this,
                        [this] { insert(QGuiApplication::clipboard()->text()); });
            }
        }
        menu->exec(event.globalPos());
        delete menu;
    }

    QLineEdit *m_edit;
    QWidget *m_owner;
    std::function<void(QChar &key)> m_handler;
    PasteRefused m_refused;
    int m_maxLength;
};

} // namespace

void filterInsertedText(QLineEdit *edit, const std::function<void(QChar &key)> &handler,
                        int maxLength, QWidget *owner, const PasteRefused &refused)
{
    new InsertedTextFilter(edit, handler, maxLength, owner, refused);
}

void TypedKeyFilter::install(QComboBox *combo, Handler handler, int maxLength,
                             const PasteRefused &refused)
{
    // The combo box hands its keys to the edit field directly, past the field's filters.
    if (combo->lineEdit())
        filterInsertedText(combo->lineEdit(), handler, maxLength, combo, refused);
    auto *filter = new TypedKeyFilter(combo, std::move(handler), maxLength);
    // The combo box receives the keys itself and hands them to its edit field directly, so
    // the filter watches both.
    combo->installEventFilter(filter);
    if (combo->lineEdit())
        combo->lineEdit()->installEventFilter(filter);
}

bool TypedKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::InputMethod) {
        filterCommitted(*static_cast<QInputMethodEvent *>(event));
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *keyEvent = static_cast<QKeyEvent *>(event);
    // Pasted text goes through filterInsertedText.
    if (keyEvent->matches(QKeySequence::Paste))
        return false;
    switch (keyEvent->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    const QString typed = keyEvent->text();
    if (typed.isEmpty())
        return false;
    QChar key = typed.front();
    m_handler(key);
    if (key.isNull())
        return true;
    QLineEdit *edit = m_combo->lineEdit();
    if (m_maxLength > 0 && edit && key != QChar(u'\b') && key.isPrint()) {
        const qsizetype kept = edit->text().size() - edit->selectedText().size();
        if (kept >= m_maxLength)
            return true;
    }
    return false;
}

void TypedKeyFilter::filterCommitted(QInputMethodEvent &event)
{
    // Text composed in an input method is typed text too: each character passes the handler,
    // and the length counts as for single keys.
    const QString committed = event.commitString();
    if (committed.isEmpty())
        return;
    const QLineEdit *edit = m_combo->lineEdit();
    qsizetype length = edit ? edit->text().size() - edit->selectedText().size() : 0;
    QString passed;
    for (QChar key : committed) {
        m_handler(key);
        if (key.isNull() || !key.isPrint())
            continue;
        if (m_maxLength > 0 && length >= m_maxLength)
            break;
        passed += key;
        ++length;
    }
    if (passed != committed)
        event.setCommitString(passed, event.replacementStart(), event.replacementLength());
}
