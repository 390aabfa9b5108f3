# The end-to-end scenarios' own prefix: <build root>/wineprefix-e2e, apart
# from the prefix other Windows tests use. Source before scripts/wine-env.sh.
HX_ROOT=${HX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)}
HX_BUILD_ROOT=${HX_BUILD_ROOT:-${HX_E2E_DEFAULT_BUILD_ROOT:-$HX_ROOT/build}}
export HX_ROOT HX_BUILD_ROOT
export HX_WINEPREFIX=${HX_E2E_WINEPREFIX:-$HX_BUILD_ROOT/wineprefix-e2e}
