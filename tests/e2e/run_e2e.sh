#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
#
# End-to-end tests of cdi-editor: starts a private X server (Xvfb on a free display) and a
# private D-Bus session bus, on which the accessibility bus starts when first asked for, then
# runs the Python driver against the real program. Every process that the run starts carries a
# marker in its environment; all of them are ended when the run finishes, whatever its outcome.
#
# Usage: run_e2e.sh <cdi-editor> <examples folder> [<folder for the screenshot>]
# CDI_E2E_ONLY="2 3" runs only those scenarios; CDI_E2E_KEEP=1 keeps the scratch folder (the
# program's output, the files it saved).
set -u

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ $# -ge 2 ] || fail "usage: $0 <cdi-editor> <examples folder> [<output folder>]"
program=$(realpath -- "$1")
examples=$(realpath -- "$2")
output=$(realpath -- "${3:-$PWD}")
here=$(cd "$(dirname "$0")" && pwd)
# Debian's interpreter, which has python3-gi; another python3 earlier on the path may lack it.
python=${CDI_E2E_PYTHON:-/usr/bin/python3}

[ -x "$program" ] || fail "program not found: $program"
[ -f "$examples/CDI.asm" ] || fail "sample not found: $examples/CDI.asm"
missing=()
for tool in Xvfb xdotool dbus-daemon xwd convert; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=(at-spi-bus-launcher)
command -v xterm >/dev/null 2>&1 || command -v x-terminal-emulator >/dev/null 2>&1 || missing+=(xterm)
command -v avrasm2 >/dev/null 2>&1 || command -v avra >/dev/null 2>&1 || missing+=(avra)
"$python" -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' \
    >/dev/null 2>&1 || missing+=("$python with gi and Atspi 2.0")
[ ${#missing[@]} -eq 0 ] || fail "missing ${missing[*]}; the Debian packages: xvfb xdotool dbus" \
    "at-spi2-core python3-gi gir1.2-atspi-2.0 x11-apps imagemagick xterm avra"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/cdi-e2e.XXXXXX") || fail "cannot create a scratch folder"
run_id="$$-$(date +%s%N)"
started=()

# Processes whose environment holds this run's marker. The script itself does not export it,
# so neither it nor the helpers of this function match.
marked() {
    grep -lzxF "CDI_E2E_RUN=$run_id" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
}

cleanup() {
    local status=$? pid left round
    trap - EXIT INT TERM HUP
    for pid in "${started[@]}" $(marked); do
        kill -TERM "$pid" 2>/dev/null
    done
    for round in $(seq 30); do
        left=$(marked)
        [ -z "$left" ] && break
        sleep 0.1
    done
    for pid in $(marked); do
        kill -KILL "$pid" 2>/dev/null
    done
    if [ -n "${CDI_E2E_KEEP:-}" ]; then
        echo "scratch folder kept: $scratch"
    else
        rm -rf "$scratch"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

wait_file() { # file, what: waits until the file holds a whole line
    local round
    for round in $(seq 100); do
        [ -s "$1" ] && [ "$(tail -c 1 "$1" | od -An -c | tr -d ' ')" = '\n' ] && return 0
        sleep 0.1
    done
    fail "$2 did not start"
}

# The X server picks a free display number and writes it to descriptor 9.
CDI_E2E_RUN=$run_id Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp -noreset \
    9>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
started+=($!)
wait_file "$scratch/display" "Xvfb"
display=":$(head -n 1 "$scratch/display")"

CDI_E2E_RUN=$run_id DISPLAY=$display dbus-daemon --session --nofork --print-address=9 \
    9>"$scratch/bus" >"$scratch/dbus.log" 2>&1 &
started+=($!)
wait_file "$scratch/bus" "the session bus"

mkdir -p "$scratch/home" "$scratch/runtime" "$scratch/work"
chmod 700 "$scratch/runtime"
export DISPLAY=$display
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$scratch/bus")
export DBUS_SESSION_BUS_ADDRESS
export HOME=$scratch/home
export XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share
export XDG_CACHE_HOME=$scratch/home/.cache XDG_RUNTIME_DIR=$scratch/runtime
unset XDG_CONFIG_DIRS XDG_DATA_DIRS SESSION_MANAGER AT_SPI_BUS_ADDRESS
echo "X display $DISPLAY, session bus $DBUS_SESSION_BUS_ADDRESS"

# No byte-code caches in the source tree.
export PYTHONDONTWRITEBYTECODE=1
CDI_E2E_RUN=$run_id timeout -k 5 240 "$python" "$here/cdi_e2e.py" \
    "$program" "$examples" "$scratch/work" "$output"
status=$?
[ $status -eq 124 ] && echo "FAIL: the driver did not finish within 240 s" >&2
exit $status
