// Windows: creation with its creation messages, destruction, and lookups.

#include "window_manager.h"

using namespace hxsim::detail;

namespace {

// Takes a window whose creation failed out again; the platform tells the
// procedure with WM_NCDESTROY only.
void AbandonCreation(HWND hwnd) {
    CallWindowProcedure(hwnd, WM_NCDESTROY, 0, 0);
    UserGuard guard(User().lock);
    if (auto window = User().FindWindowLocked(hwnd)) RemoveWindowLocked(window);
}

std::shared_ptr<Window> FindWindowOrFail(HWND hwnd) {
    UserGuard guard(User().lock);
    std::shared_ptr<Window> window = User().FindWindowLocked(hwnd);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

}  // namespace

extern "C" {

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
    if (ShouldFail("CreateWindowExA")) return nullptr;
    std::shared_ptr<MessageQueue> queue = CurrentQueue();
    HWND hwnd;
    {
        UserState& user = User();
        UserGuard guard(user.lock);
        std::shared_ptr<WindowClass> cls = lpClassName ? user.FindClassLocked(lpClassName, hInstance) : nullptr;
        if (!cls) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (hWndParent && hWndParent != HWND_MESSAGE && !user.FindWindowLocked(hWndParent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        auto window = std::make_shared<Window>();
        hwnd = reinterpret_cast<HWND>(user.nextWindow);
        user.nextWindow += 4;
        window->hwnd = hwnd;
        window->cls = cls;
        window->title = lpWindowName ? lpWindowName : "";
        window->style = dwStyle;
        window->parent = hWndParent;
        window->threadId = queue->threadId;
        window->processId = CurrentProcessId();
        window->queue = queue;
        ++cls->windows;
        user.windows.emplace(reinterpret_cast<uintptr_t>(hwnd), window);
    }

    CREATESTRUCTA cs;
    cs.lpCreateParams = lpParam;
    cs.hInstance = hInstance;
    cs.hMenu = hMenu;
    cs.hwndParent = hWndParent;
    cs.cy = nHeight;
    cs.cx = nWidth;
    cs.y = Y;
    cs.x = X;
    cs.style = static_cast<LONG>(dwStyle);
    cs.lpszName = lpWindowName;
    cs.lpszClass = lpClassName;
    cs.dwExStyle = dwExStyle;
    LPARAM create = reinterpret_cast<LPARAM>(&cs);
    if (!CallWindowProcedure(hwnd, WM_NCCREATE, 0, create)) {
        AbandonCreation(hwnd);
        return nullptr;
    }
    if (CallWindowProcedure(hwnd, WM_CREATE, 0, create) == -1) {
        AbandonCreation(hwnd);
        return nullptr;
    }
    // The procedure may have destroyed the window while it was created.
    UserGuard guard(User().lock);
    std::shared_ptr<Window> window = User().FindWindowLocked(hwnd);
    if (!window) return nullptr;
    window->created = true;
    User().windowCreated.notify_all();
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    if (ShouldFail("DestroyWindow")) return FALSE;
    std::shared_ptr<Window> window = FindWindowOrFail(hWnd);
    if (!window) return FALSE;
    {
        UserGuard guard(User().lock);
        if (window->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        // A second DestroyWindow from inside WM_DESTROY finds it going.
        if (window->destroying) return TRUE;
        window->destroying = true;
    }
    CallWindowProcedure(hWnd, WM_DESTROY, 0, 0);
    CallWindowProcedure(hWnd, WM_NCDESTROY, 0, 0);
    UserGuard guard(User().lock);
    if (User().FindWindowLocked(hWnd) == window) RemoveWindowLocked(window);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
    if (ShouldFail("IsWindow")) return FALSE;
    UserGuard guard(User().lock);
    return User().FindWindowLocked(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    if (ShouldFail("IsWindowVisible")) return FALSE;
    UserGuard guard(User().lock);
    std::shared_ptr<Window> window = User().FindWindowLocked(hWnd);
    return window && (window->style & WS_VISIBLE) ? TRUE : FALSE;
}

HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    if (ShouldFail("FindWindowA")) return nullptr;
    UserState& user = User();
    UserGuard guard(user.lock);
    // The newest window is on top of the z-order, and is found first.
    for (auto it = user.windows.rbegin(); it != user.windows.rend(); ++it) {
        const Window& window = *it->second;
        if (!window.IsTopLevel()) continue;
        if (lpClassName) {
            bool match = IsAtomName(lpClassName)
                             ? window.cls->atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(lpClassName))
                             : SameTextIgnoringCase(window.cls->name, lpClassName);
            if (!match) continue;
        }
        if (lpWindowName && !SameTextIgnoringCase(window.title, lpWindowName)) continue;
        return window.hwnd;
    }
    // Windows reports "not found" as ERROR_FILE_NOT_FOUND whether or not the
    // class exists (Wine says ERROR_CANNOT_FIND_WND_CLASS).
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    if (ShouldFail("GetWindowThreadProcessId")) return 0;
    std::shared_ptr<Window> window = FindWindowOrFail(hWnd);
    if (!window) return 0;
    if (lpdwProcessId) *lpdwProcessId = window->processId;
    return window->threadId;
}

}  // extern "C"
