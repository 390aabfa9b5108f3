// Handle calls: CloseHandle, DuplicateHandle and the current process's and
// thread's pseudo-handles and ids.

#include "core_internal.h"
#include "kernel_objects.h"

namespace {

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));
constexpr DWORD kProcessId = 0x3a8;

thread_local DWORD t_processId = 0;

}  // namespace

namespace hxsim::detail {

// The running process: never signalled while anybody can wait on it.
std::shared_ptr<Object> CurrentProcessObject() {
    static const std::shared_ptr<Object> process =
        std::make_shared<FixedStateObject>(ObjectKind::Process, false);
    return process;
}

DWORD CurrentProcessId() { return t_processId != 0 ? t_processId : kProcessId; }

void SetThreadProcess(DWORD processId) { t_processId = processId; }

std::shared_ptr<Object> TestsProcess(DWORD processId) {
    return processId == kProcessId ? CurrentProcessObject() : nullptr;
}

std::shared_ptr<Object> ResolveHandle(HANDLE handle, const char* api) {
    if (handle == kCurrentProcess) return CurrentProcessObject();
    if (handle == kCurrentThread) return CurrentThreadObject();
    return ReferenceHandle(handle, api);
}

}  // namespace hxsim::detail

using namespace hxsim::detail;

extern "C" {

BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (ShouldFail("CloseHandle")) return FALSE;
    // Closing a pseudo-handle is a harmless no-op on the platform.
    if (hObject == kCurrentProcess || hObject == kCurrentThread) return TRUE;
    return CloseHandleValue(hObject, "CloseHandle") ? TRUE : FALSE;
}

BOOL WINAPI DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle,
                            HANDLE hTargetProcessHandle, LPHANDLE lpTargetHandle, DWORD,
                            BOOL, DWORD dwOptions) {
    if (ShouldFail("DuplicateHandle")) return FALSE;
    // Only this process exists for handles; other process handles are refused.
    if (hSourceProcessHandle != kCurrentProcess || hTargetProcessHandle != kCurrentProcess) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::shared_ptr<Object> object = ResolveHandle(hSourceHandle, "DuplicateHandle");
    if (dwOptions & DUPLICATE_CLOSE_SOURCE) CloseHandle(hSourceHandle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Without a place to store it the duplicate would be unreachable; the
    // platform still reports success.
    if (lpTargetHandle) *lpTargetHandle = InsertHandle(std::move(object));
    return TRUE;
}

HANDLE WINAPI GetCurrentProcess(void) { return kCurrentProcess; }

HANDLE WINAPI GetCurrentThread(void) { return kCurrentThread; }

DWORD WINAPI GetCurrentProcessId(void) { return CurrentProcessId(); }

}  // extern "C"
