// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "bench/benchplan.h"
#include "bench/imagecheck.h"

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

// The whole verdict of a bench run: the exact image check, the points, the static findings and
// whether all passed.
struct VerifyReport
{
    CheckMode mode = CheckMode::Quick;
    std::optional<ImageCheck> image;
    QList<PointResult> points;
    QList<StaticFinding> findings;
    BenchFirmware firmware;
    bool passed() const;
    // When the rows switch where they would with another crystal at most points: one line that
    // says so, in English and Russian; empty otherwise.
    QString clockNote(unsigned char language = 1) const;
};

// A point's kind as the reports name it ("middle", "above", "below", "cranking", "over-rev",
// "ramp", "long", "trim-low", "trim-high"), and the report's sections' titles.
QString kindName(PointKind kind);
QString sectionTitle(ReportSection section, unsigned char language);
// The speed column: the RPM, or a ramp's "FROM>TO@RATE".
QString speedText(const BenchPoint &point);
// What a point shows beyond its angle: missing and extra sparks, jitter, a ramp's retard, where
// the spark stops above the top; empty when nothing.
QString pointNote(const PointResult &result, unsigned char language);
// The image check's lines: the differences named, or that the image matches.
QStringList imageCheckLines(const ImageCheck &check, unsigned char language);

// The report as text for people (the image check, then the points by section with their
// margins, then the findings and a verdict) or as CSV with the columns
// table,row,kind,rpm,expected,measured,difference,used_row,tolerance,margin,pulse_us,missing,
// extra,jitter,retard,ok.
// Where the spark stops above the top row for one table, as a line of the report; empty when the
// table had no over-rev point.
QString sparkStopText(const VerifyReport &report, int table, unsigned char language);
QString formatReportText(const VerifyReport &report);
QString formatReportCsv(const VerifyReport &report);
// One row per simulated revolution: run,time,rpm,row,expected,measured,pulse_us.
QString formatTrace(const VerifyReport &report);
// One line: how many points were within tolerance and whether a static check failed.
QString verdictLine(const VerifyReport &report);

// verify FILE.asm [--hex FILE.hex] [--table 1|2|3|all] [--format text|csv] [--mode quick|full]
//        [--trace FILE.csv] [--sensor-pin PD2]
// args start after the word "verify". Exit status 0 when the image holds the source's values,
// every point is within tolerance and no static check fails, 1 otherwise, 2 on errors (bad
// arguments, no assembler, an image that does not load, a simulation that crashed or timed out).
int runVerify(const QStringList &args, QTextStream &out, QTextStream &err);
