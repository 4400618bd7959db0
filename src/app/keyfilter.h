// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QObject>

#include <functional>

class QComboBox;

// Passes each character typed into a combo box's edit field through a handler that may discard
// it (set it to the null character), and keeps typing within a length. Keys that type no
// character (Delete, arrows, Tab) and texts the program sets are not affected.
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

    QComboBox *m_combo;
    Handler m_handler;
    int m_maxLength;
};
