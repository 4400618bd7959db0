// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/keyfilter.h"

#include <QComboBox>
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
