#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds what the Windows build needs and Debian has only as source, once, into a cache outside the
# repository, with the MinGW-w64 posix cross compiler:
# - Qt for 64-bit Windows (QtCore, QtGui, QtWidgets, QtTest, the windows and offscreen platform
#   plug-ins) from Debian's qt6-base source, the host Qt's version, with the host's moc, rcc and uic;
# - the assembler avra.exe with the ATmega8 definitions file, from Debian's avra source.
# Does nothing when the cache is complete. The Qt build takes hours of both cores (docs/WINDOWS.md).
# Environment: CDI_CACHE (default ~/.cache/cdi-editor), JOBS (default: the number of cores).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

qt_version=6.4.2
cache="${CDI_CACHE:-$HOME/.cache/cdi-editor}"
prefix="$cache/qt6-mingw-$qt_version"
stamp="$prefix/.complete"
avra_prefix="$cache/avra-mingw"
avra_stamp="$avra_prefix/.complete"
if [ -f "$stamp" ] && [ -f "$avra_stamp" ]; then
    echo "Qt $qt_version and avra for Windows are ready in $cache"
    exit 0
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# Debian's source packages of the suite the binary packages come from.
src_list=/etc/apt/sources.list.d/cdi-editor-src.sources
if [ ! -f "$src_list" ]; then
    . /etc/os-release
    mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
        "${mirror:-http://deb.debian.org/debian}" "$VERSION_CODENAME" \
        /usr/share/keyrings/debian-archive-keyring.gpg | $sudo tee "$src_list" >/dev/null
    $sudo apt-get update -qq
fi
bash scripts/packages.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 dpkg-dev \
    cmake ninja-build perl qt6-base-dev qt6-base-dev-tools qt6-translations-l10n

# avra: a small C program, built in seconds.
if [ ! -f "$avra_stamp" ]; then
    rm -rf "$cache/avra-work" && mkdir -p "$cache/avra-work"
    cd "$cache/avra-work"
    # The upstream tarball is what is built; its Debian packaging is not needed and may be missing.
    apt-get source -qq --download-only avra >/dev/null 2>&1 || true
    tarball=$(ls avra_*.orig.tar.* 2>/dev/null | head -1)
    if [ -z "$tarball" ]; then
        echo "windows-qt.sh: apt-get source avra brought no source tarball" >&2
        exit 1
    fi
    mkdir source && tar xf "$tarball" -C source --strip-components=1
    version=$(sed -n 's/^VERSION = //p' source/Makefile)
    make -s -C source/src -f makefiles/Makefile.linux CC=x86_64-w64-mingw32-gcc-posix \
        CDEFS="-DVERSION=\"\\\"$version\\\"\"" LDFLAGS="-s -static" -j"${JOBS:-$(nproc)}" >build.log 2>&1
    rm -rf "$avra_prefix" && mkdir -p "$avra_prefix/include"
    cp source/src/avra.exe "$avra_prefix/"
    cp source/includes/m8def.inc "$avra_prefix/include/"
    cp source/COPYING "$avra_prefix/COPYING.avra.txt"
    touch "$avra_stamp"
    cd "$repo"
    rm -rf "$cache/avra-work"
    echo "avra $version for Windows is ready in $avra_prefix"
fi
[ -f "$stamp" ] && exit 0

work="$cache/qt6-mingw-work"
mkdir -p "$work"
cd "$work"
if [ ! -d source ]; then
    rm -rf download && mkdir download
    (cd download && apt-get source -qq qt6-base >/dev/null)
    mv download/qt6-base-"$qt_version"* source
    rm -rf download
fi
head -1 source/debian/changelog | grep -q "($qt_version" || {
    echo "windows-qt.sh: the qt6-base source is not version $qt_version:" >&2
    head -1 source/debian/changelog >&2
    exit 1
}

# Debian's source leaves out the Wintab SDK's header (its licence forbids changes): the windows
# platform plug-in is built without Wintab tablet support; pens still arrive as mouse input.
if [ ! -f source/src/3rdparty/wintab/wintab.h ]; then
    sed -i 's|QT_CONFIG(tabletevent)|0 /* no Wintab */|' \
        source/src/plugins/platforms/windows/*.cpp source/src/plugins/platforms/windows/*.h
    sed -i 's|CONDITION QT_FEATURE_tabletevent|CONDITION FALSE|' \
        source/src/plugins/platforms/windows/CMakeLists.txt
fi

# Qt 6.4's windows plug-in uses its dynamic OpenGL loader even when OpenGL is left out, and the
# DirectWrite font database that QtGui builds only with Direct2D, which is left out too: the
# plug-in keeps the GDI font database.
sed -i -e 's|QT_CONFIG(dynamicgl)|0 /* no OpenGL */|' \
    -e 's|QT_CONFIG(directwrite3)|0 /* no Direct2D */|' \
    source/src/plugins/platforms/windows/*.cpp source/src/plugins/platforms/windows/*.h

# The build keeps the toolchain file's path: a copy in the cache outlives the clone that ran this.
cp "$repo/cmake/mingw-w64-x86_64.cmake" "$work/mingw-w64-x86_64.cmake"

# Only what the programs and their tests use; the third-party libraries Qt bundles instead of
# system ones, as Debian has none of them built for Windows.
cmake -G Ninja -S source -B build \
    -DCMAKE_TOOLCHAIN_FILE="$work/mingw-w64-x86_64.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
    -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF -DFEATURE_sql=OFF \
    -DFEATURE_network=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_icu=OFF -DFEATURE_openssl=OFF -DFEATURE_jpeg=OFF -DFEATURE_direct2d=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_libpng=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_sql_sqlite=OFF -DFEATURE_style_fusion=ON \
    -Wno-dev >configure.log
cmake --build build --parallel "${JOBS:-$(nproc)}"
cmake --install build >install.log

# Qt's own Russian texts for the standard dialogs and buttons (architecture independent).
mkdir -p "$prefix/translations"
cp /usr/share/qt6/translations/qtbase_ru.qm "$prefix/translations/"
touch "$stamp"
echo "Qt $qt_version for Windows is ready in $prefix"
