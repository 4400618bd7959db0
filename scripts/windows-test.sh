#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves the Windows build under Wine, from the zip a user gets:
# 1. the Windows build of the domain, format and session suites (ctest runs them under wine64);
# 2. cdi-tables.exe from the unpacked zip: "show" in each format and language, and "import", give
#    the same output as the Linux build's byte for byte, and the file import saves is the same;
# 3. cdi-editor.exe from the unpacked zip on a private X server: it starts, "Файл" (Ctrl+O) opens
#    the dialog, the sample's path typed there and Enter load it, and a screenshot shows the grid's
#    first row (scripts/windows-grid-check.py); the screenshot is kept as
#    build-windows/wine-screenshot.png.
# Builds what is missing first (scripts/windows-build.sh, and cdi-tables for Linux in ./build).
# Everything else lives in a private temporary folder, the Wine prefix too.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

bash scripts/packages.sh wine64 xvfb xauth xdotool x11-apps imagemagick
bash scripts/windows-build.sh >/dev/null
cmake --preset program >/dev/null
cmake --build build --target cdi-tables -j"$(nproc)" >/dev/null

scratch=$(mktemp -d)
xvfb_pid=""
editor_pid=""
cleanup() {
    [ -n "$editor_pid" ] && kill "$editor_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    WINEPREFIX="$scratch/wine" /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

export WINEPREFIX="$scratch/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
wine=/usr/lib/wine/wine64
passed=0
failed=0
pass() { echo "PASS: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1"; failed=$((failed + 1)); }

# The X server comes first: Wine's desktop process, started by the first program in the prefix,
# keeps the display it found, and one started without any gives later windows no driver.
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"

echo "Preparing a Wine prefix"
"$wine" wineboot -i >"$scratch/wineboot.log" 2>&1
/usr/lib/wine/wineserver -w

# 1. The suites.
if ctest --test-dir build-windows --output-on-failure -j2 >"$scratch/ctest.log" 2>&1; then
    pass "$(grep -E 'tests passed' "$scratch/ctest.log")"
else
    cat "$scratch/ctest.log"
    fail "the Windows build's suites under Wine"
fi

# 2. cdi-tables: the same output and the same saved file as on Linux.
mkdir -p "$scratch/zip"
zip=$(ls build-windows/cdi-editor-*-windows-x64.zip)
(cd "$scratch/zip" && cmake -E tar xf "$repo/$zip")
app=$(ls -d "$scratch"/zip/cdi-editor-*-windows-x64)
linux_tables="$repo/build/cdi-tables"

run_both() { # name args...: runs both in their own copies of the sample, compares stdout and status
    local name=$1
    shift
    local linux_status=0 windows_status=0
    (cd "$scratch/linux" && LANG=C.UTF-8 "$linux_tables" "$@" >"$scratch/$name.linux" 2>&1) ||
        linux_status=$?
    (cd "$scratch/windows" && LANG=C.UTF-8 "$wine" "$app/cdi-tables.exe" "$@" \
        >"$scratch/$name.windows" 2>&1) || windows_status=$?
    if [ "$linux_status" != "$windows_status" ]; then
        fail "cdi-tables $*: exit status $windows_status on Windows, $linux_status on Linux"
    elif ! cmp -s "$scratch/$name.linux" "$scratch/$name.windows"; then
        diff <(od -c "$scratch/$name.linux") <(od -c "$scratch/$name.windows") | head -20 || true
        fail "cdi-tables $*: the output differs from the Linux build's"
    else
        pass "cdi-tables $* (exit status $linux_status, $(wc -c <"$scratch/$name.linux") bytes alike)"
    fi
}

mkdir -p "$scratch/linux" "$scratch/windows"
cp examples/CDI.asm "$scratch/linux/CDI.asm"
cp examples/CDI.asm "$scratch/windows/CDI.asm"
run_both show-text show CDI.asm
run_both show-text-en show CDI.asm --lang en
run_both show-csv show CDI.asm --format csv
run_both show-json show CDI.asm --format json

# New angles for table 1: every angle 1.4 degrees later than in the sample, RPM unchanged.
"$linux_tables" show "$scratch/linux/CDI.asm" --format csv --lang en >"$scratch/table.csv"
awk -F, 'NR == 1 { print "rpm,angle"; next }
         { printf "%s,%s\n", $1, ($5 == "-" || $5 == "") ? $5 : sprintf("%.1f", $5 + 1.4) }' \
    "$scratch/table.csv" >"$scratch/linux/new.csv"
cp "$scratch/linux/new.csv" "$scratch/windows/new.csv"
run_both import import CDI.asm new.csv --table 1
if cmp -s "$scratch/linux/CDI.asm" examples/CDI.asm; then
    fail "cdi-tables import changed nothing on Linux: the comparison proves nothing"
elif cmp -s "$scratch/linux/CDI.asm" "$scratch/windows/CDI.asm"; then
    pass "the file saved by cdi-tables.exe import is byte-identical to the Linux build's"
else
    cmp "$scratch/linux/CDI.asm" "$scratch/windows/CDI.asm" || true
    fail "the file saved by cdi-tables.exe import differs from the Linux build's"
fi
# A refused line: the same message, and neither file touched.
printf 'rpm,angle\n460,99\n' >"$scratch/linux/bad.csv"
cp "$scratch/linux/bad.csv" "$scratch/windows/bad.csv"
run_both refused import CDI.asm bad.csv --table 1

# 3. The window on a private X server.
shot() { # name: the whole screen as PPM and PNG
    xwd -root -silent | convert xwd:- -depth 8 "$scratch/$1.ppm"
    convert "$scratch/$1.ppm" "$scratch/$1.png"
}
(cd "$scratch/windows" && exec "$wine" "$app/cdi-editor.exe" >"$scratch/editor.log" 2>&1) &
editor_pid=$!
window=""
for _ in $(seq 120); do
    window=$(xdotool search --onlyvisible --class "cdi-editor.exe" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.5
done
if [ -z "$window" ]; then
    cat "$scratch/editor.log"
    fail "cdi-editor.exe shows no window under Wine"
else
    sleep 3
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" || true
    shot before
    xdotool key --clearmodifiers ctrl+o
    sleep 3
    # The first dialog starts in the documents folder: the sample's path is typed, as Wine shows
    # the root folder as drive Z:.
    xdotool type --delay 20 "Z:$(printf '%s' "$scratch/windows/CDI.asm" | tr / '\\')"
    xdotool key --clearmodifiers Return
    sleep 4
    shot after
    cp "$scratch/after.png" build-windows/wine-screenshot.png
    if python3 scripts/windows-grid-check.py "$scratch/before.ppm" "$scratch/after.ppm"; then
        pass "cdi-editor.exe under Wine loads the sample and shows the grid's first row"
    else
        fail "cdi-editor.exe under Wine: the grid's first row (screenshot: build-windows/wine-screenshot.png)"
    fi
fi

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
