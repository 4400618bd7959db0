// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/filesave.h"

#include "format/inplacesave.h"
#include "format/savejournal.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

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

struct stat statusOf(const QString &path)
{
    struct stat status
    {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        status.st_ino = 0;
    return status;
}

FileWriteError::Kind errorKind(const QString &path, const QByteArray &bytes,
                               const ChunkWriter &writer = {})
{
    try {
        writeSourceFile(path, bytes, writer);
    } catch (const FileWriteError &error) {
        return error.kind;
    }
    QTest::qFail("no error", __FILE__, __LINE__);
    return FileWriteError::Damaged;
}

// The folder's names, hidden ones and special files too.
QStringList namesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                  QDir::NoDotAndDotDot);
}

bool hardLink(const QString &path, const QString &other)
{
    return ::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()) == 0;
}

// Runs work in a child process; the signal that ended it, 0 when it ended by itself, -1 when it
// could not be run.
int endingSignal(const std::function<void()> &work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            work();
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

// A save of bytes to path killed when half of them are written over the old ones.
bool killedWhileOverwriting(const QString &path, const QByteArray &bytes)
{
    return endingSignal([&] {
               writeSourceFile(path, bytes, [](QIODevice &device, const QByteArray &all) {
                   device.write(all.left(all.size() / 2));
                   ::raise(SIGKILL);
                   return qint64(-1);
               });
           }) == SIGKILL;
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
    std::unique_ptr<QTemporaryDir> m_cache;

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

    // For each test, the user's cache folder, where the backups that cannot go beside their file
    // and the records of saves are kept, is a private folder of the test's.
    void init()
    {
        m_cache = std::make_unique<QTemporaryDir>();
        QVERIFY(m_cache->isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache->path()));
    }

    // A file with a second name is written in place: both names see the new text, it stays the
    // same file, and the backup beside it is gone afterwards. During the write the backup holds
    // the old text.
    void hardLinkedFileIsWrittenInPlace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        const QString other = dir.filePath(QStringLiteral("other-name.asm"));
        QVERIFY(createFile(path, kOld));
        QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()) ==
                0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 06754) == 0);
        const ino_t inode = statusOf(path).st_ino;
        QByteArray backupDuringWrite;
        writeSourceFile(path, kNew, [&](QIODevice &device, const QByteArray &bytes) {
            backupDuringWrite = readFile(path + QLatin1Char('~'));
            return device.write(bytes);
        });
        QCOMPARE(backupDuringWrite, kOld);
        QCOMPARE(readFile(path), kNew);
        QCOMPARE(readFile(other), kNew);
        QCOMPARE(statusOf(path).st_ino, inode);
        QCOMPARE(statusOf(path).st_mode & 07777, mode_t(06754));
        QCOMPARE(namesIn(dir.path()), QStringList({"CDI.asm", "other-name.asm"}));
        // A shorter text leaves nothing of the longer one behind.
        writeSourceFile(path, kOld);
        QCOMPARE(readFile(other), kOld);
        QCOMPARE(statusOf(path).st_ino, inode);
        // Nothing is left of the saves' records either.
        QCOMPARE(namesIn(saveFolderPath()), QStringList());
    }

    // A file of that backup name that is already there is the user's: the backup goes to the
    // cache folder instead, and that one is removed too.
    void existingBackupNameIsLeftAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QVERIFY(createFile(path, kOld));
        QVERIFY(createFile(path + QLatin1Char('~'), "mine"));
        QVERIFY(::link(QFile::encodeName(path).constData(),
                       QFile::encodeName(dir.filePath("b.asm")).constData()) == 0);
        QByteArray cachedDuringWrite;
        writeSourceFile(path, kNew, [&](QIODevice &device, const QByteArray &bytes) {
            cachedDuringWrite = readFile(cacheBackupPath(path));
            return device.write(bytes);
        });
        QCOMPARE(cachedDuringWrite, kOld);
        QCOMPARE(readFile(path + QLatin1Char('~')), QByteArray("mine"));
        QVERIFY(!QFile::exists(cacheBackupPath(path)));
        QCOMPARE(readFile(dir.filePath("b.asm")), kNew);
    }

    // A save killed while it copies the old text leaves no backup that looks whole, and no
    // record: the file was not touched. The next save goes through and removes the pieces that
    // killed saves of this file left, beside it and in the folder of our own, and only those:
    // not a link or another user's file of such a name, nor a piece of another file's.
    void killedWhileWritingTheBackup()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        const QByteArray old(64 * 1024, 'o');
        QVERIFY(createFile(path, old));
        QVERIFY(hardLink(path, dir.filePath(QStringLiteral("b.asm"))));
        // Writing past 16 KiB kills the child, in the middle of the backup.
        const int signal = endingSignal([&] {
            const struct rlimit noCore
            {
                0, 0
            };
            const struct rlimit small
            {
                16 * 1024, 16 * 1024
            };
            ::setrlimit(RLIMIT_CORE, &noCore);
            ::signal(SIGXFSZ, SIG_DFL);
            ::setrlimit(RLIMIT_FSIZE, &small);
            writeSourceFile(path, kNew);
        });
        QCOMPARE(signal, SIGXFSZ);
        QCOMPARE(readFile(path), old);
        QVERIFY(!QFileInfo::exists(path + QLatin1Char('~')));
        QCOMPARE(interruptedSaveBackup(path), std::nullopt);
        const QStringList killed = namesIn(dir.path()).filter(QStringLiteral("CDI.asm~.part-"));
        QCOMPARE(killed.size(), 1);

        QVERIFY(QDir().mkpath(saveFolderPath()));
        const QString own = cacheBackupPath(path);
        const QString key = QFileInfo(own).fileName().section(QLatin1Char('-'), 0, 0);
        const QStringList ours{QFileInfo(own).fileName() + QStringLiteral(".part-1z141z3"),
                               QFileInfo(own).fileName() + QStringLiteral("2.part-0"),
                               key + QStringLiteral(".saving.part-k9")};
        const QStringList kept{
            QFileInfo(cacheBackupPath(dir.filePath(QStringLiteral("b.asm")))).fileName() +
                QStringLiteral(".part-abc"),
            QFileInfo(own).fileName() + QStringLiteral(".part-12345678"),
            QFileInfo(own).fileName() + QStringLiteral(".part-ABC"),
            QFileInfo(own).fileName() + QStringLiteral("x.part-abc"),
            key + QStringLiteral(".saving.part-")};
        for (const QString &name : ours + kept)
            QVERIFY(createFile(QDir(saveFolderPath()).filePath(name), "piece"));
        const QString linked = path + QStringLiteral("~.part-lnk");
        const QString foreign = path + QStringLiteral("~.part-frn");
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("b.asm")), linked));
        QVERIFY(createFile(foreign, "foreign"));
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(foreign).constData(), 4321, 4321), 0);

        writeSourceFile(path, kNew);
        QCOMPARE(readFile(path), kNew);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("b.asm"))), kNew);
        QStringList besideLeft{"CDI.asm", "CDI.asm~.part-lnk", "b.asm"};
        if (::geteuid() == 0)
            besideLeft << QStringLiteral("CDI.asm~.part-frn");
        QStringList ownLeft = kept;
        for (QStringList *names : {&besideLeft, &ownLeft})
            names->sort();
        QStringList besideNow = namesIn(dir.path());
        QStringList ownNow = namesIn(saveFolderPath());
        besideNow.sort();
        ownNow.sort();
        QCOMPARE(besideNow, besideLeft);
        QCOMPARE(ownNow, ownLeft);
    }

    // A save killed while it overwrites the file leaves the file mixed, the complete backup and
    // the record that names it, found also through a link to the file. A save that finishes ends
    // the record; the backup stays.
    void killedWhileOverwritingLeavesARecord()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        const QString link = dir.filePath(QStringLiteral("link.asm"));
        QVERIFY(createFile(path, kOld));
        QVERIFY(hardLink(path, dir.filePath(QStringLiteral("b.asm"))));
        QVERIFY(QFile::link(path, link));
        QCOMPARE(interruptedSaveBackup(path), std::nullopt);
        QVERIFY(killedWhileOverwriting(path, kNew));
        QCOMPARE(readFile(path), kNew.left(kNew.size() / 2) + kOld.mid(kNew.size() / 2));
        const QString backup = path + QLatin1Char('~');
        QCOMPARE(interruptedSaveBackup(path), backup);
        QCOMPARE(interruptedSaveBackup(link), backup);
        QCOMPARE(readFile(backup), kOld);

        // The backup removed by the user: nothing left to offer.
        QVERIFY(QFile::rename(backup, backup + QStringLiteral(".kept")));
        QCOMPARE(interruptedSaveBackup(path), std::nullopt);
        QVERIFY(QFile::rename(backup + QStringLiteral(".kept"), backup));
        QCOMPARE(interruptedSaveBackup(path), backup);

        // With one name left, the save replaces the file whole; it ends the record as well.
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("b.asm"))));
        writeSourceFile(path, kNew);
        QCOMPARE(readFile(path), kNew);
        QCOMPARE(interruptedSaveBackup(path), std::nullopt);
        QCOMPARE(readFile(backup), kOld);
    }

    // When the name beside the file is taken, the backup goes to the folder of our own: never
    // through a link planted there, never over the kept backup of another file of the same name.
    void cacheBackupIsANewFileOfItsOwn()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("a/CDI.asm"));
        const QString b = dir.filePath(QStringLiteral("b/CDI.asm"));
        const QString victim = dir.filePath(QStringLiteral("victim"));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("b")));
        QVERIFY(createFile(victim, "victim"));
        for (const QString &path : {a, b}) {
            QVERIFY(createFile(path, path.toUtf8()));
            QVERIFY(createFile(path + QLatin1Char('~'), "mine"));
            QVERIFY(hardLink(path, path + QStringLiteral(".2")));
        }
        QVERIFY(QDir().mkpath(saveFolderPath()));
        QVERIFY(QFile::link(victim, cacheBackupPath(a)));

        QVERIFY(killedWhileOverwriting(a, kNew));
        const auto backupOfA = interruptedSaveBackup(a);
        QVERIFY(backupOfA);
        QCOMPARE(QFileInfo(*backupOfA).absolutePath(), saveFolderPath());
        QCOMPARE(readFile(*backupOfA), a.toUtf8());
        QCOMPARE(readFile(victim), QByteArray("victim"));
        QVERIFY(QFileInfo(cacheBackupPath(a)).isSymLink());
        QCOMPARE(statusOf(saveFolderPath()).st_mode & 07777, mode_t(0700));

        QString backupOfB;
        QByteArray heldDuringWrite;
        writeSourceFile(b, kNew, [&](QIODevice &device, const QByteArray &bytes) {
            backupOfB = interruptedSaveBackup(b).value_or(QString());
            heldDuringWrite = readFile(backupOfB);
            return device.write(bytes);
        });
        QCOMPARE(heldDuringWrite, b.toUtf8());
        QCOMPARE(QFileInfo(backupOfB).absolutePath(), saveFolderPath());
        QVERIFY(!QFileInfo::exists(backupOfB));
        QCOMPARE(readFile(b), kNew);
        QCOMPARE(readFile(*backupOfA), a.toUtf8());
        QCOMPARE(readFile(a + QLatin1Char('~')), QByteArray("mine"));
        QCOMPARE(readFile(b + QLatin1Char('~')), QByteArray("mine"));
    }

    // The folder of our own must be a folder of this user's: a link in its place is not
    // followed, another user's folder not used, and the message names it. One that others may
    // enter is made private.
    void linkInPlaceOfTheBackupFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(createFile(path, kOld));
        QVERIFY(createFile(path + QLatin1Char('~'), "mine"));
        QVERIFY(hardLink(path, dir.filePath(QStringLiteral("b.asm"))));
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QDir().mkpath(QFileInfo(saveFolderPath()).absolutePath()));
        QVERIFY(QFile::link(elsewhere, saveFolderPath()));
        QCOMPARE(writeError(path, kNew),
                 QStringLiteral("Cannot create the backup copy \"%1\"; file \"%2\" is "
                                "unchanged. %3")
                     .arg(saveFolderPath(), path, systemReason(ELOOP)));
        QCOMPARE(readFile(path), kOld);
        QCOMPARE(namesIn(elsewhere), QStringList());
        QVERIFY(QFile::remove(saveFolderPath()));

        const QByteArray folder = QFile::encodeName(saveFolderPath());
        QCOMPARE(::mkdir(folder.constData(), 0755), 0);
        QCOMPARE(::chmod(folder.constData(), 0755), 0);
        if (::geteuid() == 0) {
            QCOMPARE(::chown(folder.constData(), 4321, 4321), 0);
            QCOMPARE(writeError(path, kNew),
                     QStringLiteral("Cannot create the backup copy \"%1\"; file \"%2\" is "
                                    "unchanged. %3")
                         .arg(saveFolderPath(), path, systemReason(EPERM)));
            QCOMPARE(::chown(folder.constData(), 0, 0), 0);
        }
        writeSourceFile(path, kNew);
        QCOMPARE(readFile(path), kNew);
        QCOMPARE(statusOf(saveFolderPath()).st_mode & 07777, mode_t(0700));
    }

    void specialFilesAreNotReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("device") << "device";
        QTest::newRow("link to a fifo") << "link";
        QTest::newRow("fifo put there during the save") << "during";
    }
    // Neither way of saving replaces a FIFO or a device by a regular file, nor opens it.
    void specialFilesAreNotReplaced()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString special = dir.filePath(QStringLiteral("special"));
        const QString path =
            kind == QStringLiteral("link") ? dir.filePath(QStringLiteral("CDI.asm")) : special;
        const QByteArray name = QFile::encodeName(special);
        if (kind == QStringLiteral("device")) {
            // The null device's numbers, in the test's own folder.
            if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                QSKIP("device nodes cannot be made here (needs root)");
        } else {
            QCOMPARE(::mkfifo(name.constData(), 0666), 0);
        }
        if (kind == QStringLiteral("during")) {
            // The file is regular when the save starts; while its new bytes are written, a FIFO
            // takes its name.
            QVERIFY(QFile::rename(special, special + QStringLiteral(".fifo")));
            QVERIFY(createFile(special, kOld));
            QCOMPARE(writeError(special, kNew,
                                [&](QIODevice &device, const QByteArray &bytes) {
                                    ::rename((name + ".fifo").constData(), name.constData());
                                    return device.write(bytes);
                                }),
                     QStringLiteral("Not a regular file, not written: %1").arg(special));
            QCOMPARE(statusOf(special).st_mode & S_IFMT, mode_t(S_IFIFO));
            QCOMPARE(namesIn(dir.path()), QStringList({"special"}));
            return;
        }
        if (kind == QStringLiteral("link"))
            QVERIFY(QFile::link(special, path));
        const mode_t type = statusOf(special).st_mode & S_IFMT;
        const QStringList names = namesIn(dir.path());

        QCOMPARE(errorKind(path, kNew), FileWriteError::NotRegular);
        QCOMPARE(writeError(path, kNew),
                 QStringLiteral("Not a regular file, not written: %1").arg(path));
        QCOMPARE(statusOf(special).st_mode & S_IFMT, type);
        QCOMPARE(namesIn(dir.path()), names);
    }

    // A write in place that fails part-way puts the old text back under both names.
    void failedWriteInPlaceLeavesTheOldText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        const QString other = dir.filePath(QStringLiteral("b.asm"));
        QVERIFY(createFile(path, kOld));
        QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()) ==
                0);
        const auto failing = [](QIODevice &device, const QByteArray &bytes) -> qint64 {
            device.write(bytes.left(bytes.size() / 2));
            return -1;
        };
        QCOMPARE(errorKind(path, kNew, failing), FileWriteError::Unchanged);
        QCOMPARE(readFile(path), kOld);
        QCOMPARE(readFile(other), kOld);
        QCOMPARE(namesIn(dir.path()), QStringList({"b.asm", "CDI.asm"}));
    }

    // Owner, group and the set-id bits survive the replace; changing the owner needs root.
    void replaceKeepsOwnerGroupAndMode()
    {
        if (::geteuid() != 0)
            QSKIP("giving the file another owner needs root");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        QVERIFY(createFile(path, kOld));
        const QByteArray name = QFile::encodeName(path);
        QVERIFY(::chown(name.constData(), 4321, 8765) == 0);
        QVERIFY(::chmod(name.constData(), 06775) == 0);
        writeSourceFile(path, kNew);
        QCOMPARE(readFile(path), kNew);
        const struct stat after = statusOf(path);
        QCOMPARE(after.st_uid, uid_t(4321));
        QCOMPARE(after.st_gid, gid_t(8765));
        QCOMPARE(after.st_mode & 07777, mode_t(06775));
        QCOMPARE(namesIn(dir.path()), QStringList({"CDI.asm"}));
    }

    // A writable file in a folder that takes no new files is written in place. Root may create
    // files anywhere, so for root the folder takes it and the test shows only that it works.
    void writableFileInReadOnlyFolder()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("fw"));
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + QStringLiteral("/CDI.asm");
        QVERIFY(createFile(path, kOld));
        const ino_t inode = statusOf(path).st_ino;
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        writeSourceFile(path, kNew);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        QCOMPARE(readFile(path), kNew);
        if (::geteuid() != 0)
            QCOMPARE(statusOf(path).st_ino, inode);
        QCOMPARE(namesIn(folder), QStringList({"CDI.asm"}));
    }

    // On a full disk neither way of saving changes a byte, and the error says so.
    void fullDiskLeavesTheFileUnchanged()
    {
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("a small tmpfs cannot be mounted here (needs root in a mount namespace)");
        const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
        const QString path = dir.filePath(QStringLiteral("CDI.asm"));
        const QString other = dir.filePath(QStringLiteral("b.asm"));
        const QByteArray old(8192, 'o');
        QVERIFY(createFile(path, old));
        // Fill the rest of the disk.
        QFile filler(dir.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
        filler.close();
        const QByteArray longer(16384, 'n');
        QCOMPARE(errorKind(path, longer), FileWriteError::DiskFull);
        QCOMPARE(readFile(path), old);
        QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()) ==
                0);
        QCOMPARE(errorKind(path, longer), FileWriteError::DiskFull);
        QCOMPARE(readFile(path), old);
        QCOMPARE(readFile(other), old);
        QCOMPARE(namesIn(dir.path()), QStringList({"b.asm", "CDI.asm", "filler"}));
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
