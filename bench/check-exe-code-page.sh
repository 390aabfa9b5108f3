#!/usr/bin/env bash
# Checks from the file alone that an exe's manifest makes UTF-8 its process
# code page: activeCodePage "UTF-8", in the 2019 windowsSettings namespace,
# inside the asm.v3 application element's windowsSettings. Windows 10 1903
# and later read it only there. The manifest is stored in the exe as its own
# text; any file holding a manifest can be checked.
#
#   check-exe-code-page.sh FILE
# Exits 0 when the element is there, 1 (with the reason) when it is not.
set -u -o pipefail
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: $0 FILE" >&2
    exit 2
fi

# The manifest on one line, blanks squeezed.
manifest=$(LC_ALL=C tr '\000\r\n\t' '    ' <"$1" | LC_ALL=C grep -ao '<assembly .*</assembly>' |
           tr -s ' ')
if [ -z "$manifest" ]; then
    echo "REJECTED: no manifest found in $1"
    exit 1
fi
settings=$(grep -Eo '<application xmlns="urn:schemas-microsoft-com:asm.v3"> ?<windowsSettings>.*</windowsSettings>' \
           <<<"$manifest")
settings=${settings%%</windowsSettings>*}
if ! grep -qF '<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8</activeCodePage>' \
        <<<"$settings"; then
    echo "REJECTED: the manifest of $1 does not make UTF-8 the process code page"
    exit 1
fi
echo "$1: the manifest makes UTF-8 the process code page"
