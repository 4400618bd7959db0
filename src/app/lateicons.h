// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QIcon>
#include <QProxyStyle>

#include <functional>

// An icon that is made only when it is first drawn or measured, for icons that most runs never
// show. Copies share the one icon made.
QIcon lateIcon(std::function<QIcon()> make);

// The application's style as it is, except that the icons of the overflow buttons of menu
// bars and tool bars are loaded only when such a button is shown. Loading them reads image
// files, which makes the toolkit load every image format plug-in at start-up.
class LateIconStyle : public QProxyStyle
{
    Q_OBJECT
public:
    explicit LateIconStyle(QStyle *base) : QProxyStyle(base) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

// Makes the application's style a LateIconStyle over the style it has; before any widget is
// made, so that none has to be polished again. Nothing changes under a style sheet.
void useLateIconStyle();
