#include "camera_key.h"

void FindPresentCamera(PresentCamera *camera)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;
    DeviceMonitor record;
    HDEVINFO hDevInfo;

    camera->present = 0;
    camera->path[0] = '\0';
    camera->keyPathState = DRIVER_KEY_NO_DRIVER;
    camera->keyPath[0] = '\0';
    /* The monitor's own class, set and camera rule. */
    InitDeviceMonitor(&record);
    hDevInfo = SetupDiGetClassDevsA(&record.classGuid, NULL, NULL,
                                    DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (hDevInfo == NO_HANDLE)
        return;
    if (FindStartCamera(hDevInfo, &record.classGuid, 0, &interfaceData) >= 0) {
        camera->present = 1;
        GetInterfacePath(hDevInfo, &interfaceData, camera->path);
        camera->keyPathState =
            (DriverKeyPath)BuildDriverKeyPath(hDevInfo, &interfaceData, camera->keyPath);
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
