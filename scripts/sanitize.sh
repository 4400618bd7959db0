#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs
# the whole test suite there. Any finding (a memory error, a leak, undefined behaviour) stops
# the test that hit it and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-asan

# A debug build, so that Qt's and our own assertions are checked as well.
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j"$(nproc)"

# No strict_string_checks: with it, X11's keyboard library (a bounded strndup of an atom name)
# trips the interceptor as soon as the program opens a display.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
