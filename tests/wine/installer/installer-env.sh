# The installer tests' own prefix, <build root>/wineprefix-installer ("-x64"
# added for 64-bit runs), apart from the other tests' prefixes: installing
# changes Program Files, HKLM and what runs at logon. Source before
# scripts/wine-env.sh.
HX_ROOT=${HX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)}
HX_BUILD_ROOT=${HX_BUILD_ROOT:-${HX_INSTALLER_DEFAULT_BUILD_ROOT:-$HX_ROOT/build}}
export HX_ROOT HX_BUILD_ROOT
export HX_WINEPREFIX=${HX_INSTALLER_WINEPREFIX:-$HX_BUILD_ROOT/wineprefix-installer}
