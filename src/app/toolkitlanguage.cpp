// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/toolkitlanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Loaded once and kept for the life of the application; installed only while it is Russian.
QTranslator *russianTranslator()
{
    static QTranslator *translator = [] {
        auto *loaded = new QTranslator(QCoreApplication::instance());
        if (!loaded->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete loaded;
            return static_cast<QTranslator *>(nullptr);
        }
        return loaded;
    }();
    return translator;
}

} // namespace

bool setToolkitLanguage(unsigned char language)
{
    static bool installed = false;
    QTranslator *const russian = russianTranslator();
    if (language == 0) {
        if (russian && !installed)
            installed = QCoreApplication::installTranslator(russian);
        return installed;
    }
    if (installed)
        QCoreApplication::removeTranslator(russian);
    installed = false;
    return true;
}
