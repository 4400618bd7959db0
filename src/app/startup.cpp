// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/startup.h"

#include "app/editcommands.h"
#include "app/mainwindow.h"
#include "app/unit1.h"
#include "app/windowfit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("cdi-table-editor"));
    QCoreApplication::setApplicationName(QStringLiteral("cdi-editor"));
}

void prepareMainWindow(MainWindow &window, const QString &firstFolder)
{
    window.rememberFoldersIn(std::make_unique<QSettings>());
    window.form().commands().rememberOptionsIn(window.settings());
    OpenDialogSettings &dialog = window.form().OpenDialog1;
    const QString remembered = window.rememberedFolder();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        dialog.directory = remembered;
    else if (!firstFolder.isEmpty() && QFileInfo(firstFolder).isDir())
        dialog.directory = firstFolder;
    window.fitToScreen();
    window.move(centredWindowPosition(window.size(), window.screen()->availableGeometry()));
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}
