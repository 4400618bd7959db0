#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
"""Start-up of two or more builds of a probe, paired: starts the programs alternately (the order
flipped every round), takes for each start the time from just before it to the painted moment
the program prints ("painted <CLOCK_MONOTONIC ns> ..."), and prints per program the median, the
quartiles and the median of its per-round ratios to the first program.

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
    env.pop("CDI_STARTUP_MARKS", None)
    times = {p: [] for p in programs}
    for p in programs:  # one unrecorded start of each fills the caches
        subprocess.run(p.split(), env=env, capture_output=True, check=True)
    for i in range(rounds):
        for p in programs if i % 2 == 0 else programs[::-1]:
            started = time.monotonic_ns()
            out = subprocess.run(p.split(), env=env, capture_output=True, text=True, check=True).stdout
            fields = out.split()
            if len(fields) < 2 or fields[0] != "painted":
                sys.exit(f"{p} did not report a painted frame")
            times[p].append((int(fields[1]) - started) / 1e6)
    first = times[programs[0]]
    for p in programs:
        t = times[p]
        q1, _, q3 = statistics.quantiles(t, n=4)
        ratio = statistics.median(a / b for a, b in zip(t, first))
        print(f"{p:40s} median {statistics.median(t):6.2f} ms  quartiles {q1:6.2f} {q3:6.2f}  "
              f"paired ratio to the first {ratio:.3f}")


if __name__ == "__main__":
    main()
