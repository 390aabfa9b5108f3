/* The monitor's main routine and its hidden window. */
#ifndef HX_MONITOR_H
#define HX_MONITOR_H

#include <windows.h>

#define MONITOR_CLASS_NAME "hxMonitor"
#define MONITOR_WINDOW_TITLE "Halvex Monitor Application"
#define MONITOR_ALREADY_RUNNING "hxMon: Already Running!"
/* The window's one timer: the look that follows a change of the device
   tree while no camera is held. */
#define MONITOR_SETTLE_TIMER 1

#ifdef __cplusplus
extern "C" {
#endif

extern HINSTANCE g_hInstance;

int MonitorMain(HINSTANCE hInstance);
LRESULT CALLBACK MonitorWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#ifdef __cplusplus
}
#endif

#endif
