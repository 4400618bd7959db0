// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/filesave.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kOld = "ldi R16, 14\r\nold text\r\n";
const QByteArray kNew = "ldi R16, 200\r\nnew text, a little longer\r\n";

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool createFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString writeError(const QString &path, const QByteArray &bytes, const ChunkWriter &writer = {})
{
    try {
        writeSourceFile(path, bytes, writer);
    } catch (const ConversionError &error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

enum class Fault
{
    ReadOnly,
    MissingFolder,
    FolderInPlace,
    FailingWrite,
    ShortWrite
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class FileSaveTest : public QObject
{
    Q_OBJECT

private slots:
    void createsMissingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        writeSourceFile(path, kNew);
        QCOMPARE(readFile(path), kNew);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"CDI.asm"});
    }

    void replacesFileKeepingItsPermissions()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QVERIFY(createFile(path, kOld));
        const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(path, permissions));
        writeSourceFile(path, kNew);
        QCOMPARE(readFile(path), kNew);
        // Owner, group and others; the "user" flags depend on who runs the test.
        const auto ownerGroupOther = QFile::Permissions::fromInt(0x7077);
        QCOMPARE(QFile::permissions(path) & ownerGroupOther, permissions);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"CDI.asm"});
    }

    void replacesTheTargetOfALink()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("real.asm"));
        const QString link = dir.filePath(QStringLiteral("CDI.asm"));
        QVERIFY(createFile(target, kOld));
        QVERIFY(QFile::link(target, link));
        writeSourceFile(link, kNew);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(target), kNew);
    }

    void faultLeavesFileAsItWas_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message"); // %1 the path
        QTest::newRow("read-only file")
            << Fault::ReadOnly << "Cannot create file \"%1\". Permission denied";
        QTest::newRow("missing folder")
            << Fault::MissingFolder << "Cannot create file \"%1\". No such file or directory";
        QTest::newRow("folder in place of the file")
            << Fault::FolderInPlace << "Cannot create file \"%1\". Is a directory";
        QTest::newRow("write fails part-way") << Fault::FailingWrite << "Stream write error";
        QTest::newRow("write stops part-way") << Fault::ShortWrite << "Stream write error";
    }
    void faultLeavesFileAsItWas()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString path = dir.filePath(QStringLiteral("CDI.asm"));
        ChunkWriter writer;
        switch (fault) {
        case Fault::ReadOnly:
            QVERIFY(createFile(path, kOld));
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
            break;
        case Fault::MissingFolder:
            path = dir.filePath(QStringLiteral("fw/CDI.asm"));
            break;
        case Fault::FolderInPlace:
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("CDI.asm")));
            break;
        case Fault::FailingWrite:
        case Fault::ShortWrite:
            QVERIFY(createFile(path, kOld));
            writer = [fault](QIODevice &device, const QByteArray &bytes) -> qint64 {
                const qint64 half = device.write(bytes.left(bytes.size() / 2));
                return fault == Fault::FailingWrite ? -1 : half;
            };
            break;
        }
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);

        if (message.contains(QLatin1String("%1")))
            message = message.arg(path);
        QCOMPARE(writeError(path, kNew, writer), message);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        if (fault != Fault::MissingFolder && fault != Fault::FolderInPlace)
            QCOMPARE(readFile(path), kOld);

        // Once the cause is gone, the save goes through.
        switch (fault) {
        case Fault::ReadOnly:
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
            break;
        case Fault::MissingFolder:
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("fw")));
            break;
        case Fault::FolderInPlace:
            QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("CDI.asm")));
            break;
        case Fault::FailingWrite:
        case Fault::ShortWrite:
            break;
        }
        writeSourceFile(path, kNew);
        QCOMPARE(readFile(path), kNew);
    }
};

QTEST_GUILESS_MAIN(FileSaveTest)
#include "tst_filesave.moc"
