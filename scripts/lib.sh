# Sourced by every command and test script: what they share, written once.
# Sourcing sets the paths below and defines functions; it starts nothing.
#
#   paths     HX_ROOT, HX_BUILD_ROOT (default <repo>/build, or
#             HX_DEFAULT_BUILD_ROOT when a build names its own), HX_JOBS (2),
#             HX_HOST_CC / HX_HOST_CXX (clang / clang++)
#   host      hx_probe_wine, hx_pick_main_build: which Wine runs this host allows
#   trees     hx_arch: an architecture's build tree and toolchain file
#   builds    hx_configure, hx_build: a tree, with its output in a log
#   Wine      hx_wine_env, hx_win, hx_prefix_ready, hx_prefix_make,
#             hx_prefix_remove, hx_wine_end
#   display   hx_display_start, hx_display_stop: a private Xvfb when needed

HX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HX_BUILD_ROOT=${HX_BUILD_ROOT:-${HX_DEFAULT_BUILD_ROOT:-$HX_ROOT/build}}
HX_JOBS=${HX_JOBS:-2}
HX_HOST_CC=${HX_HOST_CC:-clang}
HX_HOST_CXX=${HX_HOST_CXX:-clang++}
export HX_ROOT HX_BUILD_ROOT HX_JOBS

say() { printf '\n==> %s\n' "$*"; }

# ---------------------------------------------------------------- host

# Some machines of this kind execute 32-bit Linux programs and some do not
# ("Exec format error"); 32-bit Wine needs them, 64-bit Wine does not. The
# answer is decided once per command, and HX_WINE_ARCH can force it:
#   auto (default)  both Wine runs where the host runs 32-bit programs, else
#                   64-bit Wine only
#   both            32-bit and 64-bit Wine
#   x86             32-bit Wine only
#   x64             64-bit Wine only, as on a host without 32-bit programs

# True when the kernel runs a 32-bit x86 Linux program: a 96-byte static ELF
# that only exits with code 42, so no 32-bit library need be installed.
hx_host_runs_x86() {
    local probe status
    probe=$(mktemp "${TMPDIR:-/tmp}/hx-probe32.XXXXXX") || return 1
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
    # ET_EXEC, EM_386, entry 0x08048054, one program header at 52.
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
    # PT_LOAD of the whole file at 0x08048000, read and execute.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
    # mov eax, 1 (exit); mov ebx, 42; int 0x80
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

# Sets HX_WINE_RUNS (e.g. "x86 x64") and HX_WINE_NOT_RUN, a sentence on what
# cannot run here and why (empty when nothing is left out).
hx_probe_wine() {
    HX_WINE_RUNS=
    HX_WINE_NOT_RUN=
    case ${HX_WINE_ARCH:-auto} in
        auto)
            if hx_host_runs_x86; then
                HX_WINE_RUNS="x86 x64"
            else
                HX_WINE_RUNS=x64
                HX_WINE_NOT_RUN="32-bit Wine: this host does not execute 32-bit Linux programs"
            fi ;;
        both) HX_WINE_RUNS="x86 x64" ;;
        x86)
            HX_WINE_RUNS=x86
            HX_WINE_NOT_RUN="64-bit Wine: left out by HX_WINE_ARCH=x86" ;;
        x64)
            HX_WINE_RUNS=x64
            HX_WINE_NOT_RUN="32-bit Wine: left out by HX_WINE_ARCH=x64" ;;
        *)
            echo "HX_WINE_ARCH must be auto, both, x86 or x64, not '$HX_WINE_ARCH'" >&2
            return 2 ;;
    esac
    # Forcing is obeyed, but a forced 32-bit run here can only fail in
    # wineboot; say why before it does.
    case ${HX_WINE_ARCH:-auto} in
        x86|both)
            hx_host_runs_x86 ||
                echo "warning: HX_WINE_ARCH=$HX_WINE_ARCH asks for 32-bit Wine, but this host does not execute 32-bit Linux programs; its 32-bit Wine runs will fail" >&2 ;;
    esac
}

# The one build that a command running the monitor itself uses: the 32-bit
# exe (the one specified) where 32-bit Wine runs, else the 64-bit one. Sets
# and exports HX_WINE_ARCH, and the tree's variables (hx_arch).
hx_pick_main_build() {
    hx_probe_wine || return
    case " $HX_WINE_RUNS " in
        *" x86 "*) HX_WINE_ARCH=x86 ;;
        *) HX_WINE_ARCH=x64 ;;
    esac
    export HX_WINE_ARCH
    hx_arch "$HX_WINE_ARCH"
}

# ---------------------------------------------------------------- trees

# hx_arch x86|x64: the Windows build of that architecture. Sets HX_WIN_TREE
# (win32 or win64), HX_WIN_BUILD_DIR and HX_WIN_TOOLCHAIN, the toolchain
# file, which also names the Wine runner through which ctest starts the
# tree's programs.
hx_arch() {
    case $1 in
        x86) HX_WIN_TREE=win32 HX_WIN_TOOLCHAIN=$HX_ROOT/cmake/mingw-i686.cmake ;;
        x64) HX_WIN_TREE=win64 HX_WIN_TOOLCHAIN=$HX_ROOT/cmake/mingw-x86_64.cmake ;;
        *) echo "HX_WINE_ARCH must be x86 or x64, not '$1'" >&2; return 2 ;;
    esac
    HX_WIN_BUILD_DIR=$HX_BUILD_ROOT/$HX_WIN_TREE
}

# ---------------------------------------------------------------- builds

# hx_logged NAME LOG COMMAND...: runs COMMAND with its output in LOG and shows
# the end of the log when it fails.
hx_logged() {
    local name=$1 log=$2
    shift 2
    if "$@" >"$log" 2>&1; then
        return 0
    fi
    echo "---- $name failed; last lines of $log:"
    tail -n 60 "$log"
    return 1
}

# hx_configure DIR CMAKE_ARGS...: configures a tree (DIR.configure.log).
hx_configure() {
    local dir=$1
    shift
    mkdir -p "$dir" || return 1
    echo "configure $dir"
    hx_logged configure "$dir.configure.log" cmake -S "$HX_ROOT" -B "$dir" "$@"
}

# hx_configure_windows ARCH: the Windows tree of ARCH (see hx_arch).
hx_configure_windows() {
    hx_arch "$1" || return
    hx_configure "$HX_WIN_BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$HX_WIN_TOOLCHAIN"
}

# hx_build DIR [TARGET...]: everything, or only the named targets
# (DIR.build.log).
hx_build() {
    local dir=$1
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    echo "build $dir (-j$HX_JOBS${1:+, $# targets})"
    hx_logged build "$dir.build.log" cmake --build "$dir" -j "$HX_JOBS" "${targets[@]}"
}

# ---------------------------------------------------------------- Wine

# hx_wine_env [NAME]: Wine settings for Windows programs of HX_WINE_ARCH (x86,
# the default, or x64; see hx_arch for HX_WIN_BUILD_DIR and the others) in a
# private prefix, never the user's own ~/.wine: HX_WINEPREFIX, else
# <build root>/wineprefix, or wineprefix-NAME for a script's own prefix;
# "-x64" is added for 64-bit programs, one architecture per prefix. With a
# NAME, HX_WINEPREFIX is exported: the scripts this one starts use the same
# prefix. Also quiet logging and no install prompts.
hx_wine_env() {
    # Wine wants a home directory even with its own prefix; CI may not set one.
    [ -n "${HOME:-}" ] || export HOME=$(getent passwd "$(id -u)" | cut -d: -f6)
    export HX_WINE_ARCH=${HX_WINE_ARCH:-x86}
    hx_arch "$HX_WINE_ARCH" || return 2
    [ $# -eq 0 ] || export HX_WINEPREFIX=${HX_WINEPREFIX:-$HX_BUILD_ROOT/wineprefix-$1}
    export WINEPREFIX=${HX_WINEPREFIX:-$HX_BUILD_ROOT/wineprefix}
    if [ "$HX_WINE_ARCH" = x64 ]; then
        export WINEARCH=win64
        case $WINEPREFIX in *-x64) ;; *) WINEPREFIX=$WINEPREFIX-x64 ;; esac
        # wine, wineboot and wineserver of the 64-bit build, for this script
        # and every script it starts.
        case ":$PATH:" in
            *":$HX_ROOT/scripts/wine64:"*) ;;
            *) export PATH=$HX_ROOT/scripts/wine64:$PATH ;;
        esac
    else
        export WINEARCH=win32
    fi
    export WINEDEBUG=${WINEDEBUG:--all}
    # The Mono and Gecko installers would otherwise ask on the first start.
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
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

hx_prefix_ready() {
    [ -f "$WINEPREFIX/.hx-prefix-ready" ]
}

# Makes sure the prefix of hx_wine_env exists; creates a fresh one when it is
# missing or was left half-made. Safe to run many times and from parallel
# tests: the first caller builds, the others wait for it. A subshell, so the
# lock goes with it.
hx_prefix_make() (
    hx_prefix_ready && exit 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    hx_prefix_ready && exit 0

    echo "wine-prefix: creating $WINEPREFIX" >&2
    rm -rf "$WINEPREFIX"
    log="$WINEPREFIX.boot.log"
    # The caller's X server, if any, is the caller's to stop.
    unset HX_XVFB_PID
    hx_display_start || exit 1

    # wineboot starts the prefix's background services, which keep whatever
    # output they inherit open for as long as the server lives: never a pipe.
    # Nor the lock: a server that outlived us would hold it.
    wineboot -i </dev/null >"$log" 2>&1 9>&-
    status=$?
    # Wine's service manager gives a service 10 s to start (a driver's own
    # winedevice.exe to connect, then the driver to load) and gives up for the
    # session: on a loaded machine a driver installed then never comes up.
    # Wine reads this value as text, in milliseconds, when its services start.
    if [ "$status" -eq 0 ]; then
        wine reg add 'HKLM\System\CurrentControlSet\Control' /f \
            /v ServicesPipeTimeout /t REG_SZ /d 60000 </dev/null >>"$log" 2>&1 9>&- ||
            status=$?
    fi
    # Wait for the services to write the registry and leave.
    wineserver -w
    hx_display_stop

    if [ "$status" -ne 0 ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-prefix: wineboot failed ($status); see $log" >&2
        exit 1
    fi
    touch "$WINEPREFIX/.hx-prefix-ready"
    echo "wine-prefix: ready" >&2
)

# Ends the prefix's Wine processes and removes it, with its lock and log.
hx_prefix_remove() {
    wineserver -k 2>/dev/null
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock" "$WINEPREFIX.boot.log"
}

# hx_wine_end [PREFIX...]: waits for the Wine server of each prefix (default
# WINEPREFIX) to leave, and ends it when it has not within a minute.
hx_wine_end() {
    local prefix
    for prefix in "${@:-${WINEPREFIX:-}}"; do
        [ -d "$prefix" ] || continue
        WINEPREFIX=${prefix%/} timeout 60 wineserver -w 2>/dev/null ||
            WINEPREFIX=${prefix%/} wineserver -k 2>/dev/null
    done
}

# ---------------------------------------------------------------- display

# A window needs an X display under Wine even when it is never shown.

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

# The display there is, or a private headless X server (its screen is
# HX_XVFB_SCREEN, default 1024x768x24). Xvfb picks a free display itself
# (-displayfd) and reports it once it accepts connections, so two runs never
# race for the same number. HX_XVFB_PID stays unexported: a child script must
# never stop its parent's server.
hx_display_start() {
    hx_display_usable && return 0
    [ -n "${HX_XVFB_PID:-}" ] && return 0
    if ! command -v Xvfb >/dev/null 2>&1; then
        echo "xvfb: Xvfb is not installed (apt-get install xvfb)" >&2
        return 1
    fi
    local report
    report=$(mktemp "${TMPDIR:-/tmp}/hx-xvfb.XXXXXX") || return 1
    # A session of its own: Ctrl+C in the terminal must not take the display
    # away from Wine programs that are still being closed.
    setsid -w Xvfb -displayfd 3 -screen 0 "${HX_XVFB_SCREEN:-1024x768x24}" -nolisten tcp \
        3>"$report" </dev/null >/dev/null 2>&1 &
    local starter=$! waited=0
    while ! grep -q '[0-9]' "$report" 2>/dev/null; do
        if ! kill -0 "$starter" 2>/dev/null || [ "$waited" -ge 100 ]; then
            echo "xvfb: the X server did not start" >&2
            kill "$starter" 2>/dev/null
            rm -f "$report"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    local number
    number=$(tr -dc '0-9' <"$report")
    rm -f "$report"
    # Where setsid had to fork (a shell with job control) it waits for its
    # child, the server; otherwise it became the server.
    HX_XVFB_PID=$starter
    if [ "$(cat "/proc/$starter/comm" 2>/dev/null)" != Xvfb ]; then
        local child
        child=$(cat "/proc/$starter/task/$starter/children" 2>/dev/null)
        HX_XVFB_PID=${child%% *}
        HX_XVFB_PID=${HX_XVFB_PID:-$starter}
    fi
    export DISPLAY=":$number"
}

# hx_display_stop [PREFIX...]: the X server that hx_display_start started, if
# it did, after the Wine servers of the prefixes (see hx_wine_end): it must
# outlive every Wine process that may use it.
hx_display_stop() {
    [ -n "${HX_XVFB_PID:-}" ] || return 0
    hx_wine_end "$@"
    kill "$HX_XVFB_PID" 2>/dev/null
    local waited=0
    while kill -0 "$HX_XVFB_PID" 2>/dev/null && [ "$waited" -lt 50 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    wait "$HX_XVFB_PID" 2>/dev/null
    unset HX_XVFB_PID
}
