// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The logic without a display: a whole load, a chart refresh, "Save to table" and a whole save
// of the sample, and load and save of sources 1x to 1000x its size.
#include "benchsample.h"
#include "benchsummary.h"

#include "chart/chartseries.h"
#include "format/filesave.h"
#include "format/sourcetext.h"
#include "session/chartrefresh.h"
#include "session/document.h"
#include "session/edithistory.h"
#include "session/loadscan.h"
#include "session/programstate.h"
#include "session/savetable.h"
#include "session/sourcesave.h"
#include "session/writer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

// What a load leaves behind, reused from load to load as the window reuses its controls.
struct Loaded
{
    Document document = Document::atStart(0);
    ChartSeries series;
    ProgramState state;
};

// A whole load as the window does it, less the display: read the file, scan it, refresh the
// chart, name the file.
bool load(const QString &path, Loaded &into)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    into.document.FirmwarePath = path;
    into.document.text = SourceText::fromFileBytes(file.readAll());
    if (!scanSource(into.document, into.state.Language).completed())
        return false;
    into.document.loaded = true;
    refreshChart(into.document, into.series);
    into.state.FirmwareName = QFileInfo(path).fileName();
    return true;
}

// The padded sources, written once before the benchmarks run.
struct Inputs
{
    QTemporaryDir dir;
    std::map<int, QString> paths;
    std::map<int, QByteArray> bytes;
};

Inputs &inputs()
{
    static Inputs in;
    return in;
}

QString savePath(int factor)
{
    return inputs().dir.filePath(QStringLiteral("saved-%1x.asm").arg(factor));
}

std::unique_ptr<Loaded> loadOrDie(int factor)
{
    auto loaded = std::make_unique<Loaded>();
    if (!load(inputs().paths.at(factor), *loaded)) {
        std::fprintf(stderr, "the %dx source does not load\n", factor);
        std::exit(2);
    }
    return loaded;
}

// Every padded source must load to the same grid as the sample and save to the same text plus
// its padding, or the figures would time a path that stops early.
void prepareInputs()
{
    Inputs &in = inputs();
    if (!in.dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        std::exit(2);
    }
    const QByteArray sample = readFileOrDie(samplePath());
    for (const int factor : kScaleFactors) {
        in.bytes[factor] = paddedSample(sample, factor);
        in.paths[factor] = in.dir.filePath(QStringLiteral("CDI-%1x.asm").arg(factor));
        writeFileOrDie(in.paths[factor], in.bytes[factor]);
    }
    const auto reference = loadOrDie(1);
    QByteArray referenceSaved;
    for (const int factor : kScaleFactors) {
        const auto loaded = loadOrDie(factor);
        if (GridSnapshot::capture(loaded->document) != GridSnapshot::capture(reference->document) ||
            loaded->document.headers != reference->document.headers) {
            std::fprintf(stderr, "the %dx source loads another grid\n", factor);
            std::exit(2);
        }
        if (saveSource(loaded->document, savePath(factor))) {
            std::fprintf(stderr, "the %dx source does not save\n", factor);
            std::exit(2);
        }
        QByteArray saved = readFileOrDie(savePath(factor));
        const qsizetype padding = in.bytes[factor].size() - sample.size();
        const qsizetype at = saved.indexOf(";padding comment line ");
        if (padding > 0 && at >= 0)
            saved.remove(at, padding);
        if (factor == 1)
            referenceSaved = saved;
        else if (saved != referenceSaved) {
            std::fprintf(stderr, "the %dx source saves another text\n", factor);
            std::exit(2);
        }
    }
}

void setScale(benchmark::State &state, qsizetype bytes)
{
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetComplexityN(bytes);
    state.counters["bytes"] = double(bytes);
}

void BM_Load(benchmark::State &state)
{
    const int factor = int(state.range(0));
    const QString path = inputs().paths.at(factor);
    Loaded loaded;
    for (auto _ : state) {
        if (!load(path, loaded)) {
            state.SkipWithError("load stopped");
            break;
        }
        benchmark::DoNotOptimize(loaded.document.text.size());
    }
    setScale(state, inputs().bytes.at(factor).size());
}

void BM_ChartRefresh(benchmark::State &state)
{
    const auto loaded = loadOrDie(1);
    for (auto _ : state)
        refreshChart(loaded->document, loaded->series);
    state.counters["points"] = double(loaded->series.count());
}

void BM_SaveToTable(benchmark::State &state)
{
    const auto loaded = loadOrDie(1);
    for (auto _ : state) {
        if (saveToTable(loaded->document, loaded->series)) {
            state.SkipWithError("\"Save to table\" stopped");
            break;
        }
    }
}

// The save's work on the text, from the text as a load leaves it: rewrite, read back, the bytes
// of the file. The fresh text for each round is made outside the timing.
void BM_SaveInMemory(benchmark::State &state)
{
    const int factor = int(state.range(0));
    const auto loaded = loadOrDie(factor);
    const QByteArray &bytes = inputs().bytes.at(factor);
    for (auto _ : state) {
        state.PauseTiming();
        loaded->document.text = SourceText::fromFileBytes(bytes);
        state.ResumeTiming();
        if (rewriteSource(loaded->document) || verifyReadBack(loaded->document)) {
            state.SkipWithError("save stopped");
            break;
        }
        const QByteArray fileBytes = loaded->document.text.toFileBytes();
        benchmark::DoNotOptimize(fileBytes.constData());
    }
    setScale(state, bytes.size());
}

// Only the file: the saved bytes replace a file in the temporary folder.
void BM_WriteFile(benchmark::State &state)
{
    const int factor = int(state.range(0));
    const QByteArray bytes = readFileOrDie(savePath(factor));
    const QString path = inputs().dir.filePath(QStringLiteral("written-%1x.asm").arg(factor));
    for (auto _ : state)
        writeSourceFile(path, bytes);
    setScale(state, bytes.size());
}

// The whole save as the window calls it: rewrite, read back, write the file.
void BM_SaveSource(benchmark::State &state)
{
    const int factor = int(state.range(0));
    const auto loaded = loadOrDie(factor);
    const QByteArray &bytes = inputs().bytes.at(factor);
    const QString path = savePath(factor);
    for (auto _ : state) {
        state.PauseTiming();
        loaded->document.text = SourceText::fromFileBytes(bytes);
        state.ResumeTiming();
        if (saveSource(loaded->document, path)) {
            state.SkipWithError("save stopped");
            break;
        }
    }
    setScale(state, bytes.size());
}

BENCHMARK(BM_Load)->Apply(scaled);
BENCHMARK(BM_ChartRefresh)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveToTable)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveInMemory)->Apply(scaled);
BENCHMARK(BM_WriteFile)->Apply(scaled);
BENCHMARK(BM_SaveSource)->Apply(scaled);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    prepareInputs();

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printTargets({
        {"BM_Load/x:1", 1e-3, "a whole load of the sample"},
        {"BM_ChartRefresh", 50e-6, "one chart refresh"},
        {"BM_SaveToTable", 1e-3, "\"Save to table\""},
        {"BM_SaveInMemory/x:1", 1e-3, "a whole save, in memory"},
        {"BM_SaveSource/x:1", 1e-3, "a whole save, with the file"},
    });
    reporter.printScale({"BM_Load", "BM_SaveInMemory", "BM_WriteFile", "BM_SaveSource"});
    benchmark::Shutdown();
    return 0;
}
