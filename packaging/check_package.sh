#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
#
# Builds the Debian package from a built build folder and checks it: its file list and control
# fields, the menu entry, metainfo, icon and man pages under their validators, no path of the
# build or source tree in the program, and the program unpacked with dpkg -x into a scratch
# root, started on the offscreen platform: it must show its window and find its help, its sample
# and Qt's Russian texts in the installed layout. The same program copied alone must say that
# they are missing.
#
# Usage: check_package.sh <cpack> <build folder> <scratch folder> <cdi-tables expected: yes|no>
#                         <source folder>
set -u

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ $# -eq 5 ] || fail "usage: $0 <cpack> <build folder> <scratch folder> yes|no <source folder>"
cpack=$1
build=$(realpath -- "$2")
work=$3
cli=$4
source=$(realpath -- "$5")
id=org.example.cdi_table_editor

missing=()
for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli groff python3; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
[ ${#missing[@]} -eq 0 ] || fail "missing ${missing[*]}; the Debian packages:" \
    "dpkg-dev desktop-file-utils appstream groff-base python3"

rm -rf -- "$work"
mkdir -p -- "$work" || fail "cannot create $work"
work=$(realpath -- "$work")

# The package
(cd "$build" && "$cpack" -G DEB -B "$work/deb") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack did not build the package"; }
debs=("$work"/deb/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb in $work/deb"
deb=${debs[0]}
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files" || fail "dpkg-deb cannot list $deb"
expected=(
    ./usr/bin/cdi-editor
    "./usr/share/applications/$id.desktop"
    "./usr/share/icons/hicolor/scalable/apps/$id.svg"
    "./usr/share/metainfo/$id.metainfo.xml"
    ./usr/share/cdi-editor/Help.chm
    ./usr/share/cdi-editor/examples/CDI.asm
    ./usr/share/man/man1/cdi-editor.1.gz
    ./usr/share/doc/cdi-editor/copyright
)
cli_files=(./usr/bin/cdi-tables ./usr/share/man/man1/cdi-tables.1.gz)
if [ "$cli" = yes ]; then
    expected+=("${cli_files[@]}")
else
    for file in "${cli_files[@]}"; do
        ! grep -qxF -- "$file" "$work/files" || fail "$file in the package without cdi-tables built"
    done
fi
for file in "${expected[@]}"; do
    grep -qxF -- "$file" "$work/files" || fail "missing from the package: $file"
done
outside=$(grep -vxE '\./|\./usr/.*' "$work/files")
[ -z "$outside" ] || fail "files outside /usr: $outside"

# Control fields: what the programs link and what they start.
depends=$(dpkg-deb -f "$deb" Depends | sed 's/, /\n/g')
for dependency in 'xterm | x-terminal-emulator' avra avrdude xchm libsimavr2 qt6-qpa-plugins \
    'libqt6core6 (>= 6.*' 'libqt6gui6 (>= 6.*' 'libqt6widgets6 (>= 6.*'; do
    grep -q "^${dependency//|/\\|}" <<<"$depends" || fail "Depends lacks \"$dependency\": $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = cdi-editor ] || fail "package name is not cdi-editor"
! dpkg-deb -f "$deb" Description | grep -q ';' || fail "the description holds a CMake list"

# The files as installed, under their validators.
root=$work/root
dpkg -x "$deb" "$root" || fail "dpkg -x failed"
desktop-file-validate "$root/usr/share/applications/$id.desktop" ||
    fail "desktop-file-validate rejects the menu entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli rejects the metainfo"
python3 - "$root/usr/share/icons/hicolor/scalable/apps/$id.svg" <<'PY' || fail "the icon is no SVG"
import sys, xml.etree.ElementTree as tree
root = tree.parse(sys.argv[1]).getroot()
sys.exit(0 if root.tag == "{http://www.w3.org/2000/svg}svg" else 1)
PY
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(zcat -- "$page" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
for folder in "$source" "$build"; do
    ! grep -qF -- "$folder" "$root/usr/bin/cdi-editor" ||
        fail "cdi-editor holds the path $folder"
done

# The installed program, started where no help file lies in the current folder.
run_check() { # program, output file: the self-check's lines, its status
    mkdir -p "$work/home" "$work/runtime" "$work/cwd"
    chmod 700 "$work/runtime"
    (cd "$work/cwd" && env -i PATH=/usr/bin:/bin HOME="$work/home" \
        XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen CDI_EDITOR_SELF_CHECK=1 \
        timeout 60 "$1" >"$2" 2>"$2.stderr")
}
run_check "$root/usr/bin/cdi-editor" "$work/installed.out"
status=$?
cat >"$work/installed.expected" <<END
window: shown 873x535 "Перерасчет угла опережения ФУОЗ Zarnik  v0.983"
help: $root/usr/share/cdi-editor/Help.chm
sample: $root/usr/share/cdi-editor/examples/CDI.asm
qt texts: Cancel button "Отмена"
END
diff -u "$work/installed.expected" "$work/installed.out" ||
    { cat "$work/installed.out.stderr"; fail "the installed program's self-check differs"; }
[ $status -eq 0 ] || fail "the installed program's self-check ended with status $status"

# The same program without its data folder reports what is missing.
mkdir -p "$work/alone/bin"
cp -- "$root/usr/bin/cdi-editor" "$work/alone/bin/"
run_check "$work/alone/bin/cdi-editor" "$work/alone.out"
status=$?
grep -qxF 'help: MISSING Help.chm' "$work/alone.out" &&
    grep -qxF 'sample: MISSING examples/CDI.asm' "$work/alone.out" ||
    { cat "$work/alone.out"; fail "the self-check does not notice a missing data folder"; }
[ $status -eq 1 ] || fail "the self-check without a data folder ended with status $status, not 1"

echo "PASS: $(wc -l <"$work/files") entries, $(dpkg-deb -f "$deb" Depends)"
