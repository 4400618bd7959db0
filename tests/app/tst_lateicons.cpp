// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The start-up style: overflow icons made on first use, and the window drawn as without it.
#include "app/lateicons.h"
#include "mainwindowsupport.h"

#include <QApplication>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>

namespace {

// Fusion, counting how often it is asked for the menu bar's overflow icon.
class CountingStyle : public QProxyStyle
{
public:
    CountingStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("fusion"))) {}

    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option,
                       const QWidget *widget) const override
    {
        if (icon == SP_ToolBarHorizontalExtensionButton)
            ++made;
        return QProxyStyle::standardIcon(icon, option, widget);
    }

    mutable int made = 0;
};

QImage image(const QIcon &icon, int size)
{
    return icon.pixmap(size).toImage();
}

} // namespace

class TestLateIcons : public QObject
{
    Q_OBJECT
private slots:
    void overflowIconIsMadeOnFirstUseOnly();
    void otherIconsComeFromTheStyleAtOnce();
    void windowLooksTheSameUnderTheStyle();
};

void TestLateIcons::overflowIconIsMadeOnFirstUseOnly()
{
    auto *base = new CountingStyle;
    LateIconStyle style(base);
    const QIcon icon = style.standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    QVERIFY(!icon.isNull());
    QCOMPARE(base->made, 0);

    const QImage drawn = image(icon, 16);
    QCOMPARE(base->made, 1);
    QVERIFY(!drawn.isNull());
    QCOMPARE(
        drawn,
        image(base->baseStyle()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton), 16));
    // Copies share the icon made.
    const QIcon copy = icon;
    QCOMPARE(image(copy, 16), drawn);
    QCOMPARE(copy.availableSizes(), base->baseStyle()
                                        ->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)
                                        .availableSizes());
    QCOMPARE(base->made, 1);
}

void TestLateIcons::otherIconsComeFromTheStyleAtOnce()
{
    auto *base = new CountingStyle;
    LateIconStyle style(base);
    for (const QStyle::StandardPixmap which :
         {QStyle::SP_ArrowUp, QStyle::SP_DialogOkButton, QStyle::SP_MessageBoxWarning}) {
        QCOMPARE(image(style.standardIcon(which), 16),
                 image(base->baseStyle()->standardIcon(which), 16));
    }
}

void TestLateIcons::windowLooksTheSameUnderTheStyle()
{
    TopWindow before;
    const QImage plain = before.window.grab().toImage();
    const auto *plainOverflow =
        before.window.menuBar()->findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button"));
    QVERIFY(plainOverflow);
    const QImage plainIcon = image(plainOverflow->icon(), 16);

    useLateIconStyle();
    QStyle *const style = QApplication::style();
    QVERIFY(qobject_cast<LateIconStyle *>(style));
    useLateIconStyle();
    QCOMPARE(QApplication::style(), style);

    TopWindow after;
    QCOMPARE(after.window.grab().toImage(), plain);
    const auto *overflow =
        after.window.menuBar()->findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button"));
    QVERIFY(overflow);
    QCOMPARE(image(overflow->icon(), 16), plainIcon);
}

QTEST_MAIN(TestLateIcons)
#include "tst_lateicons.moc"
