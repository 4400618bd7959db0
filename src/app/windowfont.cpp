// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/windowfont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

QString windowFontFamily()
{
    static const QString chosen = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char *wanted :
             {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"}) {
            const QString family = QString::fromLatin1(wanted);
            if (installed.contains(family, Qt::CaseInsensitive))
                return family;
        }
        return QString();
    }();
    return chosen;
}

QFont windowFont()
{
    QFont font;
    if (const QString family = windowFontFamily(); !family.isEmpty())
        font.setFamily(family);
    font.setPixelSize(11);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

WindowFontAsDefault::WindowFontAsDefault() : m_default(QGuiApplication::font())
{
    QGuiApplication::setFont(windowFont());
}

WindowFontAsDefault::~WindowFontAsDefault()
{
    QGuiApplication::setFont(m_default);
}
