#!/usr/bin/env bash
# Lists the import table of a Windows program (32- or 64-bit), one "DLL function" line
# per imported function ("DLL #ordinal" for imports by ordinal), read from
# `objdump -p`. Usage: pe-imports.sh EXE | pe-imports.sh --listing OBJDUMP_TEXT
# The objdump used is $HX_OBJDUMP, else i686-w64-mingw32-objdump.
set -u -o pipefail

if [ $# -eq 2 ] && [ "$1" = "--listing" ]; then
    listing() { cat "$2"; }
elif [ $# -eq 1 ]; then
    objdump=${HX_OBJDUMP:-i686-w64-mingw32-objdump}
    command -v "$objdump" >/dev/null || { echo "pe-imports: $objdump not found" >&2; exit 2; }
    [ -f "$1" ] || { echo "pe-imports: no such file: $1" >&2; exit 2; }
    listing() { "$objdump" -p "$1"; }
else
    echo "usage: $0 EXE | $0 --listing OBJDUMP_TEXT" >&2
    exit 2
fi

# Inside a "DLL Name:" block, after its "vma: Hint/Ord Member-Name" header,
# each line is: thunk, hint or ordinal, name; an import by ordinal has the
# name "<none>". A blank line ends the block.
listing "$@" | awk '
    /^[ \t]*DLL Name:/ { dll = $3; header = 0; next }
    dll != "" && /Hint\/Ord/ { header = 1; next }
    dll != "" && header && NF == 0 { dll = ""; header = 0; next }
    dll != "" && header {
        if (NF >= 3 && $3 != "<none>") print dll, $3
        else print dll, "#" $2
    }
'
