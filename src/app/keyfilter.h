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
// a middle click, or dropped) goes in whole or not at all. White space around it (a cell copied
// with its line break) is dropped; the rest passes the handler character by character, which
// may replace a character (a decimal separator) but not discard one. When it discards one, when
// the text holds a line break or another control character, or when it would make the edit's
// text longer than maxLength (0: no limit), nothing changes and `refused` gets the text: a paste
// stripped to what passes would be another number. Texts set by the program are not affected.
// owner, when given, is a widget that hands its keys to the edit (a combo box); its paste keys
// are watched too.
using PasteRefused = std::function<void(const QString &pasted)>;
void filterInsertedText(QLineEdit *edit, const std::function<void(QChar &key)> &handler,
                        int maxLength = 0, QWidget *owner = nullptr,
                        const PasteRefused &refused = {});

class TypedKeyFilter : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(QChar &key)>;

    // maxLength 0 means no limit. A paste that would not go in whole is handed to `refused`.
    static void install(QComboBox *combo, Handler handler, int maxLength = 0,
                        const PasteRefused &refused = {});

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TypedKeyFilter(QComboBox *combo, Handler handler, int maxLength);
    void filterCommitted(QInputMethodEvent &event);

    QComboBox *m_combo;
    Handler m_handler;
    int m_maxLength;
};
