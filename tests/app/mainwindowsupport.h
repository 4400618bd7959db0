// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/mainwindow.h"
#include "apptestsupport.h"

#include <QAction>
#include <QMenu>

// The program's top-level window with its recording desktop.
struct TopWindow
{
    FakePlatform platform;
    MainWindow window{platform};
    TForm1 &form = window.form();

    void load(const QString &path)
    {
        platform.answerDialog(path);
        form.Button1Click();
    }
};

// The action of `menu` whose text, without its '&' marks, is `text`; null when there is none.
inline QAction *menuAction(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (QString(action->text()).remove(QLatin1Char('&')) == text)
            return action;
    }
    return nullptr;
}
