#include "close.h"
#include "exit_codes.h"
#include "running_monitor.h"

#define CLOSE_POLL_MS 20

int CloseRunningMonitor(Report *report, DWORD timeoutMs)
{
    DWORD pid;
    HWND window = FindRunningMonitor(&pid);
    const DWORD start = GetTickCount();
    HANDLE process;
    int ended;

    if (window == NULL) {
        Say(report, "monitor: not running");
        return CLOSE_NONE_RUNNING;
    }
    /* Opened before asking, so that the id cannot pass to another process.
       The monitor destroys its window on WM_CLOSE and then ends; without
       the right to wait on its process, the window's end stands for it. */
    process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!PostMessageA(window, WM_CLOSE, 0, 0)) {
        /* Windows refuses a message to a window of higher integrity: a
           monitor started elevated or as the system account. */
        if (GetLastError() == ERROR_ACCESS_DENIED && IsWindow(window)) {
            if (process != NULL)
                CloseHandle(process);
            Say(report, "monitor: not closed (pid %u): it runs with higher rights than this"
                        " prompt, and Windows refused the close message; run hxmonctl close"
                        " from an elevated prompt, or log off", pid);
            return CLOSE_REFUSED;
        }
        ended = !IsWindow(window);
    } else if (process != NULL) {
        ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    } else {
        while (IsWindow(window) && GetTickCount() - start < timeoutMs)
            Sleep(CLOSE_POLL_MS);
        ended = !IsWindow(window);
    }
    if (process != NULL)
        CloseHandle(process);
    if (ended) {
        Say(report, "monitor: closed (pid %u)", pid);
        return CLOSE_DONE;
    }
    Say(report, "monitor: still running (pid %u) after %u ms", pid, timeoutMs);
    return CLOSE_STILL_RUNNING;
}

int RunClose(int argc, char **argv, Report *report)
{
    (void)argc;
    (void)argv;
    return CloseRunningMonitor(report, CLOSE_TIMEOUT_MS);
}
