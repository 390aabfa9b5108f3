// The last-error code: one per thread, as on the platform.

#include <windows.h>

namespace {
thread_local DWORD t_lastError = 0;
}

extern "C" {

DWORD WINAPI GetLastError(void) { return t_lastError; }

void WINAPI SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

}
