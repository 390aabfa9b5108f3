#include "camera_control.h"
#include "../hxcamsim_control.h"

HANDLE OpenCameraControl(void)
{
    return CreateFileA(HXCAMSIM_CONTROL_WIN32_NAME, GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

int SendCameraControl(DWORD code)
{
    HANDLE control = OpenCameraControl();
    DWORD returned;
    BOOL ok;

    if (control == INVALID_HANDLE_VALUE)
        return 0;
    ok = DeviceIoControl(control, code, NULL, 0, NULL, 0, &returned, NULL);
    CloseHandle(control);
    return ok ? 1 : 0;
}

int ReadCameraRecord(char *text, DWORD size)
{
    HANDLE control;
    DWORD returned = 0;
    BOOL ok;

    if (size == 0)
        return 0;
    text[0] = '\0';
    control = OpenCameraControl();
    if (control == INVALID_HANDLE_VALUE)
        return 0;
    ok = DeviceIoControl(control, IOCTL_HXCAMSIM_READ_RECORD, NULL, 0, text, size,
                         &returned, NULL);
    CloseHandle(control);
    if (!ok || returned == 0)
        return 0;
    text[(returned < size ? returned : size) - 1] = '\0';
    return 1;
}
