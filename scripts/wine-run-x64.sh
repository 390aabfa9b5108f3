#!/usr/bin/env bash
# scripts/wine-run.sh for 64-bit programs, in the 64-bit prefix: the
# emulator through which ctest runs the 64-bit Windows test programs.
HX_WINE_ARCH=x64 exec "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" "$@"
