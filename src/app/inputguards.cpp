// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/inputguards.h"

#include <QApplication>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>

namespace {

constexpr int kMarkGap = 2;   // between the control's edge and the mark
constexpr int kMarkWidth = 2; // line width of the mark

bool holdsFocus(const QWidget *control)
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && (focus == control || control->isAncestorOf(focus));
}

class WheelFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel || holdsFocus(static_cast<QWidget *>(watched)))
            return false;
        // Not for this control: ignored, so that the parent gets it (and may scroll).
        event->ignore();
        return true;
    }
};

} // namespace

void ignoreWheelWithoutFocus(QWidget *control)
{
    control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(new WheelFilter(control));
}

FocusMark::FocusMark(QWidget *control) : QObject(control), m_control(control)
{
    control->parentWidget()->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this] {
        const bool shown = focusInside();
        if (shown == m_shown)
            return;
        m_shown = shown;
        m_control->parentWidget()->update(markRect());
    });
}

void FocusMark::install(QWidget *control)
{
    new FocusMark(control);
}

bool FocusMark::focusInside() const
{
    return holdsFocus(m_control);
}

QRect FocusMark::markRect() const
{
    const int out = kMarkGap + kMarkWidth;
    return m_control->geometry().adjusted(-out, -out, out, out);
}

bool FocusMark::eventFilter(QObject *watched, QEvent *event)
{
    // The parent paints nothing of its own over its background; the mark goes on top of it.
    if (event->type() == QEvent::Paint && m_shown && watched == m_control->parentWidget()) {
        QPainter painter(m_control->parentWidget());
        const QColor colour = m_control->palette().color(QPalette::Highlight);
        const QRect outer = markRect();
        painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), kMarkWidth), colour);
        painter.fillRect(
            QRect(outer.left(), outer.bottom() - kMarkWidth + 1, outer.width(), kMarkWidth),
            colour);
        painter.fillRect(QRect(outer.left(), outer.top(), kMarkWidth, outer.height()), colour);
        painter.fillRect(
            QRect(outer.right() - kMarkWidth + 1, outer.top(), kMarkWidth, outer.height()), colour);
    }
    return false;
}
