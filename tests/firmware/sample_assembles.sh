#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
#
# Assembles a firmware source with avra in a scratch folder. Fails when avra
# is missing, exits non-zero, reports an error, or leaves no firmware image.
set -u

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: $0 <firmware source .asm>"
src=$1
[ -f "$src" ] || fail "firmware source not found: $src"
command -v avra >/dev/null 2>&1 || fail "avra is not installed (Debian package avra)"

work=$(mktemp -d) || fail "cannot create a temporary folder"
trap 'rm -rf "$work"' EXIT

name=$(basename "$src")
cp "$src" "$work/$name" || fail "cannot copy $src to $work"
cd "$work" || fail "cannot enter $work"

# The device definitions (m8def.inc) ship with avra in /usr/share/avra.
include_args=()
[ -d /usr/share/avra ] && include_args=(-I /usr/share/avra)

output=$(avra "${include_args[@]}" "$name" 2>&1)
status=$?
printf '%s\n' "$output"
[ $status -eq 0 ] || fail "avra exited with status $status on $name"

errors=$(printf '%s\n' "$output" | grep -i 'error' | grep -vi 'with no errors')
[ -z "$errors" ] || fail "avra reported errors on $name: $errors"

hex=${name%.*}.hex
[ -s "$hex" ] || fail "avra produced no firmware image $hex (missing or empty)"
tail -n 1 "$hex" | tr -d '\r' | grep -qx ':00000001FF' ||
    fail "firmware image $hex lacks the Intel HEX end record"

echo "PASS: $name assembles into $hex ($(wc -c <"$hex") bytes)"
