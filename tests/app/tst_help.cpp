// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// "О программе" / "Help": the help file from the current folder or beside the program.
#include "apptestsupport.h"

#include <QTest>

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void openedFromTheCurrentFolder_data();
    void openedFromTheCurrentFolder();
    void openedFromBesideTheProgram();
    void currentFolderComesFirst();
    void openedFromTheInstalledDataFolder();
    void missingWarnsOnEveryClick();
};

static const QString kAddress = QStringLiteral("https://cdi-table-editor.example.org/forum");

static void putHelpFile(const QString &folder)
{
    writeFile(folder + QStringLiteral("/Help.chm"), QByteArray("ITSF"));
}

void TestHelp::openedFromTheCurrentFolder_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("Russian") << 0;
    QTest::newRow("English") << 1;
}

void TestHelp::openedFromTheCurrentFolder()
{
    QFETCH(int, language);
    QTemporaryDir current;
    putHelpFile(current.path());
    const CurrentFolderGuard inFolder(current.path());
    Window w;
    if (language == 1)
        w.form.Button7Click();
    w.form.Button3Click();
    QCOMPARE(w.platform.documentsOpened, QStringList({current.filePath("Help.chm")}));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestHelp::openedFromBesideTheProgram()
{
    QTemporaryDir current;
    const CurrentFolderGuard inFolder(current.path());
    Window w;
    putHelpFile(w.platform.programDir.path());
    w.form.Button3Click();
    QCOMPARE(w.platform.documentsOpened, QStringList({w.platform.programDir.filePath("Help.chm")}));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestHelp::currentFolderComesFirst()
{
    QTemporaryDir current;
    putHelpFile(current.path());
    const CurrentFolderGuard inFolder(current.path());
    Window w;
    putHelpFile(w.platform.programDir.path());
    w.form.Button3Click();
    QCOMPARE(w.platform.documentsOpened, QStringList({current.filePath("Help.chm")}));
}

void TestHelp::openedFromTheInstalledDataFolder()
{
    QTemporaryDir current;
    const CurrentFolderGuard inFolder(current.path());
    Window w;
    const QDir prefix(w.platform.programDir.path());
    QVERIFY(prefix.mkpath(QStringLiteral("usr/bin")));
    QVERIFY(prefix.mkpath(QStringLiteral("usr/share/cdi-editor")));
    w.platform.programFolderPath = prefix.filePath(QStringLiteral("usr/bin"));
    putHelpFile(prefix.filePath(QStringLiteral("usr/share/cdi-editor")));
    w.form.Button3Click();
    QCOMPARE(w.platform.documentsOpened,
             QStringList({prefix.filePath(QStringLiteral("usr/share/cdi-editor/Help.chm"))}));
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>());
}

void TestHelp::missingWarnsOnEveryClick()
{
    QTemporaryDir current;
    const CurrentFolderGuard inFolder(current.path());
    // A folder of that name is no help file.
    QVERIFY(QDir(current.path()).mkdir(QStringLiteral("Help.chm")));
    Window w;
    const ShownBox russian = {ShownBox::Warning,
                              QStringLiteral(u"Куда все подевалось? Файла справки нет в папке "
                                             u"программы. Ищите на ") +
                                  kAddress};
    const ShownBox english = {ShownBox::Warning, "Help file not found, reload on " + kAddress};
    w.form.Button3Click();
    w.form.Button3Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({russian, russian}));
    w.form.Button7Click();
    w.form.Button3Click();
    w.form.Button3Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({english, english}));
    w.form.Button7Click();
    w.form.Button3Click();
    QCOMPARE(w.platform.takeBoxes(), QList<ShownBox>({russian}));
    QCOMPARE(w.platform.documentsOpened, QStringList());
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
