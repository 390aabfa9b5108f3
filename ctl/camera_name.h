/* The name people know the camera by, as the device manager shows it. */
#ifndef HX_CAMERA_NAME_H
#define HX_CAMERA_NAME_H

#include <windows.h>
#include <setupapi.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The interface's device's friendly name, or else its device description:
   the device's own text properties, read with the setup calls the monitor
   uses. Returns 1 with the name in `name` (MAX_PATH bytes); 0, with `name`
   empty, when the device has neither as text that fits. */
int ReadCameraName(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData, char *name);

#ifdef __cplusplus
}
#endif

#endif
