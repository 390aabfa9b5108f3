#!/usr/bin/env bash
# Checks hxMonitor.exe from the file alone, with no Wine: its machine type,
# its resources (one 32x32 icon, the version record, the manifest's UTF-8
# code page) and its size against the target. Used on every host, also
# where the exe cannot be run.
#
#   check-exe-file.sh EXE MACHINE VERSION MAX_BYTES
#     MACHINE: i386 or x86-64 (as objdump names it); VERSION: e.g. 1.00.1231.0
# Environment: HX_OBJDUMP, HX_WINDRES (the toolchain's objdump and windres).
set -u -o pipefail
if [ $# -ne 4 ] || [ ! -f "$1" ]; then
    echo "usage: $0 EXE MACHINE VERSION MAX_BYTES" >&2
    exit 2
fi
exe=$1 machine=$2 version=$3 max_bytes=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
objdump=${HX_OBJDUMP:-objdump}
windres=${HX_WINDRES:-windres}
failures=0
fail() { echo "REJECTED: $*"; failures=$((failures + 1)); }

format=$("$objdump" -f "$exe" | sed -n 's/.*file format //p')
case $machine:$format in
    i386:pei-i386|x86-64:pei-x86-64) ;;
    *) fail "file format '$format', expected the $machine one" ;;
esac
headers=$("$objdump" -p "$exe")
grep -q 'Subsystem.*Windows GUI' <<<"$headers" || fail "not a Windows GUI program"

resources=$("$windres" -J coff -i "$exe" -O rc 2>&1) || fail "no resources could be read: $resources"
# One icon image, 32 pixels square, in the one group icon.
[ "$(grep -c 'RT_ICON \*/' <<<"$resources")" -eq 1 ] || fail "not exactly one icon image"
grep -q '"\\040\\040[^"]*", 1, [0-9]*, ' <<<"$resources" || fail "the group icon's image is not 32x32"
file_version=$(echo "$version" | awk -F. '{ printf "%d, %d, %d, %d", $1, $2, $3, $4 }')
grep -q "FILEVERSION $file_version\$" <<<"$resources" || fail "FILEVERSION is not $file_version"
for value in '"ProductName", "hxMonitor"' "\"FileVersion\", \"$version\"" \
        '"OriginalFilename", "hxMonitor.exe"'; do
    grep -qF "VALUE $value" <<<"$resources" || fail "the version record lacks $value"
done

bash "$here/check-exe-code-page.sh" "$exe" >/dev/null ||
    fail "the manifest does not make UTF-8 the process code page"

size=$(stat -c %s "$exe")
[ "$size" -le "$max_bytes" ] || fail "$size bytes, over the $max_bytes-byte target"

if [ "$failures" -eq 0 ]; then
    echo "$exe: $format, $size bytes (target $max_bytes), icon 32x32, version $version, UTF-8 code page"
fi
[ "$failures" -eq 0 ]
