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

# After scripts/wine-env.sh: marks a 64-bit prefix without Wine's 32-bit side
# where the 64-bit tree built its x64 packages on the 64-bit stub too; the
# scenarios take those there.
hx_installers_native_stub() {
    echo "$WINEPREFIX/.hx-installers-native-stub"
}

# After scripts/wine-env.sh: on such a prefix, names the 64-bit-stub
# packages in place of the shipped ones. The package of the other
# architecture (x86) cannot run there at all: its scenario is skipped,
# saying so in the line the test summary collects.
hx_take_native_stub_packages() {
    local scenario=$1
    [ -f "$(hx_installers_native_stub)" ] || return 0
    if [ "$scenario" = installer_x86_package_on_64_bit_windows ]; then
        echo "not run: the x86 package, and the x64 packages as shipped (32-bit stub):" \
            "this 64-bit Wine runs no 32-bit programs; the other installer scenarios" \
            "ran the x64 packages built on the 64-bit stub"
        exit 77
    fi
    echo "# this Wine runs no 32-bit programs: the x64 packages built on the 64-bit stub"
    export HXE2E_PACKAGE_SETUP=$HXE2E_NATIVE_STUB_PACKAGE_SETUP
    export HXE2E_UPGRADE_SETUP=$HXE2E_NATIVE_STUB_UPGRADE_SETUP
    export HXE2E_FORCED_SETUP=$HXE2E_NATIVE_STUB_FORCED_SETUP
}
