// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// Start-up against a bare Qt window: starts startup_probe_cdi, bare_window and, for comparison,
// bare_window --text (all found beside this program) in turns, the bare window at the size our
// window reports on its first start. Takes for each run the time from just before the start of
// the process to its first painted frame (the moment it prints), the time to its exit, its CPU
// time and its peak memory. Prints the medians, the ratio of ours to the bare window with text
// (the median over the pairs of runs taken next to each other, with its 95 % interval) and the
// memory over the empty bare window, against the targets.
//
//   startup_bench [runs]        runs per program, 21 unless given; one more of each to warm up
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

extern char **environ;

namespace {

constexpr double kMaxRatio = 1.3;
constexpr double kMaxExtraMiB = 15.0;

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Run
{
    double paintedMs;
    double exitMs;
    double cpuMs;
    double maxRssMiB;
    std::string windowSize; // "<width>x<height>" as the program reported it
};

double milliseconds(const timeval &t)
{
    return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
}

std::optional<Run> runOnce(const std::string &program, const std::vector<std::string> &arguments)
{
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    const long long started = monotonicNs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(spawned));
        close(out[0]);
        return std::nullopt;
    }

    std::string output;
    char buffer[256];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, std::size_t(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const long long exited = monotonicNs();

    long long painted = 0;
    int width = 0;
    int height = 0;
    if (std::sscanf(output.c_str(), "painted %lld %d %d", &painted, &width, &height) != 3 ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s did not report a painted frame (status %d)\n", program.c_str(),
                     status);
        return std::nullopt;
    }
    return Run{double(painted - started) / 1e6, double(exited - started) / 1e6,
               milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime),
               double(usage.ru_maxrss) / 1024.0,
               std::to_string(width) + "x" + std::to_string(height)};
}

double medianOfSorted(const std::vector<double> &sorted)
{
    const std::size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return medianOfSorted(values);
}

// The median of `values` and its 95 % interval from their order statistics: the values ranked
// n/2 - 0.98 sqrt(n) and n/2 + 0.98 sqrt(n), the binomial's normal approximation. The interval
// assumes nothing about how the values are spread, so it holds for the ratios of paired starts,
// whose spread has a long tail on the slow side.
struct MedianInterval
{
    double median;
    double low;
    double high;
};

MedianInterval medianInterval(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const double n = double(values.size());
    const double half = 0.98 * std::sqrt(n);
    const auto lower = std::size_t(std::max(0.0, std::floor(n / 2 - half)));
    const auto upper = std::size_t(std::min(n - 1, std::ceil(n / 2 + half)));
    return {medianOfSorted(values), values[lower], values[upper]};
}

struct Figures
{
    std::string name;
    std::vector<std::string> arguments;
    std::vector<double> painted;
    std::vector<double> exited;
    std::vector<double> cpu;
    std::vector<double> rss;
};

void print(const Figures &f)
{
    // The window size is the same for all three and printed once, in the heading.
    std::string shown = f.name;
    for (const std::string &argument : f.arguments) {
        if (argument == "--size")
            break;
        shown += " " + argument;
    }
    std::printf("  %-20s %8.1f ms (min %5.1f, max %5.1f) %8.1f ms %8.1f ms %8.1f MiB\n",
                shown.c_str(), median(f.painted),
                *std::min_element(f.painted.begin(), f.painted.end()),
                *std::max_element(f.painted.begin(), f.painted.end()), median(f.exited),
                median(f.cpu), median(f.rss));
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    std::string folder = "./";
    char self[4096];
    if (const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1); n > 0) {
        self[n] = '\0';
        folder.assign(self, std::strrchr(self, '/') + 1);
    }
    Figures ours{"startup_probe_cdi", {}, {}, {}, {}, {}};
    // The first start of ours fills the caches (libraries, fonts) and tells the size of our
    // window, with its menu bar and status bar, which the bare window then takes.
    const auto first = runOnce(folder + ours.name, ours.arguments);
    if (!first)
        return 1;
    Figures bare{"bare_window", {"--size", first->windowSize}, {}, {}, {}, {}};
    Figures bareText{"bare_window", {"--text", "--size", first->windowSize}, {}, {}, {}, {}};

    // The first start of each bare window is not counted either.
    for (int i = -1; i < runs; ++i) {
        for (Figures *f : {&ours, &bare, &bareText}) {
            if (i < 0 && f == &ours)
                continue;
            const auto run = runOnce(folder + f->name, f->arguments);
            if (!run)
                return 1;
            if (i < 0)
                continue;
            f->painted.push_back(run->paintedMs);
            f->exited.push_back(run->exitMs);
            f->cpu.push_back(run->cpuMs);
            f->rss.push_back(run->maxRssMiB);
        }
    }

    const char *platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("Start-up, %d runs each, taken in turns (platform %s, DISPLAY %s, windows %s):\n",
                runs, platform ? platform : "default",
                std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "none",
                first->windowSize.c_str());
    std::printf("  %-20s %11s %-23s %11s %11s %12s\n", "(medians)", "to painted", "", "to exit",
                "CPU (run)", "peak memory");
    print(ours);
    print(bare);
    print(bareText);
    // The start-up budget is set against the bare window with one label in our font: what any
    // window with text pays for the font system. Memory is set against the empty window. The
    // runs were taken in turns, so the i-th start of ours and the i-th start of the bare window
    // with text ran next to each other under the same load: the budget figure is the median of
    // the ratios of those pairs, which a slow stretch of the machine moves far less than it
    // moves either median alone.
    std::vector<double> pairs;
    for (std::size_t i = 0; i < ours.painted.size(); ++i)
        pairs.push_back(ours.painted[i] / bareText.painted[i]);
    const auto [ratio, low, high] = medianInterval(pairs);
    const double extra = median(ours.rss) - median(bare.rss);
    std::printf("  start-up ratio to the bare window with text (to painted, median of the %zu "
                "paired runs): %.3fx   target <= %.1fx   %s\n",
                pairs.size(), ratio, kMaxRatio, ratio <= kMaxRatio ? "met" : "MISSED");
    // Whether the verdict would stand on another run of as many pairs: the median's interval
    // lies wholly on one side of the target, or straddles it.
    std::printf("  95 %% interval of that median: %.3fx to %.3fx, %s\n", low, high,
                high <= kMaxRatio ? "wholly within the target"
                : low > kMaxRatio ? "wholly over the target"
                                  : "across the target");
    std::printf("  the ratio of the two medians, for comparison: %.2fx\n",
                median(ours.painted) / median(bareText.painted));
    std::printf("  the same in CPU time (less disturbed by other load): %.2fx\n",
                median(ours.cpu) / median(bareText.cpu));
    std::printf("  extra peak memory over the empty bare window (medians): %+.1f MiB   "
                "target <= %+.0f MiB   %s\n",
                extra, kMaxExtraMiB, extra <= kMaxExtraMiB ? "met" : "MISSED");
    std::printf("  for comparison, against the empty bare window: %.2fx (CPU %.2fx)\n",
                median(ours.painted) / median(bare.painted), median(ours.cpu) / median(bare.cpu));
    return 0;
}
