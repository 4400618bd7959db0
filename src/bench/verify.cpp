// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "bench/verify.h"

#include "bench/benchrun.h"
#include "bench/intelhex.h"
#include "bench/scratchfolder.h"
#include "domain/language.h"
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
    "[--mode quick|full] [--trace FILE.csv] [--sensor-pin PD2]");

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
    // A name that starts with "-" reaches the assembler as "./-...", never as an option.
    const QString argument = name.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + name : name;
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
        call.arguments = {QStringLiteral("-fI"), QStringLiteral("-I"), source.absolutePath(),
                          argument};
    } else if (isOnSearchPath(QStringLiteral("avra"))) {
        call.program = QStringLiteral("avra");
        call.arguments = {QStringLiteral("-I"), source.absolutePath()};
        if (QFileInfo(QStringLiteral("/usr/share/avra")).isDir())
            call.arguments << QStringLiteral("-I") << QStringLiteral("/usr/share/avra");
        call.arguments << argument;
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
    return (!image || image->matches()) && findings.isEmpty() &&
           std::all_of(points.begin(), points.end(), [](const PointResult &p) { return p.ok; });
}

namespace {

bool rowChecked(const PointResult &r)
{
    const ReportSection section = sectionOf(r.point.kind);
    return section == ReportSection::Steady || section == ReportSection::Breakpoints ||
           r.point.kind == PointKind::LongRun;
}

} // namespace

QString VerifyReport::clockNote(unsigned char language) const
{
    if (firmware.clockMHz == 4)
        return {};
    // Where the firmware's rows switch with its constants made for 4 MHz: at clock/4 times the
    // RPM the grid shows.
    const double factor = firmware.clockMHz / 4.0;
    int checked = 0;
    int explained = 0;
    for (const PointResult &r : points) {
        if (!rowChecked(r))
            continue;
        ++checked;
        if (!r.ok && r.usedRow != r.point.expectedRow &&
            r.usedRow == firmwareRowAt(firmware, r.point.rpm / factor))
            ++explained;
    }
    if (checked == 0 || explained * 2 < checked)
        return {};
    const QString f = QString::number(factor, 'g', 3);
    return language == 0
               ? QStringLiteral("Все точки сдвинуты в %1 раза по оборотам: константы времени "
                                "прошивки рассчитаны на кварц 4 МГц, а в строке include указан "
                                "%2 МГц")
                     .arg(f)
                     .arg(firmware.clockMHz)
               : QStringLiteral("every point is off by the same factor %1 in RPM: the timing "
                                "constants are for a 4 MHz crystal, the include line names %2 MHz")
                     .arg(f)
                     .arg(firmware.clockMHz);
}

QString kindName(PointKind kind)
{
    switch (kind) {
    case PointKind::Middle:
        return QStringLiteral("middle");
    case PointKind::AboveBreakpoint:
        return QStringLiteral("above");
    case PointKind::BelowBreakpoint:
        return QStringLiteral("below");
    case PointKind::Cranking:
        return QStringLiteral("cranking");
    case PointKind::OverRev:
        return QStringLiteral("over-rev");
    case PointKind::LongRun:
        return QStringLiteral("long");
    case PointKind::TrimLow:
        return QStringLiteral("trim-low");
    case PointKind::TrimHigh:
        return QStringLiteral("trim-high");
    case PointKind::Ramp:
        return QStringLiteral("ramp");
    }
    return {};
}

QString sectionTitle(ReportSection section, unsigned char language)
{
    const bool ru = language == 0;
    switch (section) {
    case ReportSection::Steady:
        return ru ? QStringLiteral("Постоянные обороты") : QStringLiteral("Steady speed");
    case ReportSection::Breakpoints:
        return ru ? QStringLiteral("Пороги оборотов") : QStringLiteral("Breakpoints");
    case ReportSection::StartAndOverRev:
        return ru ? QStringLiteral("Пуск и превышение оборотов")
                  : QStringLiteral("Start and over-rev");
    case ReportSection::Ramps:
        return ru ? QStringLiteral("Разгон и сброс оборотов") : QStringLiteral("Ramps");
    case ReportSection::LongRuns:
        return ru ? QStringLiteral("Длинные прогоны") : QStringLiteral("Long runs");
    case ReportSection::Trimmer:
        return ru ? QStringLiteral("Подстроечный резистор") : QStringLiteral("Trimmer");
    }
    return {};
}

QString speedText(const BenchPoint &point)
{
    if (point.kind == PointKind::Ramp)
        return QStringLiteral("%1>%2@%3").arg(point.rpm).arg(point.toRpm).arg(std::abs(point.rate));
    return QString::number(point.rpm);
}

QString pointNote(const PointResult &r, unsigned char language)
{
    const bool ru = language == 0;
    QStringList parts;
    if (r.missing > 0)
        parts << (ru ? QStringLiteral("пропусков искры: %1") : QStringLiteral("%1 missing"))
                     .arg(r.missing);
    if (r.extra > 0)
        parts << (ru ? QStringLiteral("лишних искр: %1") : QStringLiteral("%1 extra")).arg(r.extra);
    if (!r.pulseOk)
        parts << (ru ? QStringLiteral("импульс вне %1..%2 мкс")
                     : QStringLiteral("pulse outside %1..%2 us"))
                     .arg(kPulseMinMicroseconds)
                     .arg(kPulseMaxMicroseconds);
    switch (r.point.kind) {
    case PointKind::LongRun:
        if (r.jitter)
            parts << (ru ? QStringLiteral("%1 оборотов, разброс %2°")
                         : QStringLiteral("%1 revolutions, jitter %2°"))
                         .arg(r.point.periods.size() - r.point.settle)
                         .arg(formatDegrees(*r.jitter));
        break;
    case PointKind::Ramp:
        parts << (ru ? QStringLiteral("%1 оборотов") : QStringLiteral("%1 revolutions"))
                     .arg(r.point.periods.size());
        if (r.retard)
            parts << (ru ? QStringLiteral("отставание от таблицы до %1°")
                         : QStringLiteral("retard against the table up to %1°"))
                         .arg(formatDegrees(*r.retard));
        break;
    case PointKind::OverRev:
        if (!r.measured)
            parts << (ru ? QStringLiteral("искры нет") : QStringLiteral("no spark"));
        break;
    case PointKind::TrimLow:
    case PointKind::TrimHigh:
        if (r.difference)
            parts << (ru ? QStringLiteral("сдвиг %1°") : QStringLiteral("shift %1°"))
                         .arg(formatDegrees(*r.difference));
        break;
    default:
        break;
    }
    return parts.join(QStringLiteral(", "));
}

QStringList imageCheckLines(const ImageCheck &check, unsigned char language)
{
    if (!check.decode.ok())
        return {decodeFailureText(check.decode, language)};
    if (check.differences.isEmpty())
        return {language == 0
                    ? QStringLiteral("образ содержит значения исходника: 31 порог, 96 кодов, "
                                     "второй импульс, выход искры, резистор")
                    : QStringLiteral("the image holds the source's values: 31 breakpoints, "
                                     "96 codes, second pulse, spark output, trimmer")};
    QStringList lines;
    for (const ImageDifference &d : check.differences)
        lines << describeDifference(d, language);
    return lines;
}

QString verdictLine(const VerifyReport &report)
{
    const auto within = std::count_if(report.points.begin(), report.points.end(),
                                      [](const PointResult &p) { return p.ok; });
    QString line = QStringLiteral("%1: %2 of %3 points within tolerance")
                       .arg(report.passed() ? QStringLiteral("PASS") : QStringLiteral("FAIL"))
                       .arg(within)
                       .arg(report.points.size());
    if (report.image && !report.image->decode.ok())
        line += QStringLiteral(", the image does not decode");
    else if (report.image && !report.image->differences.isEmpty())
        line += QStringLiteral(", %1 image difference(s)").arg(report.image->differences.size());
    if (report.findings.isEmpty())
        line += QStringLiteral(", no static check failed");
    else
        line += QStringLiteral(", %1 static check(s) failed").arg(report.findings.size());
    return line;
}

QString formatReportCsv(const VerifyReport &report)
{
    QString text = QStringLiteral("table,row,kind,rpm,expected,measured,difference,used_row,"
                                  "tolerance,margin,pulse_us,missing,extra,jitter,retard,ok\n");
    for (const PointResult &r : report.points) {
        text +=
            QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,")
                .arg(r.point.table)
                .arg(r.point.row)
                .arg(kindName(r.point.kind), speedText(r.point),
                     optionalNumber(r.point.expected, QString()),
                     optionalNumber(r.measured, QString()), optionalNumber(r.difference, QString()))
                .arg(r.usedRow)
                .arg(formatDegrees(r.point.tolerance));
        text += QStringLiteral("%1,%2,%3,%4,%5,%6,%7\n")
                    .arg(optionalNumber(r.margin, QString()),
                         r.pulseMin ? QString::number(*r.pulseMin, 'f', 1) : QString())
                    .arg(r.missing)
                    .arg(r.extra)
                    .arg(optionalNumber(r.jitter, QString()), optionalNumber(r.retard, QString()))
                    .arg(r.ok ? 1 : 0);
    }
    return text;
}

QString formatTrace(const VerifyReport &report)
{
    QString text = QStringLiteral("run,time,rpm,row,expected,measured,pulse_us\n");
    for (const PointResult &r : report.points) {
        const QString run = QStringLiteral("%1-%2-%3%4")
                                .arg(r.point.table)
                                .arg(r.point.row)
                                .arg(kindName(r.point.kind), r.point.kind == PointKind::Ramp
                                                                 ? QString::number(r.point.rate)
                                                                 : QString::number(r.point.rpm));
        for (const RevolutionDetail &d :
             revolutionDetails(report.firmware, r.point, r.revolutions)) {
            text +=
                QStringLiteral("%1,%2,%3,%4,%5,%6,%7\n")
                    .arg(run, QString::number(d.seconds, 'f', 6), QString::number(d.rpm, 'f', 1))
                    .arg(d.row)
                    .arg(optionalNumber(d.expected, QString()),
                         optionalNumber(d.measured, QString()),
                         d.pulseMicroseconds ? QString::number(*d.pulseMicroseconds, 'f', 1)
                                             : QString());
        }
    }
    return text;
}

QString sparkStopText(const VerifyReport &report, int table, unsigned char language)
{
    std::optional<int> stops;
    bool any = false;
    for (const PointResult &r : report.points) {
        if (r.point.kind != PointKind::OverRev || r.point.table != table)
            continue;
        any = true;
        if (!r.measured && !stops)
            stops = r.point.rpm;
    }
    if (!any)
        return {};
    if (stops)
        return inLanguage(language, u"таблица %1: искра прекращается на %2 об/мин",
                          u"table %1: the spark stops at %2 rpm")
            .arg(table)
            .arg(*stops);
    return inLanguage(language, u"таблица %1: искра есть до 25000 об/мин",
                      u"table %1: sparks up to 25000 rpm")
        .arg(table);
}

QString formatReportText(const VerifyReport &report)
{
    QString text;
    if (report.image) {
        text += QStringLiteral("Image check\n");
        for (const QString &line : imageCheckLines(*report.image, 1))
            text += QStringLiteral("  ") + line + QLatin1Char('\n');
    }
    const QString note = report.clockNote();
    for (const ReportSection section :
         {ReportSection::Steady, ReportSection::Breakpoints, ReportSection::StartAndOverRev,
          ReportSection::Ramps, ReportSection::LongRuns, ReportSection::Trimmer}) {
        QString lines;
        for (const PointResult &r : report.points) {
            if (sectionOf(r.point.kind) != section || (!note.isEmpty() && !r.ok && rowChecked(r)))
                continue;
            lines += QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                         .arg(r.point.table, 5)
                         .arg(r.point.row, 3)
                         .arg(kindName(r.point.kind), -9)
                         .arg(speedText(r.point), 16)
                         .arg(optionalNumber(r.point.expected, QStringLiteral("-")), 8)
                         .arg(optionalNumber(r.measured, QStringLiteral("none")), 9)
                         .arg(optionalNumber(r.difference, QStringLiteral("-")), 10)
                         .arg(r.usedRow, 8)
                         .arg(formatDegrees(r.point.tolerance), 9);
            lines +=
                QStringLiteral(" %1 %2  %3")
                    .arg(optionalNumber(r.margin, QStringLiteral("-")), 7)
                    .arg(r.pulseMin ? QString::number(*r.pulseMin, 'f', 1) : QStringLiteral("-"), 8)
                    .arg(r.ok ? QStringLiteral("ok") : QStringLiteral("FAIL"));
            const QString extra = pointNote(r, 1);
            if (!extra.isEmpty())
                lines += QStringLiteral("  ") + extra;
            lines += QLatin1Char('\n');
        }
        if (section == ReportSection::StartAndOverRev) {
            for (const int table : {1, 2, 3}) {
                if (const QString stop = sparkStopText(report, table, 1); !stop.isEmpty())
                    lines += QStringLiteral("  ") + stop + QLatin1Char('\n');
            }
        }
        if (lines.isEmpty())
            continue;
        text += sectionTitle(section, 1) + QLatin1Char('\n');
        text += QStringLiteral("table row kind                  rpm expected  measured "
                               "difference used_row tolerance  margin pulse_us  ok\n");
        text += lines;
    }
    if (!report.findings.isEmpty())
        text += QStringLiteral("Static checks\n");
    for (const StaticFinding &finding : report.findings)
        text += findingText(finding) + QLatin1Char('\n');
    if (!note.isEmpty())
        text += note + QLatin1Char('\n');
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
    QString mode = QStringLiteral("quick");
    QString tracePath;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--hex") && hasValue)
            hexPath = args[++i];
        else if (arg == QLatin1String("--table") && hasValue)
            table = args[++i];
        else if (arg == QLatin1String("--format") && hasValue)
            format = args[++i];
        else if (arg == QLatin1String("--mode") && hasValue)
            mode = args[++i];
        else if (arg == QLatin1String("--trace") && hasValue)
            tracePath = args[++i];
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
        (format != QLatin1String("text") && format != QLatin1String("csv")) ||
        (mode != QLatin1String("quick") && mode != QLatin1String("full"))) {
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

    // Made first: it also removes what earlier checks that were killed left behind.
    ScratchFolder scratch;
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
    const QByteArray &hexText = hex.bytes;
    const FlashImage image = parseIntelHex(hexText.toStdString());
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
    report.mode = mode == QLatin1String("full") ? CheckMode::Full : CheckMode::Quick;
    report.firmware = *firmware;
    // First and always: the image's values against the source's, exactly.
    report.image = checkImage(firmware->calibration, hexText);
    report.findings = staticChecks(*firmware, tables);
    BenchRun run;
    run.setSensorPin(sensorPin.mid(1));
    if (const auto failure = runBenchBlocking(run, QFileInfo(hexPath).absoluteFilePath(), *firmware,
                                              planPoints(*firmware, tables, report.mode))) {
        err << "verify: " << *failure << '\n';
        return 2;
    }
    report.points = run.results();
    if (!tracePath.isEmpty()) {
        QFile trace(tracePath);
        const QByteArray bytes = formatTrace(report).toUtf8();
        if (!trace.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            trace.write(bytes) != bytes.size() || !trace.flush()) {
            err << "verify: cannot write the trace " << tracePath << ": " << trace.errorString()
                << '\n';
            return 2;
        }
    }
    if (format == QLatin1String("csv")) {
        // The CSV holds the points; what else made the verdict goes to the error stream.
        if (report.image && !report.image->matches()) {
            for (const QString &line : imageCheckLines(*report.image, 1))
                err << "verify: image check: " << line << '\n';
        }
        for (const StaticFinding &finding : report.findings)
            err << "verify: " << findingText(finding) << '\n';
        if (!report.clockNote().isEmpty())
            err << "verify: " << report.clockNote() << '\n';
    }
    out << (format == QLatin1String("csv") ? formatReportCsv(report) : formatReportText(report));
    out.flush();
    return report.passed() ? 0 : 1;
}
