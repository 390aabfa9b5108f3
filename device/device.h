/* Identifying the camera among image-class interfaces, and following it. */
#ifndef HX_DEVICE_H
#define HX_DEVICE_H

#include <windows.h>
#include <setupapi.h>
#include <dbt.h>
#include "device_monitor.h"

/* Registers the window for arrivals and removals of the class's
   interfaces; NULL when the platform refuses. The monitor and the settings
   window watch alike; inline, so that the monitor stays as small as it was. */
static __inline HDEVNOTIFY WatchInterfaceClass(HWND window, const GUID *classGuid)
{
    DEV_BROADCAST_DEVICEINTERFACE_A filter;

    ZeroMemory(&filter, sizeof(filter));
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_reserved = 0;
    filter.dbcc_classguid = *classGuid;
    return RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

#ifdef __cplusplus
extern "C" {
#endif

/* Reads a text property of a device into a buffer it always leaves
   terminated. Returns 0 when the call fails or the text fills the buffer
   without a terminator. `type` may be NULL. */
int GetDeviceTextProperty(HDEVINFO hDevInfo, PSP_DEVINFO_DATA deviceData, DWORD property,
                          DWORD *type, char *text, DWORD textSize);

/* The service of the interface's device as text, whatever type it is
   stored as (in *type). Returns 0 when it cannot be read as above. */
int ReadDeviceService(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                      char *service, DWORD serviceSize, DWORD *type);
/* The same, only for a service stored as text (REG_SZ). */
int GetDeviceService(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                     char *service, DWORD serviceSize);

/* The interface's path into a MAX_PATH buffer; 0, leaving it empty, when
   it cannot be read or does not fit. */
int GetInterfacePath(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData, char *path);

/* Which interface the monitor takes for its camera at start: from interface
   `index` of the set on, the first whose device's service, read into 128
   bytes whatever type it is stored as, names the camera's driver in any
   case. An interface whose device record cannot be had ends the walk.
   Returns the interface's index, with its record in interfaceData; -1 when
   there is none. */
LONG FindStartCamera(HDEVINFO hDevInfo, const GUID *classGuid, DWORD index,
                     PSP_DEVICE_INTERFACE_DATA interfaceData);

/* Opens the first camera among the set's interfaces into *phDevice and
   leaves its interface record in interfaceData, for its driver key. */
int OpenFirstDevice(HDEVINFO hDevInfo, const GUID *classGuid, HANDLE *phDevice,
                    PSP_DEVICE_INTERFACE_DATA interfaceData);

/* Whether the interface's service reads as text and names the camera's
   driver: the test of every arrival and removal. */
int IsCameraInterface(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData);

/* How building a device's driver key path ended. */
typedef enum DriverKeyPath {
    DRIVER_KEY_PATH_BUILT = 0,
    DRIVER_KEY_NO_DRIVER, /* no driver property could be read */
    DRIVER_KEY_NOT_TEXT,  /* it is stored as something other than text */
    DRIVER_KEY_TOO_LONG   /* the key path would not fit in MAX_PATH */
} DriverKeyPath;

/* "SYSTEM\CurrentControlSet\Control\Class\<driver>" of the interface's
   device, relative to HKEY_LOCAL_MACHINE, into a MAX_PATH buffer. */
int BuildDriverKeyPath(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                       char *keyPath);
int OpenDriverKey(DeviceMonitor *monitor, PSP_DEVICE_INTERFACE_DATA interfaceData);
void ReleaseDevice(DeviceMonitor *monitor);
void OnDeviceArrival(DeviceMonitor *monitor, const DEV_BROADCAST_HDR *broadcast);
void OnDeviceRemoval(DeviceMonitor *monitor, const DEV_BROADCAST_HDR *broadcast);

/* DBT_DEVNODES_CHANGED: makes the record agree with the interfaces present
   when a notification of the camera's was lost. With a camera held, looks
   now and takes it down if it has gone. Returns 1 when nothing is held and
   the caller should call OnDeviceNodesSettled a moment later, once an
   arrival that follows the message has had its chance to be served. */
int OnDeviceNodesChanged(DeviceMonitor *monitor);
/* Serves, as its arrival would have, a camera present but not held. */
void OnDeviceNodesSettled(DeviceMonitor *monitor);

#ifdef __cplusplus
}
#endif

#endif
