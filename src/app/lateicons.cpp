// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/lateicons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace {

class LateIconEngine final : public QIconEngine
{
public:
    struct Shared
    {
        std::function<QIcon()> make;
        std::optional<QIcon> icon;
    };

    explicit LateIconEngine(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return icon().name(); }
    // Asking whether there is an icon at all must not make it.
    bool isNull() override { return m_shared->icon ? m_shared->icon->isNull() : false; }
    QString key() const override { return QStringLiteral("LateIconEngine"); }
    QIconEngine *clone() const override { return new LateIconEngine(m_shared); }

private:
    const QIcon &icon()
    {
        if (!m_shared->icon)
            m_shared->icon = m_shared->make ? m_shared->make() : QIcon();
        return *m_shared->icon;
    }

    std::shared_ptr<Shared> m_shared;
};

} // namespace

QIcon lateIcon(std::function<QIcon()> make)
{
    auto shared = std::make_shared<LateIconEngine::Shared>();
    shared->make = std::move(make);
    return QIcon(new LateIconEngine(std::move(shared)));
}

QIcon LateIconStyle::standardIcon(StandardPixmap icon, const QStyleOption *option,
                                  const QWidget *widget) const
{
    if (option ||
        (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton))
        return QProxyStyle::standardIcon(icon, option, widget);
    // The button's direction is read when the icon is made, as the style would read it now.
    return lateIcon([style = QPointer<LateIconStyle>(const_cast<LateIconStyle *>(this)),
                     target = QPointer<QWidget>(const_cast<QWidget *>(widget)), icon] {
        return style ? style->baseStyle()->standardIcon(icon, nullptr, target.data()) : QIcon();
    });
}

void useLateIconStyle()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()) ||
        !qApp->styleSheet().isEmpty() || qobject_cast<LateIconStyle *>(QApplication::style()))
        return;
    // The proxy takes the style over; QApplication then keeps the proxy instead of deleting it.
    QApplication::setStyle(new LateIconStyle(QApplication::style()));
}
