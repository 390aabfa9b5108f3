// 8-bit string routines. Like the platform's, they survive NULL arguments:
// the platform catches the access fault and reports ERROR_INVALID_PARAMETER.

#include "collation.h"
#include "sim_internal.h"

#include <windows.h>

#include <cstring>

using hxsim::detail::CompareWords;
using hxsim::detail::ShouldFail;

extern "C" {

LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    if (ShouldFail("lstrcpyA")) return nullptr;
    if (!lpString1 || !lpString2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::memmove(lpString1, lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}

LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
    if (ShouldFail("lstrcpynA")) return nullptr;
    if (!lpString1 || !lpString2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Copies at most iMaxLength - 1 characters and always terminates,
    // unless there is no room at all.
    int i = 0;
    for (; i + 1 < iMaxLength && lpString2[i]; ++i) lpString1[i] = lpString2[i];
    if (iMaxLength != 0) lpString1[i] = '\0';
    return lpString1;
}

LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
    if (ShouldFail("lstrcatA")) return nullptr;
    if (!lpString1 || !lpString2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::strcat(lpString1, lpString2);
    return lpString1;
}

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return lpString1 ? 1 : (lpString2 ? -1 : 0);
    return CompareWords(lpString1, lpString2, false);
}

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return lpString1 ? 1 : (lpString2 ? -1 : 0);
    return CompareWords(lpString1, lpString2, true);
}

int WINAPI lstrlenA(LPCSTR lpString) {
    if (!lpString) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return static_cast<int>(std::strlen(lpString));
}

// The code page is single-byte: every character is one byte.
LPSTR WINAPI CharNextA(LPCSTR lpsz) {
    if (!lpsz) return nullptr;
    return const_cast<LPSTR>(*lpsz ? lpsz + 1 : lpsz);
}

}  // extern "C"
