// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/keyfilter.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>

TypedKeyFilter::TypedKeyFilter(QComboBox *combo, Handler handler, int maxLength)
    : QObject(combo), m_combo(combo), m_handler(std::move(handler)), m_maxLength(maxLength)
{}

void TypedKeyFilter::install(QComboBox *combo, Handler handler, int maxLength)
{
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
