# The installer tests' own prefix, <build root>/wineprefix-installer ("-x64"
# added for 64-bit runs), apart from the other tests' prefixes: installing
# changes Program Files, HKLM and what runs at logon. Source before
# scripts/wine-env.sh.
HX_ROOT=${HX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)}
HX_BUILD_ROOT=${HX_BUILD_ROOT:-${HX_INSTALLER_DEFAULT_BUILD_ROOT:-$HX_ROOT/build}}
export HX_ROOT HX_BUILD_ROOT
export HX_WINEPREFIX=${HX_INSTALLER_WINEPREFIX:-$HX_BUILD_ROOT/wineprefix-installer}

# After scripts/wine-env.sh: where prepare-prefix.sh says why this prefix
# cannot run the installers, when it cannot.
hx_installers_cannot_run() {
    echo "$WINEPREFIX/.hx-installers-cannot-run"
}

# After scripts/wine-env.sh: when the installers cannot run here, says so in
# the line the test summary collects and ends with ctest's skip code.
hx_skip_unless_installers_run() {
    local reason
    reason=$(hx_installers_cannot_run)
    [ -f "$reason" ] || return 0
    echo "not run: installer tests ($HX_WINE_ARCH): $(cat "$reason")"
    exit 77
}
