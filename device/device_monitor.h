/* The one record of the watched camera and everything held open for it. */
#ifndef HX_DEVICE_MONITOR_H
#define HX_DEVICE_MONITOR_H

#include <windows.h>
#include <setupapi.h>

/* "Nothing held" in every handle field; the same value as INVALID_HANDLE_VALUE,
   which is also what CreateFileA and SetupDiGetClassDevsA return on failure. */
#define NO_HANDLE ((HANDLE)(LONG_PTR)-1)
#define NO_KEY ((HKEY)(LONG_PTR)-1)

typedef struct DeviceMonitor {
    HDEVINFO hDevInfo;      /* present image-class interfaces; released at close only */
    HDEVNOTIFY hDevNotify;  /* the window's interface notifications; released at close only */
    GUID classGuid;         /* the image interface class */
    HANDLE hThread;         /* the event worker */
    HANDLE hDevice;         /* the camera driver's control object */
    HKEY hDriverKey;        /* driver key holding the event registration */
    HANDLE hStopEvent;      /* manual-reset: tells the worker to stop */
    /* The interface path of the camera hDevice holds, so that a later look
       at the present interfaces can tell whether it is still there; empty
       when no camera is held. Only the main thread uses it. */
    char devicePath[MAX_PATH];
} DeviceMonitor;

#ifdef __cplusplus
extern "C" {
#endif

extern DeviceMonitor g_Monitor;

int InitDeviceMonitor(DeviceMonitor *monitor);

/* Guards the handle fields the worker reads against the main thread's
   releases. Held only across short calls, never across a launch. */
void LockMonitor(void);
void UnlockMonitor(void);

#ifdef __cplusplus
}
#endif

#endif
