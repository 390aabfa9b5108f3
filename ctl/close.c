#include "close.h"
#include "exit_codes.h"
#include "running_monitor.h"

#define CLOSE_POLL_MS 20

/* Whether the monitor's process ends within timeoutMs of the request. */
static int WaitForEnd(HWND window, HANDLE process, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();

    if (process != NULL)
        return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    while (IsWindow(window) && GetTickCount() - start < timeoutMs)
        Sleep(CLOSE_POLL_MS);
    return !IsWindow(window);
}

int CloseRunningMonitor(Report *report, DWORD timeoutMs)
{
    DWORD pid;
    HWND window = FindRunningMonitor(&pid);
    HANDLE process;
    int result;

    if (window == NULL) {
        Say(report, "monitor: not running");
        return CLOSE_NONE_RUNNING;
    }
    /* Opened before asking, so that the id cannot pass to another process.
       The monitor destroys its window on WM_CLOSE and then ends; without
       the right to wait on its process, the window's end stands for it. */
    process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (PostMessageA(window, WM_CLOSE, 0, 0))
        result = WaitForEnd(window, process, timeoutMs) ? CLOSE_DONE : CLOSE_STILL_RUNNING;
    /* Windows refuses a message to a window of higher integrity: a monitor
       started elevated or as the system account. */
    else if (GetLastError() == ERROR_ACCESS_DENIED && IsWindow(window))
        result = CLOSE_REFUSED;
    else
        result = IsWindow(window) ? CLOSE_STILL_RUNNING : CLOSE_DONE;
    if (process != NULL)
        CloseHandle(process);

    if (result == CLOSE_DONE)
        Say(report, "monitor: closed (pid %u)", pid);
    else if (result == CLOSE_REFUSED)
        Say(report, "monitor: not closed (pid %u): it runs with higher rights than this"
                    " prompt, and Windows refused the close message; run hxmonctl close"
                    " from an elevated prompt, or log off", pid);
    else
        Say(report, "monitor: still running (pid %u) after %u ms", pid, timeoutMs);
    return result;
}

int RunClose(int argc, char **argv, Report *report)
{
    (void)argc;
    (void)argv;
    return CloseRunningMonitor(report, CLOSE_TIMEOUT_MS);
}
