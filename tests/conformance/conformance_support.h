// Shared by the conformance tests: what differs between the platform, Wine
// and the substitute is named here, once.
#pragma once

#include <windows.h>

namespace conformance {

// Wine leaves some last-error codes that Windows does not; tests that meet
// such a difference accept Wine's code only when they run under Wine.
inline bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// Runs `routine` on a new thread and waits for it; returns its exit code.
inline DWORD RunOnThread(LPTHREAD_START_ROUTINE routine, void* parameter) {
    HANDLE thread = CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
    if (!thread) return 0xFFFFFFFF;
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

}  // namespace conformance
