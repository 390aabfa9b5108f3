/* Finding the monitor of this desktop from another program: the window of
   its class, which the monitor's own single-copy test looks for. */
#ifndef HX_RUNNING_MONITOR_H
#define HX_RUNNING_MONITOR_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The running monitor's window, with its process id in *pid; NULL, with
   *pid 0, when none runs. */
HWND FindRunningMonitor(DWORD *pid);

#ifdef __cplusplus
}
#endif

#endif
