// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QObject>

#include <functional>

class QComboBox;
class QInputMethodEvent;
class QLineEdit;
class QWidget;

// Passes each character typed into a combo box's edit field through a handler that may discard
// it (set it to the null character), and keeps typing within a length; text committed by an
// input method is filtered the same way. Keys that type no character (Delete, arrows, Tab) and
// texts the program sets are not affected.
// Text that reaches a line edit without a typed key (pasted with a shortcut, the context menu or
// a middle click, or dropped) passes the same handler character by character, as typed keys do:
// what it discards is left out, and so is whatever goes past maxLength (0: no limit). Texts set
// by the program are not affected. owner, when given, is a widget that hands its keys to the edit
// (a combo box); its paste keys are watched too.
void filterInsertedText(QLineEdit *edit, const std::function<void(QChar &key)> &handler,
                        int maxLength = 0, QWidget *owner = nullptr);

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
