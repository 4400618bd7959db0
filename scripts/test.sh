#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything and runs every test: the suite (unit, widget,
# real-assembler and end-to-end tests), the fuzz targets for a bounded time, and the suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/packages.sh build-essential cmake qt6-base-dev qt6-qpa-plugins \
    fonts-dejavu-core fonts-liberation2 libbenchmark-dev fp-utils libchm-bin avra \
    xvfb xauth xdotool dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0 x11-apps \
    imagemagick xterm clang libclang-rt-14-dev

cmake --preset tests >/dev/null
cmake --build --preset tests -j"$(nproc)"
ctest --preset tests -j"$(nproc)"

FUZZ_SECONDS="${FUZZ_SECONDS:-60}" bash scripts/fuzz.sh
bash scripts/sanitize.sh
