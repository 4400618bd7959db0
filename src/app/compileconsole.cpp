// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/compileconsole.h"

#include "app/commandtexts.h"
#include "app/unit1.h"
#include "flash/chipprogrammer.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTime>

namespace {

// $1 the folder, $2 the status file (empty: none), $3..$5 the texts; then the assembler's
// command. The status is written beside and renamed, so the window never reads half of it.
const QString kScript = QStringLiteral(R"sh(dir=$1 status=$2 ok=$3 failed=$4 missing=$5
shift 5
hold() {
    if [ -f "${SHELL:-}" ] && [ -x "$SHELL" ]; then exec "$SHELL"; fi
    exec /bin/sh
}
report() {
    if [ -n "$status" ]; then printf '%s\n' "$1" > "$status.part" && mv -f -- "$status.part" "$status"; fi
}
cd -- "$dir" || { report 126; hold; }
printf '%s\n' "$*"
if command -v -- "$1" >/dev/null 2>&1; then "$@"; code=$?; else printf '%s\n' "$missing"; code=127; fi
if [ "$code" -eq 0 ]; then printf '%s\n' "$ok"; else printf '%s %d\n' "$failed" "$code"; fi
report "$code"
hold)sh");

// How long a compile is followed; a terminal closed before the assembler ended reports nothing.
constexpr qint64 kFollowSeconds = 30 * 60;

bool isXterm(const QString &program)
{
    static const QStringList family = {QStringLiteral("xterm"), QStringLiteral("uxterm"),
                                       QStringLiteral("lxterm")};
    return family.contains(program);
}

} // namespace

QString resolvedProgramName(const QString &name)
{
    const QString path = QStandardPaths::findExecutable(name);
    return path.isEmpty() ? QString() : QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
}

std::optional<DetachedCommand>
compileConsole(const QString &firmwarePath, const ConsoleReport &report,
               const ExecutableLookup &installed,
               const std::function<QString(const QString &)> &resolve)
{
    const auto command = assemblerCommand(firmwarePath, installed);
    if (!command)
        return std::nullopt;
    const QString folder =
        command->workingDirectory.isEmpty() ? QStringLiteral(".") : command->workingDirectory;
    // assemblerCommand's own words after its script's folder: the assembler's command.
    const QStringList assembler = command->arguments.mid(6);

    DetachedCommand console;
    console.program = command->program;
    const bool desktopTerminal = console.program == QLatin1String("x-terminal-emulator");
    if (!desktopTerminal ||
        (isXterm(resolve(console.program)) && installed(QStringLiteral("xterm")))) {
        console.program = QStringLiteral("xterm");
        console.arguments = {QStringLiteral("-u8"), QStringLiteral("-fa"),
                             QStringLiteral("Monospace"), QStringLiteral("-fs"),
                             QStringLiteral("11")};
    }
    console.arguments += {QStringLiteral("-e"), QStringLiteral("sh"),
                          QStringLiteral("-c"), kScript,
                          QStringLiteral("sh"), folder,
                          report.statusFile,    report.succeeded,
                          report.failed,        report.missing};
    console.arguments += assembler;
    console.workingDirectory = command->workingDirectory;
    console.statusFile = report.statusFile;
    return console;
}

CompileWatch::CompileWatch(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(250);
    connect(&m_timer, &QTimer::timeout, this, &CompileWatch::poll);
}

CompileWatch::~CompileWatch() = default;

QString CompileWatch::nextStatusFile()
{
    if (!m_folder)
        m_folder = std::make_unique<QTemporaryDir>();
    if (!m_folder->isValid())
        return {};
    return m_folder->filePath(QStringLiteral("compile-%1.status").arg(++m_count));
}

void CompileWatch::follow(const QString &statusFile, const QString &sourcePath)
{
    m_statusFile = statusFile;
    m_hexPath = hexPathFor(sourcePath);
    m_started = QDateTime::currentDateTime();
    m_deadline = m_started.addSecs(kFollowSeconds);
    if (statusFile.isEmpty())
        m_timer.stop();
    else
        m_timer.start();
}

void CompileWatch::poll()
{
    QFile file(m_statusFile);
    if (!file.open(QIODevice::ReadOnly)) {
        if (QDateTime::currentDateTime() > m_deadline)
            m_timer.stop();
        return;
    }
    m_timer.stop();
    bool number = false;
    const int status = QString::fromLatin1(file.readAll()).trimmed().toInt(&number);
    file.close();
    QFile::remove(m_statusFile);
    // The file system's times may be coarser than the clock's: a second's grace.
    const QFileInfo hex(m_hexPath);
    const bool written = hex.isFile() && hex.lastModified() >= m_started.addSecs(-1);
    emit finished(number ? status : -1, written, m_hexPath);
}

namespace {

QString timeNow()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

void TForm1::noteCompile()
{
    const QString time = timeNow();
    const bool assembler = m_platform.isInstalled(QStringLiteral("avrasm2")) ||
                           m_platform.isInstalled(QStringLiteral("avra"));
    const auto text = [&](unsigned char language) {
        if (!assembler)
            return time + QStringLiteral(": ") + windowText(WindowText::AssemblerMissing, language);
        return windowText(WindowText::CompileStarted, language)
            .arg(time, QFileInfo(document().FirmwarePath).fileName());
    };
    emit chipNote(text(0), text(1));
}

void TForm1::compileFinished(int exitStatus, bool hexWritten, const QString &hexPath)
{
    const QString time = timeNow();
    const QString hexName = QFileInfo(hexPath).fileName();
    const auto text = [&](unsigned char language) {
        if (exitStatus == 0)
            return windowText(hexWritten ? WindowText::CompileSucceeded : WindowText::CompileNoHex,
                              language)
                .arg(time, hexName);
        if (exitStatus == 127 && !m_platform.isInstalled(QStringLiteral("avrasm2")) &&
            !m_platform.isInstalled(QStringLiteral("avra")))
            return time + QStringLiteral(": ") + windowText(WindowText::AssemblerMissing, language);
        return windowText(WindowText::CompileFailed, language)
            .arg(time, QString::number(exitStatus), hexName);
    };
    emit chipNote(text(0), text(1));
}
