// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/mainwindow.h"
#include "app/platform.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    setApplicationNames();
    QtPlatform platform;
    MainWindow window(platform);
#ifdef CDI_EXAMPLES_DIR
    prepareMainWindow(window, QStringLiteral(CDI_EXAMPLES_DIR));
#else
    prepareMainWindow(window, QString());
#endif
    window.show();
    return application.exec();
}
