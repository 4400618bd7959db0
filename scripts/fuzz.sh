#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# Builds the libFuzzer targets with clang in build-fuzz and runs each on a copy of its seed corpus
# and stored regressions: two at a time (one per core), each pair for half of FUZZ_SECONDS (default
# 60), so that every target gets FUZZ_SECONDS of half a core as when all four ran at once, the
# whole run stays about FUZZ_SECONDS long, and each target's rate is its own speed on one core.
# Fails on any finding; the input that broke a target is kept in build-fuzz/findings/ (store it
# under fuzz/regressions/<target>/ with the fix).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

# Corpus copies and the saved scratch files on tmpfs where there is one, all removed at the end.
work="$(mktemp -d /dev/shm/cdi-fuzz.XXXXXX 2>/dev/null || mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"
export TMPDIR="$work/tmp"
findings="$build/findings"
mkdir -p "$findings"

# A smaller quarantine than AddressSanitizer's 256 MB: freed memory is still held for many
# inputs, but new allocations stop touching fresh pages on every input.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"

half=$(((seconds + 1) / 2))
status=0
run_pair() {
    local target
    declare -A pids
    for target in "$@"; do
        cp -r "fuzz/corpus/$target" "$work/$target"
        if [ -d "fuzz/regressions/$target" ]; then
            cp "fuzz/regressions/$target"/* "$work/$target/"
        fi
        "$build/fuzz/fuzz_$target" -max_total_time="$half" -max_len=65536 -timeout=10 \
            -rss_limit_mb=2048 -dict=fuzz/cdi.dict -print_final_stats=1 \
            -artifact_prefix="$PWD/$findings/$target-" "$work/$target" >"$work/$target.log" 2>&1 &
        pids[$target]=$!
    done
    for target in "$@"; do
        if wait "${pids[$target]}"; then
            local runs rate
            runs="$(grep -m1 '^stat::number_of_executed_units' "$work/$target.log" | awk '{print $2}')"
            rate="$(grep -m1 '^stat::average_exec_per_sec' "$work/$target.log" | awk '{print $2}')"
            echo "fuzz_$target: no finding in ${half} s on one core (${runs:-?} runs, ${rate:-?} per second)"
        else
            status=1
            echo "fuzz_$target: FINDING" >&2
            grep -v '^#\|^\s*"' "$work/$target.log" | tail -n 60 >&2
            grep -m 5 -E 'property failed|ERROR: |runtime error' "$work/$target.log" >&2 || true
            echo "input kept:" >&2
            find "$findings" -name "$target-*" -newer "$work" >&2
        fi
    done
}

# The slow save target beside the fast HEX target, load beside CSV.
run_pair load csv
run_pair save hex
exit "$status"
