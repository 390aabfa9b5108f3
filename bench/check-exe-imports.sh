#!/usr/bin/env bash
# Checks the import table of hxMonitor.exe: it may use only the platform's own
# DLLs (KERNEL32, USER32, ADVAPI32 and SETUPAPI; no C runtime, not even the
# system's private msvcrt), must import nothing by ordinal, and must import no
# function that changes the registry.
# Usage: check-exe-imports.sh EXE | check-exe-imports.sh --listing OBJDUMP_TEXT
# HX_REGISTRY_WRITER=1 lets registry writers pass (hxmonctl's verbs write).
# Exits 0 when the table passes, 1 (with the reasons) when it does not.
set -u -o pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
imports=$("$here/pe-imports.sh" "$@") || exit 2

allowed_dlls='^(KERNEL32|USER32|ADVAPI32|SETUPAPI)\.DLL$'
# Everything in advapi32 that creates, changes, deletes or replaces keys and values.
registry_writers='^(RegSetValue|RegSetKeyValue|RegCreateKey|RegDelete|RegSetKeySecurity|RegSaveKey|RegRestoreKey|RegReplaceKey|RegLoadKey|RegUnLoadKey|RegCopyTree|RegRenameKey|RegFlushKey)'

problems=0
reject() {
    echo "REJECTED: $*"
    problems=$((problems + 1))
}

# A listing that yields nothing means the parse failed, not a clean table.
for needed in KERNEL32.DLL USER32.DLL; do
    echo "$imports" | awk '{ print toupper($1) }' | grep -qx "$needed" ||
        reject "no imports from $needed found: is this hxMonitor.exe?"
done

while read -r dll function; do
    [ -n "$dll" ] || continue
    upper=$(echo "$dll" | tr '[:lower:]' '[:upper:]')
    [[ $upper =~ $allowed_dlls ]] || reject "DLL outside the platform: $dll ($function)"
    [[ $function == \#* ]] && reject "import by ordinal: $dll $function"
    # hxmonctl's registration verbs write the registry; the monitor never does.
    [ "${HX_REGISTRY_WRITER:-0}" = 1 ] ||
        [[ ! $function =~ $registry_writers ]] || reject "forbidden registry writer: $dll $function"
done <<<"$imports"

dlls=$(echo "$imports" | awk '{ print $1 }' | sort -uf | tr '\n' ' ')
count=$(echo "$imports" | grep -c .)
if [ "$problems" -eq 0 ]; then
    echo "import table OK: $count functions from ${dlls% }"
    exit 0
fi
echo "import table has $problems problem(s)"
exit 1
