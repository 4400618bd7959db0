// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/lateicons.h"
#include "app/mainwindow.h"
#include "app/platform.h"
#include "app/selfcheck.h"
#include "app/startup.h"
#include "app/unit1.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    setApplicationNames();
    useLateIconStyle();
    QtPlatform platform;
    MainWindow window(platform);
    // The open dialog starts in the user's documents, never in the installed sample's folder,
    // where nothing can be saved; "Open sample" copies the sample there first.
    const QString programFolder = QCoreApplication::applicationDirPath();
    prepareMainWindow(window, documentsFolder());
    window.show();
    if (qEnvironmentVariableIsSet("CDI_EDITOR_SELF_CHECK")) {
        QTimer::singleShot(0, &window, [&] {
            QTextStream out(stdout);
            QCoreApplication::exit(runSelfCheck(window.form(), programFolder, out));
        });
    }
    return application.exec();
}
