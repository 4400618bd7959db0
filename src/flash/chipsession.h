// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "flash/chipprogrammer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Talking to the ATmega8 through avrdude from this process, for reading the chip, the copy
// before a write, the write with avrdude's verify and the read-back after it. avrdude runs with
// "-p m8", so it refuses any chip whose signature is not an ATmega8's before it erases or
// writes anything; each run's report is read for what happened.

struct AvrdudeRun
{
    enum Outcome
    {
        Done,
        NotStarted,     // avrdude is missing or could not be started
        Failed,         // avrdude ended with a non-zero status for another reason
        WrongSignature, // the chip is no ATmega8: refused before anything was written
        VerifyFailed,   // the chip does not hold what was written
        NotResponding,  // the programmer stopped answering; avrdude was stopped
        TimedOut,       // avrdude did not end in time; it was stopped
        Cancelled,      // the user stopped avrdude
    };
    // How far a write got, read from the report: what a stopped run may have left on the chip.
    enum Reached
    {
        NothingWritten,
        Erased,
        Written,
        Verified,
    };
    Outcome outcome = NotStarted;
    int exitCode = -1;
    QString report;    // everything avrdude printed
    QString finding;   // the lines of the report that say what went wrong
    QString signature; // the signature avrdude read, as "1E 93 07"; empty when none
    int timeoutMs = 0; // the longest it was allowed
    Reached reached = NothingWritten;

    bool ok() const { return outcome == Done; }
};

// The longest an avrdude run may take; a programmer that answers nothing ends sooner.
inline constexpr int kAvrdudeTimeoutMs = 180000;

// Called while avrdude runs, with each piece of its report as it comes (for a window to stay
// responsive and show progress, or a terminal to show the report).
using AvrdudeListener = std::function<void(const QString &text)>;

// One avrdude run, started without blocking: its report comes as it is printed, and it is
// stopped when the programmer stops answering, when it runs too long, or by cancel().
class AvrdudeJob : public QObject
{
    Q_OBJECT
public:
    explicit AvrdudeJob(QObject *parent = nullptr);
    ~AvrdudeJob() override;

    void start(const QStringList &arguments, int timeoutMs = kAvrdudeTimeoutMs);
    // Stops avrdude and waits for it; the run ends as Cancelled. Nothing when it is not running.
    void cancel();
    bool isRunning() const { return m_running; }
    const AvrdudeRun &run() const { return m_run; }

signals:
    void output(const QString &text);
    // Once per run, also for one that could not start.
    void finished();

private:
    void take();
    void stop(AvrdudeRun::Outcome outcome);
    void end();

    QProcess m_process;
    QElapsedTimer m_clock;
    AvrdudeRun m_run;
    bool m_running = false;
    std::optional<AvrdudeRun::Outcome> m_stoppedAs;
};

// avrdude's arguments for reading the flash into hexPath, and for writing hexPath with verify
// and then reading the flash back into readBackPath.
QStringList readChipArguments(const ProgrammerChoice &choice, const QString &hexPath);
QStringList writeChipArguments(const ProgrammerChoice &choice, const QString &hexPath,
                               const QString &readBackPath);

// The programmer or port the user gave that avrdude would take for an option (a value starting
// with '-'), or empty when both are safe to pass.
QString unsafeArgument(const ProgrammerChoice &choice);

// Reads the chip's flash into the Intel HEX file at hexPath ("-U flash:r:<path>:i").
AvrdudeRun readChip(const ProgrammerChoice &choice, const QString &hexPath,
                    const AvrdudeListener &listener = {}, int timeoutMs = kAvrdudeTimeoutMs);

// Writes the HEX at hexPath with avrdude's verify, then reads the flash back into
// readBackPath, in one run: the read-back happens only when the write and verify succeeded.
AvrdudeRun writeChip(const ProgrammerChoice &choice, const QString &hexPath,
                     const QString &readBackPath, const AvrdudeListener &listener = {},
                     int timeoutMs = kAvrdudeTimeoutMs);

// Where the copy of the chip is kept before a write: beside `besidePath`, named after its base
// name, "<name>-chip-<yyyyMMdd>-<HHmmss>.hex"; a name already taken gets "-2", "-3" and so on.
QString chipCopyPath(const QString &besidePath, const QDateTime &when);

// What went wrong in a run, one or two sentences in `language` (0 Russian, 1 English), with
// avrdude's own finding; empty for a run that succeeded.
QString runFailureText(const AvrdudeRun &run, unsigned char language);
