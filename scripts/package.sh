#!/usr/bin/env bash
# Builds both installers: the 32- and 64-bit hxMonitor.exe (build/win32,
# build/win64) and the NSIS package of each, gathered in one folder.
#
#   scripts/package.sh [OUTDIR]     (default: build/packages)
#
# On a fresh Debian 12 machine run it as root: it installs mingw-w64 and NSIS
# first when they are missing. Environment: HX_BUILD_ROOT (default
# <repo>/build), HX_JOBS (default 2).
set -u -o pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${HX_BUILD_ROOT:-$ROOT/build}
JOBS=${HX_JOBS:-2}
out=${1:-$BUILD_ROOT/packages}

say() { printf '\n==> %s\n' "$*"; }
. "$ROOT/scripts/packages.sh"
install_packages windows || exit 1

mkdir -p "$out" || exit 1
out=$(cd "$out" && pwd)
made=()
for tree in win32:mingw-i686 win64:mingw-x86_64; do
    dir=$BUILD_ROOT/${tree%%:*}
    say "${tree%%:*}: hxMonitor.exe and its installer"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/${tree#*:}.cmake" \
        >"$dir.configure.log" 2>&1 || { tail -n 30 "$dir.configure.log"; exit 1; }
    cmake --build "$dir" -j "$JOBS" --target installer >"$dir.package.log" 2>&1 ||
        { tail -n 40 "$dir.package.log"; exit 1; }
    # The one just made: a tree may still hold packages of older versions.
    package=$(ls -t "$dir"/hxMonitor-*-setup-*.exe | head -n 1)
    cp "$package" "$out/" || exit 1
    made+=("$out/$(basename "$package")")
done

say "installers in $out"
for package in "${made[@]}"; do
    printf '  %-40s %7d bytes\n' "$(basename "$package")" "$(stat -c %s "$package")"
done
