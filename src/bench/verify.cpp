// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/verify.h"

#include "bench/benchrun.h"
#include "bench/intelhex.h"
#include "format/assembler.h"
#include "format/inputfile.h"
#include "session/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {

const QString kUsage = QStringLiteral(
    "usage: verify FILE.asm [--hex FILE.hex] [--table 1|2|3|all] [--format text|csv] "
    "[--sensor-pin PD2]");

QString optionalNumber(const std::optional<double> &value, const QString &none)
{
    return value ? formatDegrees(*value) : none;
}

QString findingText(const StaticFinding &finding)
{
    if (finding.table == 0)
        return QStringLiteral("row %1: %2").arg(finding.row).arg(finding.message);
    return QStringLiteral("table %1 row %2: %3")
        .arg(finding.table)
        .arg(finding.row)
        .arg(finding.message);
}

} // namespace

QString formatDegrees(double value)
{
    const QString text = QString::number(value, 'f', 2);
    return text == QLatin1String("-0.00") ? QStringLiteral("0.00") : text;
}

AssemblerCall prepareAssembly(const QString &sourcePath, const QString &folder)
{
    AssemblerCall call;
    const QFileInfo source(sourcePath);
    const QString name = source.fileName();
    const QString copy = QDir(folder).filePath(name);
    const bool inPlace = QFileInfo(copy).canonicalFilePath() == source.canonicalFilePath();
    if (!inPlace)
        QFile::remove(copy);
    if (!inPlace && !QFile::copy(sourcePath, copy)) {
        call.error = QStringLiteral("cannot copy %1 into a temporary folder").arg(sourcePath);
        return call;
    }
    if (isOnSearchPath(QStringLiteral("avrasm2"))) {
        call.program = QStringLiteral("avrasm2");
        call.arguments = {QStringLiteral("-fI"), QStringLiteral("-I"), source.absolutePath(), name};
    } else if (isOnSearchPath(QStringLiteral("avra"))) {
        call.program = QStringLiteral("avra");
        call.arguments = {QStringLiteral("-I"), source.absolutePath()};
        if (QFileInfo(QStringLiteral("/usr/share/avra")).isDir())
            call.arguments << QStringLiteral("-I") << QStringLiteral("/usr/share/avra");
        call.arguments << name;
    } else {
        call.noAssembler = true;
        call.error = QStringLiteral("no AVR assembler found: install avra (or avrasm2)");
        return call;
    }
    call.folder = folder;
    call.hexPath = QDir(folder).filePath(source.completeBaseName() + QStringLiteral(".hex"));
    return call;
}

QString assemblyFailure(const AssemblerCall &call, const QProcess &assembler, const QString &report)
{
    if (assembler.state() == QProcess::NotRunning &&
        assembler.exitStatus() == QProcess::NormalExit && assembler.exitCode() == 0 &&
        QFileInfo(call.hexPath).isFile())
        return {};
    QStringList errors;
    for (const QString &line : report.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("rror")) && !line.contains(QLatin1String("no errors")))
            errors << line.trimmed();
    }
    return QStringLiteral("%1 could not assemble %2%3")
        .arg(call.program, call.arguments.last(),
             errors.isEmpty() ? QString() : QStringLiteral(":\n") + errors.join('\n'));
}

AssembleOutcome assembleIntoFolder(const QString &sourcePath, const QString &folder)
{
    AssembleOutcome outcome;
    const AssemblerCall call = prepareAssembly(sourcePath, folder);
    if (!call.error.isEmpty()) {
        outcome.error = call.error;
        outcome.noAssembler = call.noAssembler;
        return outcome;
    }
    QProcess assembler;
    assembler.setWorkingDirectory(call.folder);
    assembler.setProcessChannelMode(QProcess::MergedChannels);
    assembler.start(call.program, call.arguments);
    if (!assembler.waitForFinished(60000))
        assembler.kill();
    assembler.waitForFinished(1000);
    outcome.error = assemblyFailure(call, assembler, QString::fromLocal8Bit(assembler.readAll()));
    if (outcome.error.isEmpty())
        outcome.hexPath = call.hexPath;
    return outcome;
}

bool VerifyReport::passed() const
{
    return findings.isEmpty() &&
           std::all_of(points.begin(), points.end(), [](const PointResult &p) { return p.ok; });
}

QString verdictLine(const VerifyReport &report)
{
    const auto within = std::count_if(report.points.begin(), report.points.end(),
                                      [](const PointResult &p) { return p.ok; });
    QString line = QStringLiteral("%1: %2 of %3 points within tolerance")
                       .arg(report.passed() ? QStringLiteral("PASS") : QStringLiteral("FAIL"))
                       .arg(within)
                       .arg(report.points.size());
    if (report.findings.isEmpty())
        line += QStringLiteral(", no static check failed");
    else
        line += QStringLiteral(", %1 static check(s) failed").arg(report.findings.size());
    return line;
}

QString formatReportCsv(const VerifyReport &report)
{
    QString text =
        QStringLiteral("table,row,rpm,expected,measured,difference,used_row,tolerance,ok\n");
    for (const PointResult &r : report.points) {
        text +=
            QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9\n")
                .arg(r.point.table)
                .arg(r.point.row)
                .arg(r.point.rpm)
                .arg(optionalNumber(r.point.expected, QString()),
                     optionalNumber(r.measured, QString()), optionalNumber(r.difference, QString()))
                .arg(r.usedRow)
                .arg(formatDegrees(r.point.tolerance))
                .arg(r.ok ? 1 : 0);
    }
    return text;
}

QString formatReportText(const VerifyReport &report)
{
    QString text = QStringLiteral("table row   rpm  expected  measured  difference  used_row  "
                                  "tolerance  ok\n");
    for (const PointResult &r : report.points) {
        text += QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8  %9\n")
                    .arg(r.point.table, 5)
                    .arg(r.point.row, 3)
                    .arg(r.point.rpm, 5)
                    .arg(optionalNumber(r.point.expected, QStringLiteral("-")), 9)
                    .arg(optionalNumber(r.measured, QStringLiteral("none")), 9)
                    .arg(optionalNumber(r.difference, QStringLiteral("-")), 11)
                    .arg(r.usedRow, 9)
                    .arg(formatDegrees(r.point.tolerance), 10)
                    .arg(r.ok ? QStringLiteral("ok") : QStringLiteral("FAIL"));
    }
    for (const StaticFinding &finding : report.findings)
        text += findingText(finding) + QLatin1Char('\n');
    text += verdictLine(report) + QLatin1Char('\n');
    return text;
}

int runVerify(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString sourcePath;
    QString hexPath;
    QString table = QStringLiteral("all");
    QString format = QStringLiteral("text");
    QString sensorPin = QStringLiteral("PD2");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--hex") && hasValue)
            hexPath = args[++i];
        else if (arg == QLatin1String("--table") && hasValue)
            table = args[++i];
        else if (arg == QLatin1String("--format") && hasValue)
            format = args[++i];
        else if (arg == QLatin1String("--sensor-pin") && hasValue)
            sensorPin = args[++i];
        else if (!arg.startsWith(QLatin1String("--")) && sourcePath.isEmpty())
            sourcePath = arg;
        else {
            err << "verify: unexpected argument " << arg << '\n' << kUsage << '\n';
            return 2;
        }
    }
    QList<int> tables;
    if (table == QLatin1String("all"))
        tables = {1, 2, 3};
    else if (table == QLatin1String("1") || table == QLatin1String("2") ||
             table == QLatin1String("3"))
        tables = {table.toInt()};
    // The sensor input: a pin of port B, C or D, such as PD2 (INT0) or PD3 (INT1).
    static const QRegularExpression pinPattern(QStringLiteral("^P[BCD][0-7]$"));
    if (sourcePath.isEmpty() || tables.isEmpty() || !pinPattern.match(sensorPin).hasMatch() ||
        (format != QLatin1String("text") && format != QLatin1String("csv"))) {
        err << kUsage << '\n';
        return 2;
    }

    const InputFileRead file = readInputFile(sourcePath);
    if (file.outcome != InputFileRead::Read) {
        err << "verify: cannot read the source: "
            << message(refusalMessage(file.outcome), 1, sourcePath) << '\n';
        return 2;
    }
    QString error;
    const auto firmware = readBenchFirmware(file.bytes, &error);
    if (!firmware) {
        err << "verify: " << sourcePath << ": " << error << '\n';
        return 2;
    }

    QTemporaryDir scratch;
    if (hexPath.isEmpty()) {
        if (!scratch.isValid()) {
            err << "verify: cannot create a temporary folder\n";
            return 2;
        }
        const AssembleOutcome assembled = assembleIntoFolder(sourcePath, scratch.path());
        if (!assembled.error.isEmpty()) {
            err << "verify: " << assembled.error << '\n';
            return 2;
        }
        hexPath = assembled.hexPath;
    }
    const InputFileRead hex = readInputFile(hexPath);
    if (hex.outcome != InputFileRead::Read) {
        err << "verify: cannot read the firmware image: "
            << message(refusalMessage(hex.outcome), 1, hexPath) << '\n';
        return 2;
    }
    const FlashImage image = parseIntelHex(hex.bytes.toStdString());
    if (!image.error.empty()) {
        err << "verify: the firmware image " << hexPath
            << " does not load: " << QString::fromStdString(image.error) << '\n';
        return 2;
    }
    if (image.bytes.size() > 8192) {
        err << "verify: the firmware image " << hexPath
            << " does not fit the ATmega8's 8 KB of program memory\n";
        return 2;
    }

    VerifyReport report;
    report.findings = staticChecks(*firmware, tables);
    BenchRun run;
    run.setSensorPin(sensorPin.mid(1));
    if (const auto failure = runBenchBlocking(run, QFileInfo(hexPath).absoluteFilePath(), *firmware,
                                              planPoints(*firmware, tables))) {
        err << "verify: " << *failure << '\n';
        return 2;
    }
    report.points = run.results();
    out << (format == QLatin1String("csv") ? formatReportCsv(report) : formatReportText(report));
    out.flush();
    return report.passed() ? 0 : 1;
}
