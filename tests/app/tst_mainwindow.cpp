// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The top-level window: the table window in place between the menu bar and the status bar,
// menus that run the window's commands, texts that follow the language switch.
#include "mainwindowsupport.h"

#include "app/gridview.h"
#include "app/windowfit.h"
#include "chart/chartwidget.h"

#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void tableWindowKeepsItsAreaBetweenTheBars();
    void menusFollowTheLanguageSwitch();
    void menuCommandsRunTheWindowsHandlers();
    void helpOpensOnTheStartPageOfTheLanguage();
    void statusBarShowsThePathOfTheLoadedSource();
    void windowFitsTheScreen_data();
    void windowFitsTheScreen();
    void resizableLayoutGrowsChartAndGridAndIsRemembered();
    void compareDialogIsTitledForComparing();
};

static QStringList menuTitles(MainWindow &window)
{
    QStringList titles;
    for (QAction *action : window.menuBar()->actions())
        titles.append(QString(action->text()).remove(QLatin1Char('&')));
    return titles;
}

void TestMainWindow::tableWindowKeepsItsAreaBetweenTheBars()
{
    TopWindow w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    const int menuHeight = w.window.menuBar()->height();
    QVERIFY(menuHeight > 0);
    QCOMPARE(QRect(w.form.mapTo(&w.window, QPoint(0, 0)), w.form.size()),
             QRect(0, menuHeight, 873, 535));
    QCOMPARE(w.window.statusBar()->geometry().top(), menuHeight + 535);
    QCOMPARE(w.window.width(), 873);
    QCOMPARE(w.window.minimumSize(), w.window.maximumSize());
    QVERIFY(!(w.window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.form.Button5->mapTo(&w.window, QPoint(0, 0)), QPoint(16, menuHeight + 384));

    // A long path in the status bar does not widen the window.
    w.window.showPathAndEdited(QString(400, QLatin1Char('x')), true);
    QTest::qWait(20);
    QCOMPARE(w.window.width(), 873);
}

void TestMainWindow::menusFollowTheLanguageSwitch()
{
    TopWindow w;
    QCOMPARE(w.window.windowTitle(),
             QStringLiteral(u"Перерасчет угла опережения ФУОЗ Zarnik  v0.983"));
    QCOMPARE(menuTitles(w.window), QStringList({QStringLiteral(u"Файл"), QStringLiteral(u"Правка"),
                                                QStringLiteral(u"Вид"), QStringLiteral(u"Сервис"),
                                                QStringLiteral(u"Справка")}));
    QVERIFY(menuAction(w.window.fileMenu(), QStringLiteral(u"Открыть…")));

    QSignalSpy switched(&w.window, &MainWindow::languageChanged);
    w.form.Button7->click();
    QCOMPARE(switched.size(), 1);
    QCOMPARE(w.window.language(), 1);
    QCOMPARE(w.window.windowTitle(),
             QStringLiteral("Ignition timing calculator for Zarnik project v0.983"));
    QCOMPARE(menuTitles(w.window), QStringList({"File", "Edit", "View", "Tools", "Help"}));
    QVERIFY(menuAction(w.window.fileMenu(), QStringLiteral(u"Open…")));

    // A command added from outside follows too.
    QAction *added = w.window.addCommand(w.window.toolsMenu(), u"Проверить", u"Check");
    QCOMPARE(added->text(), QStringLiteral("Check"));
    menuAction(w.window.viewMenu(), QStringLiteral("Russian"))->trigger();
    QCOMPARE(w.window.language(), 0);
    QCOMPARE(added->text(), QStringLiteral(u"Проверить"));
    QCOMPARE(w.form.Button7->text(), QStringLiteral("English"));
}

void TestMainWindow::menuCommandsRunTheWindowsHandlers()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("CDI.asm"), sampleBytes());
    const CurrentFolderGuard inFolder(dir.path()); // no help file here
    TopWindow w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    w.window.activateWindow();
    w.platform.answerDialog(path);
    QTest::keyClick(&w.window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(w.platform.dialogsShown.size(), 1);
    QCOMPARE(w.form.state().FirmwareName, QStringLiteral("CDI.asm"));
    w.form.grid().setCell(4, 3, QStringLiteral("11"));
    QTest::keyClick(&w.window, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
    QCOMPARE(w.form.grid().cell(1, 3), QStringLiteral("13")); // 11 degrees stored as a code
    QVERIFY(readFile(path) != sampleBytes());
    QVERIFY(!w.form.hasUnsavedChanges());

    menuAction(w.window.toolsMenu(), QStringLiteral(u"Компилировать"))->trigger();
    QCOMPARE(w.platform.commandsStarted.size(), 1);
    menuAction(w.window.helpMenu(), QStringLiteral(u"Справка"))->trigger();
    QCOMPARE(w.platform.takeBoxes().size(), 1); // no help file here: the warning
}

void TestMainWindow::helpOpensOnTheStartPageOfTheLanguage()
{
    QTemporaryDir current;
    const CurrentFolderGuard inFolder(current.path());
    TopWindow w;
    const QString help = writeFile(w.platform.programDir, QStringLiteral("Help.chm"), "ITSF");
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    w.window.activateWindow();
    QTest::keyClick(&w.window, Qt::Key_F1);
    w.form.Button7->click();
    QTest::keyClick(&w.window, Qt::Key_F1);
    w.form.Button7->click();
    w.form.Button3->click();
    QCOMPARE(w.platform.documentsOpened, QStringList({help, help, help}));
    QCOMPARE(w.platform.topicsOpened, QList<int>({1, 2, 1}));
}

void TestMainWindow::statusBarShowsThePathOfTheLoadedSource()
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("CDI.asm"), sampleBytes());
    TopWindow w;
    QCOMPARE(w.window.pathText(), QString());
    w.load(path);
    QCOMPARE(w.window.pathText(), path);
    QCOMPARE(w.window.editedText(), QString());

    // A path longer than its place is shortened in the middle, its name kept, and shown whole
    // in the tooltip; a note likewise.
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    const QString longPath = QStringLiteral("/media/user/") + QString(300, QLatin1Char('d')) +
                             QStringLiteral("/firmware/CDI.asm");
    w.window.showPathAndEdited(longPath, false);
    w.window.showNote(QString(300, QLatin1Char('r')) + QStringLiteral(" end"),
                      QStringLiteral("english"));
    for (const QString name : {QStringLiteral("path"), QStringLiteral("note")}) {
        const auto *label = w.window.findChild<QLabel *>(name);
        QVERIFY(label);
        QVERIFY2(label->text().contains(QChar(0x2026)), qPrintable(label->text()));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
        QCOMPARE(label->toolTip(), name == QLatin1String("path") ? longPath : w.window.note());
    }
    const QString shownPath = w.window.findChild<QLabel *>(QStringLiteral("path"))->text();
    QVERIFY(shownPath.startsWith(QStringLiteral("/media/user/d")));
    QVERIFY(shownPath.endsWith(QStringLiteral("/firmware/CDI.asm")));
    QVERIFY(w.window.note().endsWith(QStringLiteral(" end")));
    QCOMPARE(w.window.pathText(), longPath);
    QCOMPARE(w.window.width(), 873);
}

void TestMainWindow::windowFitsTheScreen_data()
{
    QTest::addColumn<QSize>("room");
    QTest::addColumn<QSize>("fitted");
    // The window needs 873 x 575; a scroll bar is 14 wide.
    QTest::newRow("room enough") << QSize(1920, 1040) << QSize(873, 575);
    QTest::newRow("exactly") << QSize(873, 575) << QSize(873, 575);
    QTest::newRow("200 % of 1920 x 1080") << QSize(960, 540) << QSize(887, 540);
    QTest::newRow("too low, no room for the bar") << QSize(880, 500) << QSize(880, 500);
    QTest::newRow("too narrow") << QSize(800, 1000) << QSize(800, 589);
    QTest::newRow("too small both ways") << QSize(640, 480) << QSize(640, 480);
}

void TestMainWindow::windowFitsTheScreen()
{
    QFETCH(QSize, room);
    QFETCH(QSize, fitted);
    QCOMPARE(fittedWindowSize(QSize(873, 575), room, 14), fitted);
    // Centred, but never with its title bar above or left of the screen.
    QCOMPARE(centredWindowPosition(QSize(887, 560), QRect(0, 20, 960, 520)), QPoint(36, 20));
    QCOMPARE(centredWindowPosition(QSize(873, 575), QRect(0, 0, 1920, 1080)), QPoint(523, 252));
}

void TestMainWindow::resizableLayoutGrowsChartAndGridAndIsRemembered()
{
    QTemporaryDir dir;
    const QString settingsFile = dir.filePath(QStringLiteral("settings.ini"));
    const auto settings = [&] {
        return std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
    };
    const QRect chart(416, 16, 449, 505);
    const QRect grid(208, 16, 201, 505);
    QSize fixedWindow;
    {
        TopWindow w;
        w.window.rememberFoldersIn(settings());
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        fixedWindow = w.window.size();
        QAction *resizable = menuAction(w.window.viewMenu(), QStringLiteral(u"Растягиваемое окно"));
        QVERIFY(resizable && resizable->isCheckable() && !resizable->isChecked());
        resizable->trigger();
        QVERIFY(w.window.minimumSize() != w.window.maximumSize());
        w.window.resize(fixedWindow + QSize(300, 200));
        QTRY_COMPARE(w.form.size(), QSize(873 + 300, 535 + 200));
        QCOMPARE(w.form.Chart1->geometry(), chart.adjusted(0, 0, 300, 200));
        QCOMPARE(w.form.StringGrid1->geometry(), grid.adjusted(0, 0, 0, 200));
        QCOMPARE(w.form.Button5->geometry(), QRect(16, 384, 177, 33));
        QCOMPARE(w.form.Memo1->geometry(), QRect(16, 120, 177, 153));
    }
    QCOMPARE(settings()->value(QStringLiteral("window/resizableLayout")).toBool(), true);

    TopWindow again;
    again.window.rememberFoldersIn(settings());
    QVERIFY(again.window.resizableLayout());
    again.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again.window));
    again.window.resize(fixedWindow + QSize(100, 50));
    QTRY_COMPARE(again.form.Chart1->geometry(), chart.adjusted(0, 0, 100, 50));
    QAction *resizable = menuAction(again.window.viewMenu(), QStringLiteral(u"Растягиваемое окно"));
    QVERIFY(resizable->isChecked());
    resizable->trigger();
    QTRY_COMPARE(again.window.size(), fixedWindow);
    QCOMPARE(again.window.minimumSize(), again.window.maximumSize());
    QCOMPARE(again.form.size(), QSize(873, 535));
    QCOMPARE(again.form.Chart1->geometry(), chart);
    QCOMPARE(again.form.StringGrid1->geometry(), grid);
    QCOMPARE(settings()->value(QStringLiteral("window/resizableLayout")).toBool(), false);
    again.form.Button7Click();
    QCOMPARE(resizable->text(), QStringLiteral("Resi&zable layout"));
}

void TestMainWindow::compareDialogIsTitledForComparing()
{
    TopWindow w;
    QAction *compare = menuAction(w.window.fileMenu(), QStringLiteral(u"Сравнить с…"));
    QVERIFY(compare);
    w.platform.cancelDialog();
    compare->trigger();
    w.form.Button7Click();
    w.platform.cancelDialog();
    compare->trigger();
    QCOMPARE(w.platform.dialogsShown.size(), 2);
    QCOMPARE(w.platform.dialogsShown[0].title, QStringLiteral(u"Сравнить с файлом"));
    QCOMPARE(w.platform.dialogsShown[1].title, QStringLiteral("Compare with file"));
    // The open dialog keeps the toolkit's title.
    w.platform.cancelDialog();
    w.form.Button1Click();
    QCOMPARE(w.platform.dialogsShown[2].title, QString());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
