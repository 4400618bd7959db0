#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
#
# Builds the benchmarks (Release) and runs them all, printing the figures and the targets:
#   1. bench_logic    the logic without a display, and the scale runs 1x..1000x
#   1b. bench_calibration  the calibration's scan and write alone, 1x..1000x
#   2. bench_window   the window's handlers on the offscreen platform, then on Xvfb
#   3. startup_bench  start-up against a bare Qt window, on Xvfb, then offscreen
#
#   bench/run.sh [Google Benchmark options...]     e.g. --benchmark_repetitions=5
#
# BUILD_DIR (default build-bench beside the sources) and STARTUP_RUNS (default 21) may be set.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD_DIR:-$root/build-bench}
runs=${STARTUP_RUNS:-21}
screen="-screen 0 1280x1024x24"

# Google Benchmark and the X server for the runs on a real display.
bash "$root/scripts/packages.sh" build-essential cmake qt6-base-dev qt6-qpa-plugins \
    fonts-dejavu-core fonts-liberation2 libbenchmark-dev xvfb xauth

(cd "$root" && cmake --preset bench -B "$build" >/dev/null)
cmake --build "$build" -j"$(nproc)" --target bench_logic bench_calibration bench_window \
    startup_probe_cdi bare_window startup_bench

# Numbers are read and written with the locale's decimal separator; keep it fixed.
export LC_ALL=C.UTF-8

echo
echo "=== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "=== 1. Logic, no display"
"$build/bench/bench_logic" "$@"
echo
echo "=== 1b. The calibration alone, no display"
"$build/bench/bench_calibration" "$@"
echo
echo "=== 2a. Window, offscreen platform"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_window" "$@"
if command -v xvfb-run >/dev/null 2>&1; then
    echo
    echo "=== 2b. Window, X server (Xvfb)"
    xvfb-run -a -s "$screen" env QT_QPA_PLATFORM=xcb "$build/bench/bench_window" "$@"
    echo
    echo "=== 3a. Start-up, X server (Xvfb)"
    xvfb-run -a -s "$screen" env QT_QPA_PLATFORM=xcb "$build/bench/startup_bench" "$runs"
else
    echo
    echo "=== xvfb-run not found: the X server runs are left out"
fi
echo
echo "=== 3b. Start-up, offscreen platform"
QT_QPA_PLATFORM=offscreen "$build/bench/startup_bench" "$runs"
