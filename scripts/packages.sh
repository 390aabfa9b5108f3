# Sourced by the README's commands: installs the Debian packages the builds
# and Wine runs need, when any is missing (as root on a fresh machine).
# Callers define say().

PACKAGES=(
    cmake make g++ clang libclang-rt-14-dev
    googletest libgtest-dev libbenchmark-dev
    mingw-w64 g++-mingw-w64-i686
    wine wine32:i386 xvfb xauth
)

missing_packages() {
    local p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q ' installed$' || echo "$p"
    done
}

install_packages() {
    local missing
    missing=$(missing_packages)
    [ -z "$missing" ] && return 0
    say "installing: $(echo $missing)"
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages and not root; as root run: apt-get install $(echo $missing)" >&2
        return 1
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386 || return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q || return 1
    # shellcheck disable=SC2086 # one package per word
    apt-get install -y -q --no-install-recommends $missing || return 1
}
