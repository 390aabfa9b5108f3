// Window classes: RegisterClassExA and UnregisterClassA.

#include "window_manager.h"

#include <algorithm>

using namespace hxsim::detail;

extern "C" {

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpwcx) {
    if (ShouldFail("RegisterClassExA")) return 0;
    if (!lpwcx || lpwcx->cbSize != sizeof(WNDCLASSEXA) || !lpwcx->lpszClassName ||
        IsAtomName(lpwcx->lpszClassName) || !lpwcx->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UserState& user = User();
    UserGuard guard(user.lock);
    for (const auto& cls : user.classes) {
        if (cls->instance == lpwcx->hInstance && SameTextIgnoringCase(cls->name, lpwcx->lpszClassName)) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = lpwcx->lpszClassName;
    cls->atom = user.nextAtom++;
    cls->proc = lpwcx->lpfnWndProc;
    cls->instance = lpwcx->hInstance;
    user.classes.push_back(cls);
    return cls->atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance) {
    if (ShouldFail("UnregisterClassA")) return FALSE;
    UserState& user = User();
    UserGuard guard(user.lock);
    std::shared_ptr<WindowClass> cls = lpClassName ? user.FindClassLocked(lpClassName, hInstance) : nullptr;
    // Only the registering instance, or NULL for the program's own, may
    // unregister a class.
    if (!cls || (hInstance && cls->instance != hInstance)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    user.classes.erase(std::find(user.classes.begin(), user.classes.end(), cls));
    return TRUE;
}

}  // extern "C"
