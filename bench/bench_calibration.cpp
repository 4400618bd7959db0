// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The calibration's own load and save, without a grid or a display: the bytes of a source
// scanned into a Calibration, and a Calibration written into a source in memory with the
// read-back check, for the sample and for sources 10x to 1000x its size.
#include "benchsample.h"
#include "benchsummary.h"

#include "format/scan.h"
#include "format/sourcetext.h"
#include "format/write.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>

namespace {

std::map<int, QByteArray> &sources()
{
    static std::map<int, QByteArray> bytes;
    return bytes;
}

// Every padded source must scan completely to the sample's calibration and save to the
// sample's saved bytes plus its padding, or a figure would time a path that stops early.
void prepareSources()
{
    const QByteArray sample = readFileOrDie(samplePath());
    const Calibration reference = scan(SourceText::fromFileBytes(sample)).calibration;
    for (const int factor : kScaleFactors) {
        const QByteArray bytes = paddedSample(sample, factor);
        const ScanResult read = scan(SourceText::fromFileBytes(bytes));
        if (!read.completed() || !(read.calibration == reference)) {
            std::fprintf(stderr, "the %dx source does not scan to the sample's calibration\n",
                         factor);
            std::exit(2);
        }
        sources()[factor] = bytes;
    }
}

void setScale(benchmark::State &state, qsizetype bytes)
{
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetComplexityN(bytes);
    state.counters["bytes"] = double(bytes);
}

// A whole load into a calibration: the file's bytes split into the text, then the scan.
void BM_ScanCalibration(benchmark::State &state)
{
    const QByteArray &bytes = sources().at(int(state.range(0)));
    for (auto _ : state) {
        const ScanResult read = scan(SourceText::fromFileBytes(bytes));
        if (!read.completed()) {
            state.SkipWithError("scan stopped");
            break;
        }
        benchmark::DoNotOptimize(read.calibration.compareConstants.data());
    }
    setScale(state, bytes.size());
}

// A whole save in memory, from the text as a load leaves it: the write, the file's bytes and
// the read-back check (a second scan and write of those bytes, which are the written text's own).
// One code per table changes, so that the written text differs from the loaded one.
void BM_WriteCalibration(benchmark::State &state)
{
    const QByteArray &bytes = sources().at(int(state.range(0)));
    const SourceText loaded = SourceText::fromFileBytes(bytes);
    Calibration calibration = scan(loaded).calibration;
    for (int table = 1; table <= kTableCount; ++table)
        calibration.code(table, 16) = QStringLiteral("200");
    WriteOptions options;
    options.firstCommentAngle = lastAngleOfTable(calibration, 1);
    for (auto _ : state) {
        const WriteResult written = write(loaded, calibration, options);
        const QByteArray fileBytes = written.text.toFileBytes();
        if (written.stop || !readsBack(written.text, fileBytes, calibration, options)) {
            state.SkipWithError("save stopped");
            break;
        }
        benchmark::DoNotOptimize(fileBytes.constData());
    }
    setScale(state, bytes.size());
}

// The least any load does, for comparison at each size: a fresh buffer of the source's size
// filled with its bytes, and its line breaks counted. Where the calibration's figures grow
// faster than this from one size to the next, the code is to blame, not the memory system.
void BM_PlainPass(benchmark::State &state)
{
    const QByteArray &bytes = sources().at(int(state.range(0)));
    for (auto _ : state) {
        QByteArray copy(bytes.size(), Qt::Uninitialized);
        std::memcpy(copy.data(), bytes.constData(), std::size_t(bytes.size()));
        qsizetype breaks = 0;
        for (const char *at = copy.constData(), *end = at + copy.size();
             (at = static_cast<const char *>(std::memchr(at, '\n', std::size_t(end - at)))); ++at)
            ++breaks;
        benchmark::DoNotOptimize(breaks);
        benchmark::DoNotOptimize(copy.constData());
    }
    setScale(state, bytes.size());
}

BENCHMARK(BM_ScanCalibration)->Apply(scaled);
BENCHMARK(BM_WriteCalibration)->Apply(scaled);
BENCHMARK(BM_PlainPass)->Apply(scaled);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    prepareSources();

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printTargets({
        {"BM_ScanCalibration/x:1", 50e-6, "the sample's bytes scanned into a calibration"},
        {"BM_WriteCalibration/x:1", 100e-6, "a whole save of the sample in memory"},
    });
    reporter.printScale({"BM_ScanCalibration", "BM_WriteCalibration", "BM_PlainPass"});
    benchmark::Shutdown();
    return 0;
}
