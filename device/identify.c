#include "device.h"
#include "camera_driver.h"

int GetDeviceTextProperty(HDEVINFO hDevInfo, PSP_DEVINFO_DATA deviceData, DWORD property,
                          DWORD *type, char *text, DWORD textSize)
{
    DWORD i;

    /* The platform copies the stored bytes as they are; a value stored without
       a terminator would otherwise leave the text open-ended. Zeroed first,
       the buffer holds a text unless the data filled it without a zero. */
    ZeroMemory(text, textSize);
    if (!SetupDiGetDeviceRegistryPropertyA(hDevInfo, deviceData, property, type, (PBYTE)text,
                                           textSize, NULL)) {
        GetLastError();
        return 0;
    }
    for (i = 0; i < textSize; i++) {
        if (text[i] == '\0')
            return 1;
    }
    return 0;
}

int GetDeviceService(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                     char *service, DWORD serviceSize)
{
    SP_DEVINFO_DATA deviceData;
    DWORD type = REG_NONE;

    deviceData.cbSize = sizeof(deviceData);
    /* Asked only to fill the device record: with no buffer it must fail. */
    if (SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, NULL, 0, NULL, &deviceData))
        return 0;
    if (!GetDeviceTextProperty(hDevInfo, &deviceData, SPDRP_SERVICE, &type, service, serviceSize))
        return 0;
    return type == REG_SZ;
}

int GetInterfacePath(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData, char *path)
{
    union {
        SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
        char bytes[sizeof(DWORD) + MAX_PATH];
    } buffer;

    path[0] = '\0';
    buffer.detail.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, &buffer.detail,
                                          sizeof(buffer), NULL, NULL)) {
        GetLastError();
        return 0;
    }
    buffer.bytes[sizeof(buffer) - 1] = '\0';
    lstrcpynA(path, buffer.detail.DevicePath, MAX_PATH);
    return 1;
}

/* Opens the control object behind a device path; NO_HANDLE when the path is
   too long for it or the driver refuses. */
static HANDLE OpenCameraAt(const char *devicePath)
{
    char controlPath[MAX_PATH];

    if (!BuildControlPath(controlPath, devicePath))
        return NO_HANDLE;
    return OpenCameraObject(controlPath);
}

int OpenFirstDevice(HDEVINFO hDevInfo, const GUID *classGuid, HANDLE *phDevice,
                    PSP_DEVICE_INTERFACE_DATA interfaceData)
{
    SP_DEVINFO_DATA deviceData;
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
    char service[128];
    DWORD index = 0;
    DWORD required;

    interfaceData->cbSize = sizeof(*interfaceData);
    deviceData.cbSize = sizeof(deviceData);
    if (!SetupDiEnumDeviceInterfaces(hDevInfo, NULL, classGuid, index, interfaceData)) {
        GetLastError();
        return 0;
    }

    for (;;) {
        required = 0;
        SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, NULL, 0, &required, &deviceData);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return 0;
        /* A device whose service cannot be read is not the camera; the
           camera may still come later in the list. */
        if (GetDeviceTextProperty(hDevInfo, &deviceData, SPDRP_SERVICE, NULL, service,
                                  sizeof(service)) &&
            lstrcmpiA(service, CAMERA_SERVICE_NAME) == 0)
            break;
        index++;
        if (!SetupDiEnumDeviceInterfaces(hDevInfo, NULL, classGuid, index, interfaceData)) {
            GetLastError();
            return 0;
        }
    }

    /* The block must at least hold its own fixed part. */
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        return 0;
    detail = (PSP_DEVICE_INTERFACE_DETAIL_DATA_A)HeapAlloc(GetProcessHeap(), 0, required);
    if (detail == NULL)
        return 0;
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, detail, required, NULL,
                                          &deviceData)) {
        GetLastError();
        HeapFree(GetProcessHeap(), 0, detail);
        return 0;
    }
    /* Keep the path terminated within the block, whatever was written. */
    ((char *)detail)[required - 1] = '\0';

    *phDevice = OpenCameraAt(detail->DevicePath);
    HeapFree(GetProcessHeap(), 0, detail);
    return *phDevice != NO_HANDLE;
}
