// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/scratchfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <limits>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString kPrefix = QStringLiteral("cdi-bench-");

// The folders a signal handler has to remove: fixed storage, filled before `used` is set and
// given up by clearing `used` first, so that the handler never reads a half-written path.
struct Slot
{
    std::atomic<bool> used{false};
    char path[4096];
};
constexpr int kSlots = 8;
Slot g_slots[kSlots];

// Empties and removes one folder with async-signal-safe calls only: the check's folders hold
// plain files (the source copy, the image and the assembler's other outputs).
void removeFolderFromHandler(const char *path)
{
    const int dir = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir >= 0) {
        alignas(8) char buffer[4096];
        for (;;) {
            const long n = ::syscall(SYS_getdents64, dir, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (long at = 0; at < n;) {
                const auto *entry = reinterpret_cast<const struct dirent64 *>(buffer + at);
                const char *name = entry->d_name;
                if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 &&
                    ::unlinkat(dir, name, 0) != 0)
                    ::unlinkat(dir, name, AT_REMOVEDIR);
                at += entry->d_reclen;
            }
        }
        ::close(dir);
    }
    ::rmdir(path);
}

void onSignal(int signal)
{
    const int saved = errno;
    for (Slot &slot : g_slots) {
        if (slot.used.exchange(false))
            removeFolderFromHandler(slot.path);
    }
    errno = saved;
    // The handler was installed with SA_RESETHAND: the signal now does what it would have.
    ::raise(signal);
}

void installHandlers()
{
    static const bool installed = [] {
        for (const int signal :
             {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGABRT, SIGFPE}) {
            struct sigaction current
            {};
            // A signal the program (or a sanitizer, or the shell's nohup) already handles or
            // ignores is left to that.
            if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
                (current.sa_flags & SA_SIGINFO))
                continue;
            struct sigaction action
            {};
            action.sa_handler = onSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESETHAND | SA_NODEFER;
            ::sigaction(signal, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

QString scratchTemplate()
{
    return QDir(QDir::tempPath())
        .filePath(kPrefix + QString::number(::getpid()) + QStringLiteral("-XXXXXX"));
}

} // namespace

ScratchFolder::ScratchFolder() : m_dir((sweepStaleScratchFolders(), scratchTemplate()))
{
    if (!m_dir.isValid())
        return;
    installHandlers();
    const QByteArray path = QFile::encodeName(m_dir.path());
    for (int i = 0; i < kSlots && path.size() < int(sizeof g_slots[i].path); ++i) {
        if (g_slots[i].used.load())
            continue;
        std::memcpy(g_slots[i].path, path.constData(), std::size_t(path.size()) + 1);
        g_slots[i].used.store(true);
        m_slot = i;
        break;
    }
}

ScratchFolder::~ScratchFolder()
{
    if (m_slot >= 0)
        g_slots[m_slot].used.store(false);
    // QTemporaryDir removes the folder itself.
}

int sweepStaleScratchFolders(const QString &folder)
{
    static const QRegularExpression name(QStringLiteral("^cdi-bench-([0-9]{1,10})-[^/]+$"));
    const QDir dir(folder.isEmpty() ? QDir::tempPath() : folder);
    int removed = 0;
    for (const QFileInfo &entry :
         dir.entryInfoList({kPrefix + QStringLiteral("*")},
                           QDir::Dirs | QDir::NoSymLinks | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch match = name.match(entry.fileName());
        if (!match.hasMatch())
            continue;
        bool ok = false;
        const qlonglong pid = match.captured(1).toLongLong(&ok);
        if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == ::getpid())
            continue;
        struct stat info
        {};
        const QByteArray path = QFile::encodeName(entry.absoluteFilePath());
        if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != ::geteuid())
            continue;
        // Alive, or alive under another user (EPERM): not ours to remove.
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        if (QDir(entry.absoluteFilePath()).removeRecursively())
            ++removed;
    }
    return removed;
}
