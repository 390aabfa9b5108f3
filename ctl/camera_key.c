#include "camera_key.h"

/* The interface's path into a MAX_PATH buffer; empty when it does not fit. */
static void ReadInterfacePath(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                              char *path)
{
    union {
        SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
        char bytes[sizeof(DWORD) + MAX_PATH];
    } buffer;

    path[0] = '\0';
    buffer.detail.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, &buffer.detail,
                                          sizeof(buffer), NULL, NULL))
        return;
    buffer.bytes[sizeof(buffer) - 1] = '\0';
    lstrcpynA(path, buffer.detail.DevicePath, MAX_PATH);
}

void FindPresentCamera(PresentCamera *camera)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;
    DeviceMonitor record;
    HDEVINFO hDevInfo;
    DWORD index;

    camera->present = 0;
    camera->path[0] = '\0';
    camera->keyPathState = DRIVER_KEY_NO_DRIVER;
    camera->keyPath[0] = '\0';
    /* The monitor's own class, from its record. */
    InitDeviceMonitor(&record);
    hDevInfo = SetupDiGetClassDevsA(&record.classGuid, NULL, NULL,
                                    DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (hDevInfo == NO_HANDLE)
        return;
    interfaceData.cbSize = sizeof(interfaceData);
    for (index = 0;
         SetupDiEnumDeviceInterfaces(hDevInfo, NULL, &record.classGuid, index, &interfaceData);
         index++) {
        if (!IsCameraInterface(hDevInfo, &interfaceData))
            continue;
        camera->present = 1;
        ReadInterfacePath(hDevInfo, &interfaceData, camera->path);
        camera->keyPathState =
            (DriverKeyPath)BuildDriverKeyPath(hDevInfo, &interfaceData, camera->keyPath);
        break;
    }
    SetupDiDestroyDeviceInfoList(hDevInfo);
}

void OpenCameraRecord(const PresentCamera *camera, DeviceMonitor *record)
{
    HKEY hKey;

    InitDeviceMonitor(record);
    if (camera->present && camera->keyPathState == DRIVER_KEY_PATH_BUILT &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, camera->keyPath, 0, KEY_READ, &hKey) == ERROR_SUCCESS)
        record->hDriverKey = hKey;
}

void ReleaseCameraRecord(DeviceMonitor *record)
{
    if (record->hDriverKey != NO_KEY)
        RegCloseKey(record->hDriverKey);
    record->hDriverKey = NO_KEY;
}
