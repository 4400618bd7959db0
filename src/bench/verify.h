// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "bench/benchplan.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <optional>

// Assembles a source into `folder` with avrasm2 where it is installed, else avra; the source's
// own folder is searched for include files. Gives the image's path, or the message why not.
struct AssembleOutcome
{
    QString hexPath;
    QString error;
    bool noAssembler = false;
};
AssembleOutcome assembleIntoFolder(const QString &sourcePath, const QString &folder);

// The same in two halves, for a caller that runs the assembler without waiting for it: the
// copy and the command (or the message why there is none), then the message of a run that
// failed (empty when it built the image).
struct AssemblerCall
{
    QString program;
    QStringList arguments;
    QString folder; // where it runs
    QString hexPath;
    QString error;
    bool noAssembler = false;
};
AssemblerCall prepareAssembly(const QString &sourcePath, const QString &folder);
QString assemblyFailure(const AssemblerCall &call, const QProcess &assembler,
                        const QString &report);

// Degrees with two decimals; a value that rounds to zero shows without a sign.
QString formatDegrees(double value);

// The whole verdict of a bench run: the points, the static findings and whether all passed.
struct VerifyReport
{
    QList<PointResult> points;
    QList<StaticFinding> findings;
    bool passed() const;
};

// The report as text for people (one line per point, then the findings and a verdict) or as CSV
// with the columns table,row,rpm,expected,measured,difference,used_row,tolerance,ok.
QString formatReportText(const VerifyReport &report);
QString formatReportCsv(const VerifyReport &report);
// One line: how many points were within tolerance and whether a static check failed.
QString verdictLine(const VerifyReport &report);

// verify FILE.asm [--hex FILE.hex] [--table 1|2|3|all] [--format text|csv] [--sensor-pin PD2]
// args start after the word "verify". Exit status 0 when every point is within tolerance and no
// static check fails, 1 otherwise, 2 on errors (bad arguments, no assembler, an image that does
// not load, a simulation that crashed or timed out).
int runVerify(const QStringList &args, QTextStream &out, QTextStream &err);
