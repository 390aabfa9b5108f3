# Wine settings shared by every script that runs a Windows program: a private
# 32-bit prefix under the build directory, quiet logging, no install prompts.
# Source this file; it only sets variables and defines hx_display_usable and
# hx_win.

HX_ROOT=${HX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
HX_BUILD_ROOT=${HX_BUILD_ROOT:-$HX_ROOT/build}
export HX_ROOT HX_BUILD_ROOT

# Wine wants a home directory even with its own prefix; CI may not set one.
[ -n "${HOME:-}" ] || export HOME=$(getent passwd "$(id -u)" | cut -d: -f6)

export WINEARCH=win32
# Never the user's own ~/.wine: tests install things into the prefix.
export WINEPREFIX=${HX_WINEPREFIX:-$HX_BUILD_ROOT/wineprefix}
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
