// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The sizes of the scaled benchmarks, as multiples of the sample.
inline const std::vector<int> kScaleFactors = {1, 10, 100, 1000};

// Runs a benchmark once per scale factor (its argument "x"), in microseconds, with the fitted
// O(N) of its cost.
inline void scaled(benchmark::internal::Benchmark *b)
{
    b->ArgName("x");
    for (const int factor : kScaleFactors)
        b->Arg(factor);
    b->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);
}

// The console output, followed by the figures held against their targets: each benchmark's
// time per operation, and for the scaled ones how much each 10x step of the source costs.
// Wall-clock time decides; the CPU time beside it shows how much of the wall time was the
// program's own work rather than waiting (for the disk, or for a core on a busy machine).
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    struct Target
    {
        std::string benchmark;
        double seconds;
        std::string what;
    };

    // Colours only on a terminal; the counters as columns either way.
    SummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    // Allowed growth of the time for a source ten times as long.
    static constexpr double kMaxStepGrowth = 11.0;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const std::string name = run.run_name.str();
            if (run.error_occurred) {
                m_failed.push_back(name + ": " + run.error_message);
                continue;
            }
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            const Figure figure{run.GetAdjustedRealTime() / unit, run.GetAdjustedCPUTime() / unit};
            if (run.run_type == Run::RT_Iteration)
                m_runs[name].push_back(figure);
            else if (run.aggregate_name == "median")
                m_medians[name] = figure;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    struct Figure
    {
        double wall;
        double cpu;
    };

    // The median over repetitions when there were several, else the one run's figure.
    std::optional<Figure> figure(const std::string &name) const
    {
        if (const auto median = m_medians.find(name); median != m_medians.end())
            return median->second;
        const auto runs = m_runs.find(name);
        if (runs == m_runs.end() || runs->second.empty())
            return std::nullopt;
        std::vector<Figure> sorted = runs->second;
        std::sort(sorted.begin(), sorted.end(),
                  [](const Figure &a, const Figure &b) { return a.wall < b.wall; });
        return sorted[sorted.size() / 2];
    }

    static std::string formatTime(double seconds)
    {
        char text[32];
        if (seconds < 1e-3)
            std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
        else if (seconds < 1)
            std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
        else
            std::snprintf(text, sizeof text, "%.2f s", seconds);
        return text;
    }

    void printTargets(const std::vector<Target> &targets)
    {
        std::ostream &out = GetOutputStream();
        out << "\nTargets (wall-clock time per operation, CPU time in brackets):\n";
        for (const Target &target : targets) {
            const auto measured = figure(target.benchmark);
            if (!measured)
                continue;
            char line[200];
            std::snprintf(line, sizeof line, "  %-32s %10s (%10s)   target < %-9s %s\n",
                          target.what.c_str(), formatTime(measured->wall).c_str(),
                          formatTime(measured->cpu).c_str(), formatTime(target.seconds).c_str(),
                          measured->wall < target.seconds ? "met" : "MISSED");
            out << line;
        }
        for (const std::string &failure : m_failed)
            out << "  failed: " << failure << '\n';
    }

    void printScale(const std::vector<std::string> &families,
                    const std::vector<int> &factors = kScaleFactors)
    {
        std::ostream &out = GetOutputStream();
        out << "\nScale (time per operation; in brackets the growth over the 10x smaller source, "
               "target at most "
            << kMaxStepGrowth << "x):\n";
        for (const std::string &family : families) {
            std::vector<std::optional<Figure>> figures;
            for (const int factor : factors)
                figures.push_back(figure(family + "/x:" + std::to_string(factor)));
            if (std::none_of(figures.begin(), figures.end(),
                             [](const auto &f) { return f.has_value(); }))
                continue;
            for (const bool wall : {true, false}) {
                char cell[64];
                std::snprintf(cell, sizeof cell, "  %-16s %-4s", family.c_str(),
                              wall ? "wall" : "cpu");
                out << cell;
                bool linear = true;
                bool complete = true;
                for (std::size_t i = 0; i < figures.size(); ++i) {
                    if (!figures[i]) {
                        out << "  " << factors[i] << "x: not run";
                        complete = false;
                        continue;
                    }
                    const double time = wall ? figures[i]->wall : figures[i]->cpu;
                    std::snprintf(cell, sizeof cell, "  %4dx %9s", factors[i],
                                  formatTime(time).c_str());
                    out << cell;
                    if (i > 0 && figures[i - 1]) {
                        const double before = wall ? figures[i - 1]->wall : figures[i - 1]->cpu;
                        const double growth = time / before;
                        linear = linear && growth <= kMaxStepGrowth;
                        std::snprintf(cell, sizeof cell, " (%4.1fx)", growth);
                        out << cell;
                    } else {
                        out << "        ";
                    }
                }
                out << (!linear ? "   MISSED\n" : complete ? "   met\n" : "\n");
            }
        }
    }

private:
    std::map<std::string, std::vector<Figure>> m_runs;
    std::map<std::string, Figure> m_medians;
    std::vector<std::string> m_failed;
};
