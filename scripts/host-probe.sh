# Sourced by the README's commands: which Wine runs this host allows.
#
# Some machines of this kind execute 32-bit Linux programs and some do not
# ("Exec format error"); 32-bit Wine needs them, 64-bit Wine does not. The
# answer is decided once per command, and HX_WINE_ARCH can force it:
#   auto (default)  32-bit Wine where the host runs 32-bit programs, else
#                   64-bit Wine; both together take the whole test command
#                   past its 12 minutes on 2 cores (15.5 measured)
#   both            32-bit and 64-bit Wine
#   x86             32-bit Wine only
#   x64             64-bit Wine only, as on a host without 32-bit programs
# hx_probe_wine sets HX_WINE_RUNS (e.g. "x86 x64") and HX_WINE_NOT_RUN, a
# sentence on what cannot run here and why (empty when nothing is left out).

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

hx_probe_wine() {
    HX_WINE_RUNS=
    HX_WINE_NOT_RUN=
    case ${HX_WINE_ARCH:-auto} in
        auto)
            if hx_host_runs_x86; then
                HX_WINE_RUNS=x86
                HX_WINE_NOT_RUN="64-bit Wine: left out where 32-bit Wine runs, to keep the run within 12 minutes (HX_WINE_ARCH=both runs it too)"
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
# HX_WINE_ARCH, HX_MAIN_TREE (win32 or win64) and HX_MAIN_TOOLCHAIN.
hx_pick_main_build() {
    hx_probe_wine || return
    case " $HX_WINE_RUNS " in
        *" x86 "*) HX_WINE_ARCH=x86 HX_MAIN_TREE=win32 HX_MAIN_TOOLCHAIN=mingw-i686 ;;
        *) HX_WINE_ARCH=x64 HX_MAIN_TREE=win64 HX_MAIN_TOOLCHAIN=mingw-x86_64 ;;
    esac
    export HX_WINE_ARCH
}
