#include "camera_driver.h"

int BuildControlPath(char *path, const char *interfacePath)
{
    /* The suffix and the terminator must fit beside the device path. */
    if (lstrlenA(interfacePath) > MAX_PATH - (int)sizeof(CAMERA_OBJECT_SUFFIX)) {
        path[0] = '\0';
        return 0;
    }
    lstrcpyA(path, interfacePath);
    lstrcatA(path, CAMERA_OBJECT_SUFFIX);
    return 1;
}

HANDLE OpenCameraObject(const char *controlPath)
{
    return CreateFileA(controlPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

BOOL SendCameraEvents(HANDLE hDevice, HANDLE hSnapEvent, HANDLE hPictureEvent)
{
    CAMERA_EVENTS events;
    DWORD returned = 0;

    /* The driver takes 32-bit handle values whatever the pointer width. */
    events.hSnapEvent = HandleToULong(hSnapEvent);
    events.hPictureEvent = HandleToULong(hPictureEvent);
    return DeviceIoControl(hDevice, IOCTL_CAMERA_SET_EVENTS, &events, sizeof(events), NULL, 0,
                           &returned, NULL);
}
