// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The top-level window: the table window in place between the menu bar and the status bar,
// menus that run the window's commands, texts that follow the language switch.
#include "mainwindowsupport.h"

#include <QMenuBar>
#include <QPushButton>
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
    QCOMPARE(w.form.geometry(), QRect(0, menuHeight, 873, 535));
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
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
