// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QString>
#include <QTemporaryDir>

// A private temporary folder for one check, "cdi-bench-<pid>-XXXXXX" in the temporary
// directory, so that whoever finds it knows which process it belongs to. It is removed
//  - by the destructor, on every ordinary way out;
//  - on SIGINT, SIGTERM, SIGHUP and SIGQUIT, and on a crash (SIGSEGV, SIGBUS, SIGABRT, SIGFPE),
//    by a handler that empties and removes it with plain system calls and then lets the signal
//    end the process as it would have (installed only where the signal has no handler yet);
//  - after SIGKILL or anything else no handler sees, by the next check, which first removes
//    every such folder of ours whose process is gone.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    int m_slot = -1;
};

// Removes the scratch folders in `folder` (the temporary directory unless given) whose process
// has ended: named "cdi-bench-<pid>-…", real folders (not links), owned by this user, <pid> not
// a running process. Returns how many it removed.
int sweepStaleScratchFolders(const QString &folder = QString());
