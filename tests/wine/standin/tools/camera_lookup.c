#include "camera_lookup.h"
#include "camera_control.h"
#include "driver_service.h"
#include "../hxcamsim_control.h"

#include <initguid.h>
#include <setupapi.h>
#include <stdio.h>
#include <string.h>

DEFINE_GUID(HXCAMSIM_IMAGE_CLASS, 0x6bdd1fc6, 0x810f, 0x11d0,
            0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f);

static int IsCameraService(HDEVINFO set, SP_DEVINFO_DATA *device)
{
    char service[128];

    if (!SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_SERVICE, NULL,
                                           (BYTE *)service, sizeof(service), NULL))
        return 0;
    return lstrcmpiA(service, HXCAMSIM_SERVICE_NAME) == 0;
}

int FindCameraInterface(char *path, DWORD pathSize)
{
    HDEVINFO set;
    SP_DEVICE_INTERFACE_DATA iface;
    SP_DEVINFO_DATA device;
    union {
        SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
        char bytes[512];
    } block;
    DWORD index;
    int found = 0;

    set = SetupDiGetClassDevsA(&HXCAMSIM_IMAGE_CLASS, NULL, NULL,
                               DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return 0;
    for (index = 0; !found; index++) {
        iface.cbSize = sizeof(iface);
        if (!SetupDiEnumDeviceInterfaces(set, NULL, &HXCAMSIM_IMAGE_CLASS, index, &iface))
            break;
        device.cbSize = sizeof(device);
        block.detail.cbSize = sizeof(block.detail);
        if (!SetupDiGetDeviceInterfaceDetailA(set, &iface, &block.detail, sizeof(block),
                                              NULL, &device))
            continue;
        if (!IsCameraService(set, &device))
            continue;
        if (strlen(block.detail.DevicePath) >= pathSize)
            continue;
        strcpy(path, block.detail.DevicePath);
        found = 1;
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

int FindCameraDriverKey(char *keyPath, DWORD keyPathSize)
{
    HDEVINFO set;
    SP_DEVINFO_DATA device;
    char driver[128];
    int found = 0;

    set = SetupDiCreateDeviceInfoList(NULL, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return 0;
    device.cbSize = sizeof(device);
    if (SetupDiOpenDeviceInfoA(set, HXCAMSIM_INSTANCE_ID, NULL, 0, &device) &&
        SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DRIVER, NULL,
                                          (BYTE *)driver, sizeof(driver), NULL)) {
        found = _snprintf(keyPath, keyPathSize,
                          "SYSTEM\\CurrentControlSet\\Control\\Class\\%s", driver) > 0;
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

/* Wine's winedevice.exe reports its service running before it has set up
   its PnP manager, and a driver start that reaches it in between crashes it
   (IoCreateDevice for the camera's device node, with no driver object yet).
   The driver's service is then stopped with no camera in the session. On a
   loaded machine that happens now and then, at install and when a session
   starts the driver; starting the service again brings the camera up. */
static void RestartStoppedDriver(void)
{
    DWORD exitCode = 0;

    if (!CameraDriverStopped(&exitCode))
        return;
    fprintf(stderr, "hxcamsim: the driver's service had stopped (exit code %lu); "
            "starting it again\n", exitCode);
    if (!StartCameraDriver())
        fprintf(stderr, "hxcamsim: starting the driver failed, error %lu\n", GetLastError());
}

int WaitForCamera(int pluggedIn, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    char path[MAX_PATH];
    HANDLE control;
    unsigned round;

    for (round = 1;; round++) {
        control = OpenCameraControl();
        if (control != INVALID_HANDLE_VALUE) {
            CloseHandle(control);
            if (!pluggedIn || FindCameraInterface(path, sizeof(path)))
                return 1;
        } else if (round % 20 == 0) {
            RestartStoppedDriver();  /* about once a second */
        }
        if (GetTickCount() - start > timeoutMs)
            return 0;
        Sleep(50);
    }
}
