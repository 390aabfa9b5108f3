/* Identifying the camera among image-class interfaces, and following it. */
#ifndef HX_DEVICE_H
#define HX_DEVICE_H

#include <windows.h>
#include <setupapi.h>
#include <dbt.h>
#include "device_monitor.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Reads a text property of a device into a buffer it always leaves
   terminated. Returns 0 when the call fails or the text fills the buffer
   without a terminator. `type` may be NULL. */
int GetDeviceTextProperty(HDEVINFO hDevInfo, PSP_DEVINFO_DATA deviceData, DWORD property,
                          DWORD *type, char *text, DWORD textSize);

int GetDeviceService(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                     char *service, DWORD serviceSize);
/* The interface's path into a MAX_PATH buffer; 0, leaving it empty, when
   it cannot be read or does not fit. */
int GetInterfacePath(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData, char *path);

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
