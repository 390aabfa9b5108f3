#!/usr/bin/env bash
# Prints the size of hxMonitor.exe against its 16 KiB target, and its import
# table: the DLLs it needs and every function it takes from each.
# Usage: exe-size.sh [EXE]   (default: build/win32/hxMonitor.exe; build it with
# scripts/run.sh or scripts/test.sh, or cmake --build build/win32 --target hxMonitor;
# the 64-bit exe is build/win64/hxMonitor.exe)
set -u -o pipefail

. "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
hx_arch x86
exe=${1:-$HX_WIN_BUILD_DIR/hxMonitor.exe}
[ -f "$exe" ] || { echo "exe-size: $exe not found; build the $HX_WIN_TREE tree first" >&2; exit 2; }
# The objdump of the exe's own architecture, unless one is given.
if [ -z "${HX_OBJDUMP:-}" ]; then
    for HX_OBJDUMP in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump; do
        "$HX_OBJDUMP" -f "$exe" >/dev/null 2>&1 && break
    done
fi
export HX_OBJDUMP
objdump=$HX_OBJDUMP
target=16384

size=$(stat -c %s "$exe")
printf 'hxMonitor.exe: %s\n' "$exe"
printf '  size            %d bytes (%.1f KiB); target <= %d bytes: %s\n' \
    "$size" "$(echo "$size / 1024" | bc -l)" "$target" \
    "$([ "$size" -le "$target" ] && echo met || echo MISSED)"

# Section sizes show where the bytes are (code, data, imports, resources).
"$objdump" -h "$exe" | awk '$2 ~ /^\./ { print $2, $3 }' | while read -r name hex; do
    printf '  section %-8s %6d bytes\n' "$name" "$((16#$hex))"
done

imports=$("$HX_ROOT/bench/pe-imports.sh" "$exe") || exit 2
printf '  imports         %d functions from %d DLLs\n' \
    "$(echo "$imports" | grep -c .)" "$(echo "$imports" | awk '{ print $1 }' | sort -u | grep -c .)"
# One paragraph per DLL, its functions wrapped under it.
echo "$imports" | sort -f -k1,1 -s | awk '
    function flush() { if (line != "") print line; line = "" }
    $1 != dll { flush(); dll = $1; print "  " dll ":"; line = "" }
    {
        if (length(line) + length($2) > 96) flush()
        line = (line == "" ? "      " $2 : line " " $2)
    }
    END { flush() }
'
"$HX_ROOT/bench/check-exe-imports.sh" "$exe" | sed 's/^/  /'
