// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The timing bench on the sample's image: one table (64 points: the middle of each row's range
// and just above its breakpoint) and all three, in runner processes on every core, against the
// same work in one process. The sample sleeps between revolutions, which the simulator skips;
// the same firmware with a busy main loop (its "sleep" made a "nop") shows what a firmware that
// never sleeps costs.
#include "bench/benchrun.h"
#include "bench/verify.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <memory>

#include <sys/resource.h>

namespace {

struct Sample
{
    QTemporaryDir dir;
    QString hexPath;
    QString busyHexPath;
    BenchFirmware firmware;
};

QString assemble(const QString &source, const QString &folder)
{
    const AssembleOutcome assembled = assembleIntoFolder(source, folder);
    if (!assembled.error.isEmpty())
        qFatal("%s", qPrintable(assembled.error));
    return assembled.hexPath;
}

Sample *sample()
{
    static std::unique_ptr<Sample> s;
    if (!s) {
        s = std::make_unique<Sample>();
        s->hexPath = assemble(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"), s->dir.path());
        QFile file(QStringLiteral(CDI_EXAMPLES_DIR "/CDI.asm"));
        QString error;
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read the sample");
        const QByteArray bytes = file.readAll();
        QByteArray busy = bytes;
        if (busy.count("\r\nsleep\r\n") != 1)
            qFatal("the sample has no single sleep line");
        busy.replace("\r\nsleep\r\n", "\r\nnop\r\n");
        QDir(s->dir.path()).mkdir(QStringLiteral("busy"));
        QFile busyFile(s->dir.filePath(QStringLiteral("busy/CDI.asm")));
        if (!busyFile.open(QIODevice::WriteOnly) || busyFile.write(busy) != busy.size())
            qFatal("cannot write the busy-loop variant");
        busyFile.close();
        s->busyHexPath = assemble(busyFile.fileName(), s->dir.filePath(QStringLiteral("busy")));
        const auto firmware = readBenchFirmware(bytes, &error);
        if (!firmware)
            qFatal("%s", qPrintable(error));
        s->firmware = *firmware;
    }
    return s.get();
}

// CPU seconds of the runner processes that have ended so far.
double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The quick check as it was before breakpoints, cranking and over-rev joined it: two steady
// speeds per row, the middle of its range and just above its breakpoint.
QList<BenchPoint> earlierQuickPoints(const BenchFirmware &firmware, const QList<int> &tables)
{
    QList<BenchPoint> points = planPoints(firmware, tables, CheckMode::Quick);
    points.removeIf([](const BenchPoint &p) {
        return p.kind != PointKind::Middle && p.kind != PointKind::AboveBreakpoint;
    });
    return points;
}

// args: tables (1 or 3), processes (0: one per core), busy (1: the busy-loop variant), mode
// (0 quick, 1 full, 2 the earlier quick check).
void BM_Bench(benchmark::State &state)
{
    Sample *s = sample();
    const QList<int> tables = state.range(0) == 1 ? QList<int>{1} : QList<int>{1, 2, 3};
    const QList<BenchPoint> points =
        state.range(3) == 2
            ? earlierQuickPoints(s->firmware, tables)
            : planPoints(s->firmware, tables, state.range(3) ? CheckMode::Full : CheckMode::Quick);
    const double cpuBefore = childrenCpuSeconds();
    for (auto _ : state) {
        BenchRun run;
        run.setProcessCount(int(state.range(1)));
        const QString &hex = state.range(2) ? s->busyHexPath : s->hexPath;
        if (const auto failure = runBenchBlocking(run, hex, s->firmware, points)) {
            state.SkipWithError(qPrintable(*failure));
            return;
        }
        if (!std::all_of(run.results().begin(), run.results().end(),
                         [](const PointResult &r) { return r.ok; })) {
            state.SkipWithError("a point of the sample is out of tolerance");
            return;
        }
    }
    state.counters["points"] = double(points.size());
    // The simulators' CPU time per run: what the run takes on idle cores, divided by them.
    state.counters["runner_cpu_s"] =
        benchmark::Counter((childrenCpuSeconds() - cpuBefore) / double(state.iterations()));
}
BENCHMARK(BM_Bench)
    ->ArgNames({"tables", "processes", "busy", "mode"})
    ->Args({1, 0, 0, 0})
    ->Args({3, 0, 0, 2})
    ->Args({3, 0, 0, 0})
    ->Args({3, 0, 0, 1})
    ->Args({1, 1, 0, 0})
    ->Args({3, 1, 0, 0})
    ->Args({1, 0, 1, 0})
    ->Args({3, 0, 1, 0})
    ->Args({3, 0, 1, 1})
    ->Args({1, 1, 1, 0})
    ->Args({3, 1, 1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
