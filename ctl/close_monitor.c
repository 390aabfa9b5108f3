#include "hxmonctl.h"
#include "monitor.h"

#define CLOSE_POLL_MS 20

/* Time left of the wait that began at start; 0 once it is over. */
static DWORD TimeLeft(DWORD start, DWORD timeoutMs)
{
    DWORD spent = GetTickCount() - start;

    return spent < timeoutMs ? timeoutMs - spent : 0;
}

/* The window goes first: the monitor destroys it on WM_CLOSE and then
   leaves its message loop and ends. */
static int WaitForWindowToGo(HWND window, DWORD start, DWORD timeoutMs)
{
    while (IsWindow(window)) {
        if (TimeLeft(start, timeoutMs) == 0)
            return 0;
        Sleep(CLOSE_POLL_MS);
    }
    return 1;
}

int CloseRunningMonitor(Report *report, DWORD timeoutMs)
{
    HWND window = FindWindowA(MONITOR_CLASS_NAME, NULL);
    HANDLE process;
    DWORD start;
    DWORD pid = 0;
    int ended;

    if (window == NULL) {
        Say(report, "monitor: not running");
        return 1;
    }
    GetWindowThreadProcessId(window, &pid);
    /* Opened before asking, so that the id cannot pass to another process.
       Without the right to wait on it, the window's end stands for it. */
    process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    start = GetTickCount();
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
    } else {
        ended = WaitForWindowToGo(window, start, timeoutMs) &&
                (process == NULL ||
                 WaitForSingleObject(process, TimeLeft(start, timeoutMs)) == WAIT_OBJECT_0);
    }
    if (process != NULL)
        CloseHandle(process);
    if (ended) {
        Say(report, "monitor: closed (pid %u)", pid);
        return 0;
    }
    Say(report, "monitor: still running (pid %u) after %u ms", pid, timeoutMs);
    return 2;
}
