#!/usr/bin/env bash
# The package step of the README's commands against a stand-in apt: a mirror
# caught mid-sync, an install refused for version skew, a package no list
# offers, and a host-only run that must not ask for Wine.
#
#   packages_test.sh REPO_ROOT
set -u
root=${1:?usage: packages_test.sh REPO_ROOT}
work=$(mktemp -d "${TMPDIR:-/tmp}/hx-packages-test.XXXXXX") || exit 1
# HX_KEEP=1 keeps the stand-in state and outputs for a look after a failure.
trap '[ "${HX_KEEP:-}" ] || rm -rf "$work"' EXIT

failures=0
passes=0
check() {
    local what=$1
    shift
    if "$@"; then
        passes=$((passes + 1))
    else
        echo "FAIL: $what" >&2
        failures=$((failures + 1))
    fi
}

# The stand-in tools keep their state in files under $state: "installed"
# lists installed packages, "unlisted" those no package list offers, "calls"
# records every apt-get call. "update-fails" and "skew" switch the faults on.
make_tools() {
    local bin=$work/bin
    mkdir -p "$bin"
    cat >"$bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$HX_TEST_STATE/calls"
case $1 in
    update)
        if [ -f "$HX_TEST_STATE/update-fails" ]; then
            echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
            exit 100
        fi
        exit 0 ;;
    install)
        shift
        suite=
        packages=()
        while [ $# -gt 0 ]; do
            case $1 in
                -t) suite=$2; shift ;;
                -*) ;;
                *) packages+=("$1") ;;
            esac
            shift
        done
        if [ -f "$HX_TEST_STATE/skew" ] && [ -z "$suite" ]; then
            echo "E: Unable to correct problems, you have held broken packages." >&2
            exit 100
        fi
        for p in "${packages[@]}"; do
            if grep -qx "$p" "$HX_TEST_STATE/unlisted" 2>/dev/null; then
                echo "E: Unable to locate package $p" >&2
                exit 100
            fi
        done
        printf '%s\n' "${packages[@]}" >>"$HX_TEST_STATE/installed"
        exit 0 ;;
esac
exit 0
EOF
    cat >"$bin/apt-cache" <<'EOF'
#!/usr/bin/env bash
# policy PACKAGE
if grep -qx "$2" "$HX_TEST_STATE/unlisted" 2>/dev/null; then
    echo "  Candidate: (none)"
else
    echo "$2:"
    echo "  Installed: (none)"
    echo "  Candidate: 1.0-1"
fi
EOF
    cat >"$bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
# -W -f=... PACKAGE
p=${!#}
if grep -qx "$p" "$HX_TEST_STATE/installed" 2>/dev/null; then
    echo "install ok installed"
else
    exit 1
fi
EOF
    cat >"$bin/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$HX_TEST_STATE/calls"
case $1 in --print-foreign-architectures) cat "$HX_TEST_STATE/foreign" 2>/dev/null ;; esac
exit 0
EOF
    chmod +x "$bin"/*
}

# run_install NAME GROUP...: install_packages in a fresh state; its output
# goes to $state/out, its status to $status.
run_install() {
    state=$work/$1
    shift
    mkdir -p "$state"
    : >"$state/calls"
    for flag in ${FAULTS:-}; do : >"$state/$flag"; done
    printf '%s\n' ${UNLISTED:-} >"$state/unlisted"
    printf '%s\n' ${INSTALLED:-} >"$state/installed"
    (
        export HX_TEST_STATE=$state HX_UID=0 HX_RELEASE_SUITE=bookworm HX_APT_RETRY_SECONDS=0
        export HX_APT_GET=$work/bin/apt-get HX_APT_CACHE=$work/bin/apt-cache
        export HX_DPKG=$work/bin/dpkg HX_DPKG_QUERY=$work/bin/dpkg-query
        say() { echo "==> $*"; }
        . "$root/scripts/packages.sh"
        install_packages "$@"
    ) >"$state/out" 2>&1
    status=$?
}

calls() { grep -c "^apt-get $1" "$state/calls"; }
said() { grep -q -- "$1" "$state/out"; }
installed() { grep -qx "$1" "$state/installed"; }

make_tools

# A mirror mid-sync fails the update every time, and the i386 lists that did
# load are at other versions: the run still installs, through the release's
# own suite, and says what it did.
FAULTS="update-fails skew" run_install skewed_mirror windows wine-x86
check "install succeeds despite the failed update" [ "$status" -eq 0 ]
check "update is tried three times" [ "$(calls update)" -eq 3 ]
check "install is tried again with -t bookworm" grep -q -- "install .*-t bookworm .*wine32:i386" "$state/calls"
check "i386 is added for wine32" grep -q -- "--add-architecture i386" "$state/calls"
check "the failed lists are reported" said "every wanted package is listed"
check "wine32 ends up installed" installed wine32:i386

# The same failed update, but a package no loaded list offers: stop, and say
# what is missing and how to get it.
FAULTS="update-fails" UNLISTED="nsis" run_install nothing_offers_nsis windows
check "install fails when a package has no candidate" [ "$status" -ne 0 ]
check "no install is attempted" [ "$(calls install)" -eq 0 ]
check "the missing package is named with a command" said "offer no nsis; as root run: apt-get update && apt-get install"

# A package that cannot be installed even from the release's suite.
UNLISTED="wine64" run_install unavailable wine-x64
check "install fails for an unavailable package" [ "$status" -ne 0 ]
check "the failure names what is still missing" said "could not install .*wine64.*as root run"

# The host trees need no Wine and no Windows compilers.
run_install host_only host
check "host install succeeds" [ "$status" -eq 0 ]
check "host install asks for no Wine or mingw" \
    bash -c '! grep -E "install .*(wine|mingw|xvfb|:i386)" "$1"' _ "$state/calls"
check "host install adds no i386 architecture" bash -c '! grep -q add-architecture "$1"' _ "$state/calls"

# All present: apt is not touched at all.
INSTALLED="wine wine64 xvfb xauth" run_install all_present wine-x64
check "nothing to do succeeds" [ "$status" -eq 0 ]
check "nothing to do calls no apt-get" [ ! -s "$state/calls" ]

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
