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
/* Opens the first camera among the set's interfaces into *phDevice and
   leaves its interface record in interfaceData, for its driver key. */
int OpenFirstDevice(HDEVINFO hDevInfo, const GUID *classGuid, HANDLE *phDevice,
                    PSP_DEVICE_INTERFACE_DATA interfaceData);

int OpenDriverKey(DeviceMonitor *monitor, PSP_DEVICE_INTERFACE_DATA interfaceData);
void ReleaseDevice(DeviceMonitor *monitor);
void OnDeviceArrival(DeviceMonitor *monitor, const DEV_BROADCAST_HDR *broadcast);
void OnDeviceRemoval(DeviceMonitor *monitor, const DEV_BROADCAST_HDR *broadcast);

#ifdef __cplusplus
}
#endif

#endif
