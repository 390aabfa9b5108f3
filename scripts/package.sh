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

. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
. "$HX_ROOT/scripts/packages.sh"
out=${1:-$HX_BUILD_ROOT/packages}
install_packages windows || exit 1

mkdir -p "$out" || exit 1
out=$(cd "$out" && pwd)
made=()
for arch in x86 x64; do
    hx_arch "$arch"
    say "$HX_WIN_TREE: hxMonitor.exe and its installer"
    hx_configure_windows "$arch" || exit 1
    hx_build "$HX_WIN_BUILD_DIR" installer || exit 1
    # The one just made: a tree may still hold packages of older versions.
    package=$(ls -t "$HX_WIN_BUILD_DIR"/hxMonitor-*-setup-*.exe | head -n 1)
    cp "$package" "$out/" || exit 1
    made+=("$out/$(basename "$package")")
done

say "installers in $out"
for package in "${made[@]}"; do
    printf '  %-40s %7d bytes\n' "$(basename "$package")" "$(stat -c %s "$package")"
done
