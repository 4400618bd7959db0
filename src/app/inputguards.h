// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QObject>
#include <QRect>

class QWidget;

// The mouse wheel changes a control's value only while the control has the keyboard focus; a
// pointer that merely passes over it leaves it alone, and the wheel event goes on to the parent.
// The control then takes the focus by click and Tab only.
void ignoreWheelWithoutFocus(QWidget *control);

// A frame in the highlight colour drawn around `control`, on its parent, while the focus is in
// it or in one of its children (a cell editor in a grid).
class FocusMark : public QObject
{
    Q_OBJECT
public:
    static void install(QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit FocusMark(QWidget *control);
    bool focusInside() const;
    QRect markRect() const;

    QWidget *m_control;
    bool m_shown = false;
};
