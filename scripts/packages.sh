# Sourced by the README's commands: installs the Debian packages that the
# chosen builds and Wine runs need, when any is missing (as root on a fresh
# machine). Callers define say().
#
#   install_packages GROUP...     groups: host windows wine-x86 wine-x64
#
# A mirror caught mid-sync can fail one package list (say the i386 list of
# the security suite) while the rest load, and leave the lists of one
# architecture at other versions than the installed libraries. Neither
# should stop a run that can still install what it needs: the update is
# retried and then judged by whether every wanted package has a candidate,
# and an install refused for version skew is tried again preferring the
# release's main suite. The commands it runs can be replaced for tests:
# HX_APT_GET, HX_APT_CACHE, HX_DPKG, HX_DPKG_QUERY, HX_UID, HX_RELEASE_SUITE.

packages_of_group() {
    case $1 in
        host) echo cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev ;;
        windows) echo cmake make mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest nsis ;;
        wine-x86) echo wine wine32:i386 xvfb xauth ;;
        wine-x64) echo wine wine64 xvfb xauth ;;
        *) echo "packages: unknown group '$1'" >&2; return 1 ;;
    esac
}

missing_packages() {
    local p
    for p in "$@"; do
        "${HX_DPKG_QUERY:-dpkg-query}" -W -f='${Status}\n' "$p" 2>/dev/null |
            grep -q ' installed$' || echo "$p"
    done
}

# The packages among the arguments that the loaded lists offer no version of.
packages_without_candidate() {
    local p candidate
    for p in "$@"; do
        candidate=$("${HX_APT_CACHE:-apt-cache}" policy "$p" 2>/dev/null |
            sed -n 's/^ *Candidate: *//p')
        case $candidate in ''|'(none)') echo "$p" ;; esac
    done
}

# The release's own suite, e.g. bookworm.
release_suite() {
    if [ -n "${HX_RELEASE_SUITE:-}" ]; then
        echo "$HX_RELEASE_SUITE"
    else
        (. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
    fi
}

install_packages() {
    local group wanted=() missing p
    for group in "$@"; do
        p=$(packages_of_group "$group") || return 1
        wanted+=($p)
    done
    # One word per package, each once.
    missing=$(missing_packages $(printf '%s\n' "${wanted[@]}" | awk '!seen[$0]++'))
    [ -z "$missing" ] && return 0
    missing=$(echo $missing)
    say "installing: $missing"
    local how="apt-get update && apt-get install --no-install-recommends $missing"
    case " $missing " in *:i386\ *) how="dpkg --add-architecture i386 && $how" ;; esac
    if [ "${HX_UID:-$(id -u)}" -ne 0 ]; then
        echo "packages: missing $missing and not root; as root run: $how" >&2
        return 1
    fi
    case " $missing " in
        *:i386\ *)
            "${HX_DPKG:-dpkg}" --print-foreign-architectures | grep -qx i386 ||
                "${HX_DPKG:-dpkg}" --add-architecture i386 || return 1 ;;
    esac
    export DEBIAN_FRONTEND=noninteractive
    local attempt updated=0
    for attempt in 1 2 3; do
        if "${HX_APT_GET:-apt-get}" update -q; then
            updated=1
            break
        fi
        echo "packages: apt-get update failed (attempt $attempt of 3)" >&2
        [ "$attempt" -lt 3 ] && sleep "${HX_APT_RETRY_SECONDS:-5}"
    done
    if [ "$updated" -eq 0 ]; then
        local unlisted
        unlisted=$(packages_without_candidate $missing)
        if [ -n "$unlisted" ]; then
            echo "packages: the package lists offer no $(echo $unlisted); as root run: $how" >&2
            return 1
        fi
        echo "packages: some package lists did not load, but every wanted package is listed; going on" >&2
    fi
    # shellcheck disable=SC2086 # one package per word
    "${HX_APT_GET:-apt-get}" install -y -q --no-install-recommends $missing && return 0
    local suite
    suite=$(release_suite)
    if [ -n "$suite" ]; then
        echo "packages: install refused; trying again preferring the $suite suite" >&2
        # shellcheck disable=SC2086
        "${HX_APT_GET:-apt-get}" install -y -q --no-install-recommends -t "$suite" $missing && return 0
    fi
    missing=$(echo $(missing_packages $missing))
    echo "packages: could not install $missing; as root run: $how${suite:+ (add -t $suite if apt reports held or broken packages)}" >&2
    return 1
}
