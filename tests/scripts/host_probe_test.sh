#!/usr/bin/env bash
# The host probe: what HX_WINE_ARCH forces, what the default picks on each
# kind of host (the probe's answer faked), and whether its own 32-bit test
# program agrees with the system's 32-bit loader where one is installed.
# Then what the scripts' library decides besides: where a tree and its log
# go on a fresh clone, which prefix a script and what it starts use, and
# when an installer scenario skips itself.
#
#   host_probe_test.sh REPO_ROOT
set -u
root=${1:?usage: host_probe_test.sh REPO_ROOT}
. "$root/scripts/lib.sh"
failures=0
passes=0
expect() {
    if [ "$2" = "$3" ]; then
        passes=$((passes + 1))
    else
        echo "FAIL: $1: got '$2', expected '$3'" >&2
        failures=$((failures + 1))
    fi
}

HX_WINE_ARCH=x64 hx_probe_wine
expect "forced x64 runs" "$HX_WINE_RUNS" x64
expect "forced x64 says why 32-bit is left out" "$HX_WINE_NOT_RUN" "32-bit Wine: left out by HX_WINE_ARCH=x64"
warning=$(HX_WINE_ARCH=x86 hx_probe_wine 2>&1 >/dev/null)
HX_WINE_ARCH=x86 hx_probe_wine 2>/dev/null
expect "forced x86 runs" "$HX_WINE_RUNS" x86
if hx_host_runs_x86; then
    expect "forced x86 where it can run warns of nothing" "$warning" ""
else
    expect "forced x86 where it cannot run says so" "${warning%%:*}" "warning"
fi
HX_WINE_ARCH=both hx_probe_wine 2>/dev/null
expect "both runs both" "$HX_WINE_RUNS/$HX_WINE_NOT_RUN" "x86 x64/"
HX_WINE_ARCH=x32 hx_probe_wine 2>/dev/null
expect "an unknown architecture is refused" "$?" 2

# The default on each kind of host (the probe's answer faked), and the build
# a command running the monitor itself then takes.
hx_host_runs_x86() { return 0; }
HX_WINE_ARCH=auto hx_probe_wine
expect "auto where 32-bit programs run: both Wine runs" "$HX_WINE_RUNS/$HX_WINE_NOT_RUN" "x86 x64/"
HX_WINE_ARCH=auto; hx_pick_main_build
expect "auto where 32-bit programs run: the demo takes the 32-bit exe" \
    "$HX_WINE_ARCH $HX_WIN_BUILD_DIR" "x86 $HX_BUILD_ROOT/win32"
hx_host_runs_x86() { return 1; }
HX_WINE_ARCH=auto hx_probe_wine
expect "auto where 32-bit programs do not run: 64-bit Wine only" "$HX_WINE_RUNS" x64
expect "auto where 32-bit programs do not run says why" "$HX_WINE_NOT_RUN" \
    "32-bit Wine: this host does not execute 32-bit Linux programs"
HX_WINE_ARCH=auto; hx_pick_main_build
expect "auto where 32-bit programs do not run: the demo takes the 64-bit exe" \
    "$HX_WINE_ARCH $HX_WIN_BUILD_DIR" "x64 $HX_BUILD_ROOT/win64"
unset HX_WINE_ARCH
# The real probe again.
. "$root/scripts/lib.sh"

# Where Debian's 32-bit loader is installed, it must agree with the probe.
if [ -e /lib/ld-linux.so.2 ]; then
    loader=no
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 && loader=yes
    probe=no
    hx_host_runs_x86 && probe=yes
    expect "the probe agrees with /lib/ld-linux.so.2" "$probe" "$loader"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/hx-lib-test.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
# in_lib COMMANDS [VARIABLE=VALUE...]: COMMANDS in a new shell that has
# sourced the library, with no build root or prefix of the caller's.
in_lib() {
    env -u HX_BUILD_ROOT -u HX_WINEPREFIX -u WINEPREFIX "${@:2}" \
        bash -c ". '$root/scripts/lib.sh'; $1"
}

# A fresh clone has no build root yet: configuring a tree makes it before
# the tree's log goes there (cmake stands in, saying what it was asked).
mkdir "$work/bin"
printf '#!/bin/sh\necho "cmake $*"\n' >"$work/bin/cmake"
chmod +x "$work/bin/cmake"
in_lib 'hx_configure_windows x64' PATH="$work/bin:$PATH" HX_BUILD_ROOT="$work/clone/build" >/dev/null
expect "a fresh clone's first tree configures with its log" \
    "$(cat "$work/clone/build/win64.configure.log" 2>&1)" \
    "cmake -S $root -B $work/clone/build/win64 -DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-x86_64.cmake"

expect "the shared prefix, 32-bit" \
    "$(in_lib 'hx_wine_env; echo $WINEPREFIX $WINEARCH' HX_BUILD_ROOT=/b HX_WINE_ARCH=x86)" "/b/wineprefix win32"
expect "a script's own prefix, 64-bit" \
    "$(in_lib 'hx_wine_env e2e; echo $WINEPREFIX $WINEARCH' HX_BUILD_ROOT=/b HX_WINE_ARCH=x64)" \
    "/b/wineprefix-e2e-x64 win64"
expect "what the script starts uses the same prefix" \
    "$(in_lib "hx_wine_env e2e; bash -c '. $root/scripts/lib.sh; hx_wine_env; echo \$WINEPREFIX'" \
        HX_BUILD_ROOT=/b HX_WINE_ARCH=x64)" \
    "/b/wineprefix-e2e-x64"
expect "a build's tests find their prefixes beside it" \
    "$(in_lib 'hx_wine_env installer; echo $WINEPREFIX' HX_DEFAULT_BUILD_ROOT=/t)" \
    "/t/wineprefix-installer"

# An installer scenario in a 64-bit prefix without 32-bit Wine, where the
# tree made no 64-bit-stub packages, says why and skips; a scenario whose
# prefix was never made fails.
prefix=$work/clone/build/wineprefix-installer-x64
mkdir -p "$prefix"
touch "$prefix/.hx-prefix-ready" "$prefix/.hx-no-32-bit"
scenario() {
    env -u HXE2E_NATIVE_STUB_PACKAGE_SETUP HX_BUILD_ROOT="$work/clone/build" HX_WINE_ARCH=x64 \
        bash "$root/tests/wine/run-scenario.sh" "$1" hxe2e.exe hxMonitor.exe installer_silent_install 2>&1
}
output=$(scenario installer)
expect "an installer scenario that cannot run here skips itself" "$?: $output" \
    "77: not run: installer tests (x64): they are 32-bit programs, and this 64-bit Wine runs none (no 32-bit Wine)"
scenario e2e >/dev/null
expect "a scenario without its prefix fails" "$?" 1

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
