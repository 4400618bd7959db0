// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QObject>

#include <functional>

class QComboBox;
class QInputMethodEvent;

// Passes each character typed into a combo box's edit field through a handler that may discard
// it (set it to the null character), and keeps typing within a length; text committed by an
// input method is filtered the same way. Keys that type no character (Delete, arrows, Tab) and
// texts the program sets are not affected.
class TypedKeyFilter : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(QChar &key)>;

    // maxLength 0 means no limit.
    static void install(QComboBox *combo, Handler handler, int maxLength = 0);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TypedKeyFilter(QComboBox *combo, Handler handler, int maxLength);
    void filterCommitted(QInputMethodEvent &event);

    QComboBox *m_combo;
    Handler m_handler;
    int m_maxLength;
};
