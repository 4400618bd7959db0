// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/datafiles.h"
#include "app/platform.h"
#include "app/selfcheck.h"
#include "app/unit1.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QtPlatform platform;
    TForm1 Form1(platform);
    // The open dialog starts at the sample, beside the program or in its installed data folder.
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString sample = findDataFile(programFolder, QStringLiteral("examples/CDI.asm"));
    if (!sample.isEmpty())
        Form1.OpenDialog1.directory = QFileInfo(sample).absolutePath();
    const QRect screen = Form1.screen()->availableGeometry();
    Form1.move(screen.center() - Form1.rect().center());
    Form1.show();
    if (qEnvironmentVariableIsSet("CDI_EDITOR_SELF_CHECK")) {
        QTimer::singleShot(0, &Form1, [&] {
            QTextStream out(stdout);
            QCoreApplication::exit(runSelfCheck(Form1, programFolder, out));
        });
    }
    return application.exec();
}
