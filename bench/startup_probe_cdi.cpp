// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The program's start-up exactly as its main() does it, ending after the first frame.
#include "firstframe.h"

#include "app/platform.h"
#include "app/unit1.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QtPlatform platform;
    TForm1 Form1(platform);
#ifdef CDI_EXAMPLES_DIR
    if (QFileInfo(QStringLiteral(CDI_EXAMPLES_DIR)).isDir())
        Form1.OpenDialog1.directory = QStringLiteral(CDI_EXAMPLES_DIR);
#endif
    const QRect screen = Form1.screen()->availableGeometry();
    Form1.move(screen.center() - Form1.rect().center());
    FirstFrameProbe probe(Form1);
    Form1.show();
    return application.exec();
}
