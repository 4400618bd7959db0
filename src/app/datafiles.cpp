// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/datafiles.h"

#include <QDir>
#include <QFileInfo>

#ifndef CDI_DATA_FROM_BIN
#define CDI_DATA_FROM_BIN "../share/cdi-editor"
#endif

QStringList dataFolders(const QString &programFolder)
{
    const QDir program(programFolder);
    return {program.path(), QDir::cleanPath(program.filePath(QStringLiteral(CDI_DATA_FROM_BIN)))};
}

QString findDataFile(const QString &programFolder, const QString &relativePath)
{
    for (const QString &folder : dataFolders(programFolder)) {
        const QString path = QDir(folder).filePath(relativePath);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QStringList helpFilePlaces(const QString &programFolder)
{
    const QString name = QStringLiteral("Help.chm");
    QStringList places = {QDir::current().filePath(name)};
    for (const QString &folder : dataFolders(programFolder))
        places << QDir(folder).filePath(name);
    return places;
}
