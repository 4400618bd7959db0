#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Windows programs and their tests into build-windows with MinGW-w64, and the zip a
# Windows user unpacks and runs: build-windows/cdi-editor-<version>-windows-x64.zip.
# Needs the cache that scripts/windows-qt.sh fills (Qt and avra for Windows).
set -euo pipefail
cd "$(dirname "$0")/.."

cache="${CDI_CACHE:-$HOME/.cache/cdi-editor}"
if [ ! -f "$cache/qt6-mingw-6.4.2/.complete" ] || [ ! -f "$cache/avra-mingw/.complete" ]; then
    echo "windows-build.sh: Qt or avra for Windows is not in $cache; run scripts/windows-qt.sh first" >&2
    exit 1
fi
bash scripts/packages.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix cmake \
    qt6-base-dev qt6-base-dev-tools fp-utils

export CDI_QT_WINDOWS="$cache/qt6-mingw-6.4.2"
cmake --preset windows -DCDI_AVRA_WINDOWS="$cache/avra-mingw" >/dev/null
cmake --build --preset windows -j"$(nproc)"
(cd build-windows && cpack -G ZIP >/dev/null)
ls build-windows/cdi-editor-*-windows-x64.zip
