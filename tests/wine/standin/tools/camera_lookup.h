/* Finding the stand-in camera the way an application would: through the
   image interface class and the device's service name. */
#ifndef HXCAMSIM_CAMERA_LOOKUP_H
#define HXCAMSIM_CAMERA_LOOKUP_H

#include <windows.h>

/* Copies the interface path of the first present image-class interface
   served by the camera's service. Returns 1 when found. */
int FindCameraInterface(char *path, DWORD pathSize);

/* Copies the camera device's driver key, relative to HKEY_LOCAL_MACHINE
   ("SYSTEM\CurrentControlSet\Control\Class\{...}\0000"). Returns 1 when
   the device is installed, present or not. */
int FindCameraDriverKey(char *keyPath, DWORD keyPathSize);

/* Waits up to timeoutMs for the driver's control device to open, and with
   pluggedIn also for the camera's interface to be present. A driver service
   found stopped meanwhile is started again (see camera_lookup.c). Returns 1
   when the camera is there. */
int WaitForCamera(int pluggedIn, DWORD timeoutMs);

#endif
