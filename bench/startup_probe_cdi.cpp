// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The program's start-up exactly as its main() does it, ending after the first frame.
#include "firstframe.h"

#include "app/lateicons.h"
#include "app/mainwindow.h"
#include "app/platform.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    startupMark("main");
    QApplication application(argc, argv);
    startupMark("QApplication");
    setApplicationNames();
    useLateIconStyle();
    QtPlatform platform;
    MainWindow window(platform);
    startupMark("MainWindow");
#ifdef CDI_EXAMPLES_DIR
    prepareMainWindow(window, QStringLiteral(CDI_EXAMPLES_DIR));
#else
    prepareMainWindow(window, QString());
#endif
    startupMark("prepareMainWindow");
    FirstFrameProbe probe(window);
    window.show();
    startupMark("show");
    return application.exec();
}
