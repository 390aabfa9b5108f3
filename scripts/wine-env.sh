# Wine settings shared by every script that runs a Windows program: a private
# prefix under the build directory, quiet logging, no install prompts.
# HX_WINE_ARCH picks the architecture: x86 (default) runs 32-bit programs in
# a 32-bit prefix, x64 runs 64-bit programs in a 64-bit prefix whose name
# ends in "-x64". HX_WIN_BUILD_DIR and HX_WIN_TOOLCHAIN name the Windows
# build tree and toolchain file of that architecture. Source this file; it
# only sets variables and defines hx_display_usable and hx_win.

HX_ROOT=${HX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
HX_BUILD_ROOT=${HX_BUILD_ROOT:-$HX_ROOT/build}
export HX_ROOT HX_BUILD_ROOT

# Wine wants a home directory even with its own prefix; CI may not set one.
[ -n "${HOME:-}" ] || export HOME=$(getent passwd "$(id -u)" | cut -d: -f6)

# Never the user's own ~/.wine: tests install things into the prefix.
export WINEPREFIX=${HX_WINEPREFIX:-$HX_BUILD_ROOT/wineprefix}
case ${HX_WINE_ARCH:=x86} in
    x86)
        export WINEARCH=win32
        HX_WIN_BUILD_DIR=$HX_BUILD_ROOT/win32
        HX_WIN_TOOLCHAIN=$HX_ROOT/cmake/mingw-i686.cmake ;;
    x64)
        export WINEARCH=win64
        HX_WIN_BUILD_DIR=$HX_BUILD_ROOT/win64
        HX_WIN_TOOLCHAIN=$HX_ROOT/cmake/mingw-x86_64.cmake
        # One architecture per prefix: a 64-bit run never boots a 32-bit one.
        case $WINEPREFIX in *-x64) ;; *) WINEPREFIX=$WINEPREFIX-x64 ;; esac
        # wine, wineboot and wineserver of the 64-bit build, for this script
        # and every script it starts.
        case ":$PATH:" in
            *":$HX_ROOT/scripts/wine64:"*) ;;
            *) PATH=$HX_ROOT/scripts/wine64:$PATH ;;
        esac
        export PATH ;;
    *) echo "wine-env: HX_WINE_ARCH must be x86 or x64, not '$HX_WINE_ARCH'" >&2; return 2 ;;
esac
export HX_WINE_ARCH
export WINEDEBUG=${WINEDEBUG:--all}
# The Mono and Gecko installers would otherwise ask on the first start.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# True when DISPLAY names an X server we can reach. A local display whose
# socket is gone (a stale variable from another session) counts as none.
hx_display_usable() {
    [ -n "${DISPLAY:-}" ] || return 1
    case "$DISPLAY" in
        :*)
            local number=${DISPLAY#:}
            number=${number%%.*}
            [ -S "/tmp/.X11-unix/X$number" ] ;;
        *) return 0 ;;
    esac
}

# hx_win OUTDIR PROGRAM ARGS...: a Windows program with its output in files
# under OUTDIR, never a pipe (the first Wine process of a session hands its
# output to Wine's services, which keep it open until the server quits),
# replayed with Unix line ends. Returns the program's exit code.
hx_win() {
    local out=$1
    shift
    wine "$@" >"$out/stdout" 2>"$out/stderr"
    local status=$?
    tr -d '\r' <"$out/stdout"
    tr -d '\r' <"$out/stderr" >&2
    return "$status"
}
