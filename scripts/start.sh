#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/packages.sh build-essential cmake qt6-base-dev qt6-qpa-plugins fonts-dejavu-core fonts-liberation2 \
    fp-utils avra xterm xchm xdg-utils

cmake --preset program >/dev/null
cmake --build --preset program -j"$(nproc)"
exec ./build/cdi-editor
