/* What the monitor needs from the camera's kernel driver. */
#ifndef HX_CAMERA_DRIVER_H
#define HX_CAMERA_DRIVER_H

#include <windows.h>

#define CAMERA_SERVICE_NAME "RUdiDOVUDIRUR"
#define CAMERA_OBJECT_SUFFIX "\\GLOBAL"

/* Device type 0x8160, function 0x817, METHOD_BUFFERED, FILE_ANY_ACCESS. */
#define IOCTL_CAMERA_SET_EVENTS 0x8160205CUL

/* The request's 8-byte input: two 32-bit handle values, on every build.
   Arming passes (snap, picture); disarming passes (0, picture). */
typedef struct CAMERA_EVENTS {
    DWORD hSnapEvent;
    DWORD hPictureEvent;
} CAMERA_EVENTS;

#ifdef __cplusplus
extern "C" {
#endif

/* Builds "<interfacePath>\GLOBAL" into a MAX_PATH buffer. Returns 0 when it
   would not fit, leaving the buffer an empty text. */
int BuildControlPath(char *path, const char *interfacePath);

/* Opens the driver's control object; NO_HANDLE on failure. */
HANDLE OpenCameraObject(const char *controlPath);

/* Sends IOCTL_CAMERA_SET_EVENTS. Returns nonzero on success. */
BOOL SendCameraEvents(HANDLE hDevice, HANDLE hSnapEvent, HANDLE hPictureEvent);

#ifdef __cplusplus
}
#endif

#endif
