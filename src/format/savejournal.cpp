// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "format/savejournal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kLargestRecord = 16 * 1024;

// Closes a descriptor and keeps errno as it was.
struct Descriptor
{
    int fd = -1;
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd >= 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
        }
    }
};

QString keyOf(const QString &canonicalPath)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(canonicalPath), QCryptographicHash::Sha256)
            .toHex()
            .left(16));
}

QString recordName(const QString &source)
{
    return keyOf(source) + QStringLiteral(".saving");
}

QString canonical(const QString &path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QFileInfo(path).absoluteFilePath() : resolved;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// The bytes of the regular file name in the folder, at most limit of them, or nothing.
std::optional<QByteArray> readIn(int folderFd, const QByteArray &name, qint64 limit)
{
    const Descriptor file(
        ::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status
    {};
    if (file.fd < 0 || ::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size > limit)
        return std::nullopt;
    QByteArray bytes(status.st_size, Qt::Uninitialized);
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(file.fd, bytes.data() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        done += n;
    }
    return bytes;
}

// Renames from to to in the folder unless to exists (EEXIST then).
bool renameNoReplace(int folderFd, const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(folderFd, from.constData(), folderFd, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without that flag: a second name, then the first one goes.
    if (::linkat(folderFd, from.constData(), folderFd, to.constData(), 0) != 0)
        return false;
    ::unlinkat(folderFd, from.constData(), 0);
    return true;
}

constexpr char kPartSuffix[] = ".part-";

// Whether entry is `final` followed by the temporary names' suffix and its random part.
bool isPartOf(QByteArrayView entry, QByteArrayView final)
{
    const qsizetype prefix = final.size() + qsizetype(sizeof kPartSuffix) - 1;
    if (entry.size() <= prefix || entry.size() > prefix + 7 || !entry.startsWith(final) ||
        !entry.sliced(final.size()).startsWith(kPartSuffix))
        return false;
    for (const char ch : entry.sliced(prefix)) {
        if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z')))
            return false;
    }
    return true;
}

// Removes the regular files of this user's in the folder that `matches` takes for temporary
// names of ours, left by a save that was killed before it renamed them. A link is removed as
// a name only if at all, never followed: lstat and unlinkat see the entry itself.
template <typename Matches> void removeParts(int folderFd, Matches matches)
{
    const int listFd = ::dup(folderFd);
    DIR *const folder = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (!folder) {
        if (listFd >= 0)
            ::close(listFd);
        return;
    }
    while (const dirent *entry = ::readdir(folder)) {
        if (!matches(QByteArrayView(entry->d_name)))
            continue;
        struct stat status
        {};
        if (::fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == ::geteuid())
            ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(folder);
}

// A new private file in the folder, written and synced under a temporary name and then renamed
// to name (replacing it only when replace is true).
bool createFileIn(int folderFd, const QString &name, const QByteArray &bytes, bool replace)
{
    const QByteArray final = QFile::encodeName(name);
    const QByteArray temporary =
        final + kPartSuffix + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    const Descriptor file(::openat(folderFd, temporary.constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.fd < 0)
        return false;
    const auto discard = [&] {
        const int error = errno;
        ::unlinkat(folderFd, temporary.constData(), 0);
        errno = error;
        return false;
    };
    if (!writeAll(file.fd, bytes) || ::fsync(file.fd) != 0)
        return discard();
    if (readIn(folderFd, temporary, bytes.size()) != bytes) {
        errno = EIO;
        return discard();
    }
    const bool renamed =
        replace ? ::renameat(folderFd, temporary.constData(), folderFd, final.constData()) == 0
                : renameNoReplace(folderFd, temporary, final);
    if (!renamed)
        return discard();
    ::fsync(folderFd);
    return true;
}

} // namespace

QString saveFolderPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(QStringLiteral("cdi-editor-saves"));
}

int openSaveFolder(bool create)
{
    const QString path = saveFolderPath();
    const QByteArray name = QFile::encodeName(path);
    if (create) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
            return -1;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link in its place reads as no folder: say that it is a link.
        struct stat status
        {};
        if (errno == ENOTDIR && ::lstat(name.constData(), &status) == 0 && S_ISLNK(status.st_mode))
            errno = ELOOP;
        return -1;
    }
    struct stat status
    {};
    if (::fstat(fd, &status) != 0 || status.st_uid != ::geteuid() ||
        ((status.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

QString cacheBackupPath(const QString &path)
{
    return QDir(saveFolderPath())
        .filePath(keyOf(canonical(path)) + QLatin1Char('-') + QFileInfo(path).fileName() +
                  QLatin1Char('~'));
}

bool createBackupIn(int folderFd, const QString &name, const QByteArray &bytes)
{
    return createFileIn(folderFd, name, bytes, false);
}

bool beginSave(const QString &source, const QString &backup, QString *recordPath)
{
    if (recordPath)
        *recordPath = QDir(saveFolderPath()).filePath(recordName(source));
    const Descriptor folder(openSaveFolder(true));
    if (folder.fd < 0)
        return false;
    const QByteArray record = QFile::encodeName(source) + '\n' + QFile::encodeName(backup) + '\n';
    return createFileIn(folder.fd, recordName(source), record, true);
}

void endSave(const QString &source)
{
    const Descriptor folder(openSaveFolder(false));
    if (folder.fd < 0)
        return;
    if (::unlinkat(folder.fd, QFile::encodeName(recordName(source)).constData(), 0) == 0)
        ::fsync(folder.fd);
}

void removeStaleParts(const QString &source)
{
    const QFileInfo file(source);
    const QByteArray beside = QFile::encodeName(file.fileName() + QLatin1Char('~'));
    const int folderFd = ::open(QFile::encodeName(file.absolutePath()).constData(),
                                O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        const Descriptor folder(folderFd);
        removeParts(folder.fd, [&](QByteArrayView entry) { return isPartOf(entry, beside); });
    }
    const Descriptor own(openSaveFolder(false));
    if (own.fd < 0)
        return;
    // The backups "<key>-<name>~" and "<key>-<name>~<number>", and the record.
    const QByteArray backup = QFile::encodeName(QFileInfo(cacheBackupPath(source)).fileName());
    const QByteArray record = QFile::encodeName(recordName(source));
    removeParts(own.fd, [&](QByteArrayView entry) {
        if (isPartOf(entry, record) || isPartOf(entry, backup))
            return true;
        if (!entry.startsWith(backup))
            return false;
        qsizetype digits = backup.size();
        while (digits < entry.size() && entry[digits] >= '0' && entry[digits] <= '9')
            ++digits;
        return digits > backup.size() && isPartOf(entry, entry.first(digits));
    });
}

std::optional<QString> interruptedSaveBackup(const QString &path)
{
    const QString source = QFileInfo(path).canonicalFilePath();
    if (source.isEmpty())
        return std::nullopt;
    const Descriptor folder(openSaveFolder(false));
    if (folder.fd < 0)
        return std::nullopt;
    const auto record = readIn(folder.fd, QFile::encodeName(recordName(source)), kLargestRecord);
    if (!record)
        return std::nullopt;
    const QList<QByteArray> lines = record->split('\n');
    if (lines.size() != 3 || QFile::decodeName(lines[0]) != source || lines[1].isEmpty())
        return std::nullopt;
    const QString backup = QFile::decodeName(lines[1]);
    struct stat status
    {};
    if (::lstat(lines[1].constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return backup;
}
