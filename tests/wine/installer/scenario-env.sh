# Sourced by run-scenario.sh before each installer scenario (SCENARIO); the
# packages are named in the environment (HXE2E_PACKAGE_*, HXE2E_UPGRADE_*,
# HXE2E_OTHER_ARCH_*, HXE2E_FORCED_*: SETUP, EXE, VERSION, CTL).
#
# The installers are 32-bit programs (so that the x64 one can refuse 32-bit
# Windows with a message of its own). A 64-bit prefix runs them only where
# Wine has its 32-bit side. Where it has not, the scenarios take the x64
# packages built on the 64-bit stub when the tree made them, and otherwise
# say that they cannot run here.
if [ -f "$WINEPREFIX/.hx-no-32-bit" ]; then
    if [ ! -f "${HXE2E_NATIVE_STUB_PACKAGE_SETUP:-}" ]; then
        echo "not run: installer tests ($HX_WINE_ARCH): they are 32-bit programs," \
            "and this 64-bit Wine runs none (no 32-bit Wine)"
        exit 77
    fi
    if [ "$SCENARIO" = installer_x86_package_on_64_bit_windows ]; then
        echo "not run: the x86 package, and the x64 packages as shipped (32-bit stub):" \
            "this 64-bit Wine runs no 32-bit programs; the other installer scenarios" \
            "ran the x64 packages built on the 64-bit stub"
        exit 77
    fi
    echo "# this Wine runs no 32-bit programs: the x64 packages built on the 64-bit stub"
    export HXE2E_PACKAGE_SETUP=$HXE2E_NATIVE_STUB_PACKAGE_SETUP
    export HXE2E_UPGRADE_SETUP=$HXE2E_NATIVE_STUB_UPGRADE_SETUP
    export HXE2E_FORCED_SETUP=$HXE2E_NATIVE_STUB_FORCED_SETUP
fi
