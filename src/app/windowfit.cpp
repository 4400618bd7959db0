// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/windowfit.h"

#include "app/gridview.h"
#include "app/unit1.h"
#include "chart/chartwidget.h"

#include <algorithm>

void stretchForm(TForm1 &form)
{
    const int extraWidth = std::max(0, form.width() - kFormSize.width());
    const int extraHeight = std::max(0, form.height() - kFormSize.height());
    form.StringGrid1->setGeometry(208, 16, 201, 505 + extraHeight);
    form.Chart1->setGeometry(416, 16, 449 + extraWidth, 505 + extraHeight);
}

QSize fittedWindowSize(QSize natural, QSize room, int scrollBarExtent)
{
    QSize size = natural.boundedTo(room);
    // A vertical scroll bar takes width from the area, a horizontal one height.
    if (size.height() < natural.height())
        size.setWidth(std::min(natural.width() + scrollBarExtent, room.width()));
    if (size.width() < natural.width())
        size.setHeight(std::min(natural.height() + scrollBarExtent, room.height()));
    return size;
}

QPoint centredWindowPosition(QSize frame, const QRect &available)
{
    return {available.left() + std::max(0, (available.width() - frame.width()) / 2),
            available.top() + std::max(0, (available.height() - frame.height()) / 2)};
}
