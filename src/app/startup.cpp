// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/startup.h"

#include "app/editcommands.h"
#include "app/mainwindow.h"
#include "app/unit1.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLayout>
#include <QScreen>
#include <QSettings>

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("cdi-table-editor"));
    QCoreApplication::setApplicationName(QStringLiteral("cdi-editor"));
}

void prepareMainWindow(MainWindow &window, const QString &sampleFolder)
{
    window.rememberFoldersIn(std::make_unique<QSettings>());
    window.form().commands().rememberOptionsIn(window.settings());
    OpenDialogSettings &dialog = window.form().OpenDialog1;
    const QString remembered = window.rememberedFolder();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        dialog.directory = remembered;
    else if (!sampleFolder.isEmpty() && QFileInfo(sampleFolder).isDir())
        dialog.directory = sampleFolder;
    window.layout()->activate();
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
}
