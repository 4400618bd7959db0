#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/packages.sh build-essential cmake qt6-base-dev qt6-qpa-plugins fonts-dejavu-core fonts-liberation2 \
    fp-utils libchm-bin avra

cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-tests -j"$(nproc)"
ctest --test-dir build-tests --output-on-failure -j"$(nproc)"
