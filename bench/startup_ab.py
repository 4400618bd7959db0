#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
"""Start-up of two or more builds of a probe, paired: starts the programs alternately (the order
flipped every round), takes for each start the time from just before it to the painted moment
the program prints ("painted <CLOCK_MONOTONIC ns> ..."), and prints per program the median, the
quartiles and the median of its per-round ratios to the first program. With CDI_STARTUP_MARKS=1
set, it also prints per program the median of the time before main(): the time to the painted
moment less the steps the program marks from main() on.

    startup_ab.py ROUNDS PROGRAM [PROGRAM...]     each PROGRAM one argument, e.g. "./bare_window --text"

Runs on the offscreen platform. Python's monotonic clock is CLOCK_MONOTONIC, as the probes'."""
import os
import statistics
import subprocess
import sys
import time


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    rounds = int(sys.argv[1])
    programs = sys.argv[2:]
    env = dict(os.environ, LC_ALL="C.UTF-8", QT_QPA_PLATFORM="offscreen")
    marked = bool(env.get("CDI_STARTUP_MARKS"))
    times = {p: [] for p in programs}
    before_main = {p: [] for p in programs}
    marked_steps = {p: [] for p in programs}
    for p in programs:  # one unrecorded start of each fills the caches
        subprocess.run(p.split(), env=env, capture_output=True, check=True)
    for i in range(rounds):
        for p in programs if i % 2 == 0 else programs[::-1]:
            started = time.monotonic_ns()
            run = subprocess.run(p.split(), env=env, capture_output=True, text=True, check=True)
            fields = run.stdout.split()
            if len(fields) < 2 or fields[0] != "painted":
                sys.exit(f"{p} did not report a painted frame")
            times[p].append((int(fields[1]) - started) / 1e6)
            if marked:  # "mark <step> <ms> ms <n> faults" lines on standard error
                steps = sum(float(line.split()[2]) for line in run.stderr.splitlines()
                            if line.startswith("mark "))
                marked_steps[p].append(steps)
                before_main[p].append(times[p][-1] - steps)
    first = times[programs[0]]
    for p in programs:
        t = times[p]
        q1, _, q3 = statistics.quantiles(t, n=4)
        ratio = statistics.median(a / b for a, b in zip(t, first))
        print(f"{p:40s} median {statistics.median(t):6.2f} ms  quartiles {q1:6.2f} {q3:6.2f}  "
              f"paired ratio to the first {ratio:.3f}")
        if marked:
            print(f"{'':40s} before main() {statistics.median(before_main[p]):6.2f} ms, "
                  f"the marked steps {statistics.median(marked_steps[p]):6.2f} ms (medians)")


if __name__ == "__main__":
    main()
