#include "running_monitor.h"
#include "monitor.h"

HWND FindRunningMonitor(DWORD *pid)
{
    HWND window = FindWindowA(MONITOR_CLASS_NAME, NULL);

    *pid = 0;
    if (window != NULL)
        GetWindowThreadProcessId(window, pid);
    return window;
}
