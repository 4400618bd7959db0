// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "app/platform.h"
#include "format/assembler.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QTemporaryDir;

// What the assembler's terminal tells the user and the window: its verdict in the window's
// language (the text for a missing assembler names the package to install) and, unless
// statusFile is empty, the assembler's exit status written into that file when it ends.
struct ConsoleReport
{
    QString statusFile;
    QString succeeded;
    QString failed;  // followed by the exit status
    QString missing; // no assembler on the search path
};

// The program a name on the search path stands for in the end ("x-terminal-emulator" may be a
// link to "lxterm"); empty when it is not found.
QString resolvedProgramName(const QString &name);

// The terminal that assembles the source at firmwarePath in its folder and stays open: the
// desktop's terminal, or xterm. An xterm (also behind "x-terminal-emulator") is told to read
// UTF-8 and to draw with a scalable monospace face, whose Cyrillic its default bitmap font
// lacks. A sh script prints the assembler's command line, runs it, prints the verdict and
// reports the exit status (127 without an assembler), then hands the window to a shell. Paths
// and texts reach the script as arguments of their own, never inside shell text. Nothing for an
// empty path.
std::optional<DetachedCommand>
compileConsole(const QString &firmwarePath, const ConsoleReport &report,
               const ExecutableLookup &installed = isOnSearchPath,
               const std::function<QString(const QString &)> &resolve = resolvedProgramName);

// Follows a compile started in a terminal: once the terminal's script has written the exit
// status, reports the result with the time and the HEX's name. One compile at a time: a new
// one replaces the one followed before.
class CompileWatch final : public QObject
{
    Q_OBJECT
public:
    explicit CompileWatch(QObject *parent = nullptr);
    ~CompileWatch() override;

    // A status file for the next compile, in a private folder; empty when none can be made.
    QString nextStatusFile();
    // The command was started for the source at sourcePath, writing into statusFile.
    void follow(const QString &statusFile, const QString &sourcePath);
    bool following() const { return m_timer.isActive(); }

signals:
    // The assembler ended with exitStatus; hexWritten tells whether the HEX beside the source
    // was written since the start.
    void finished(int exitStatus, bool hexWritten, const QString &hexPath);

private:
    void poll();

    std::unique_ptr<QTemporaryDir> m_folder;
    int m_count = 0;
    QString m_statusFile;
    QString m_hexPath;
    QDateTime m_started;
    QDateTime m_deadline;
    QTimer m_timer;
};
