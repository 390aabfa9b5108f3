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

int ReadDeviceService(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                      char *service, DWORD serviceSize, DWORD *type)
{
    SP_DEVINFO_DATA deviceData;

    *type = REG_NONE;
    deviceData.cbSize = sizeof(deviceData);
    /* Asked only to fill the device record: with no buffer it must fail. */
    if (SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, NULL, 0, NULL, &deviceData))
        return 0;
    return GetDeviceTextProperty(hDevInfo, &deviceData, SPDRP_SERVICE, type, service,
                                 serviceSize);
}

int GetDeviceService(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                     char *service, DWORD serviceSize)
{
    DWORD type;

    return ReadDeviceService(hDevInfo, interfaceData, service, serviceSize, &type) &&
           type == REG_SZ;
}

/* The interface's detail into a block of `size` bytes, its path kept
   terminated within the block whatever was written: the one place an
   interface's path is read. */
static int ReadInterfaceDetail(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                               PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size)
{
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, detail, size, NULL, NULL)) {
        GetLastError();
        return 0;
    }
    ((char *)detail)[size - 1] = '\0';
    return 1;
}

LONG FindStartCamera(HDEVINFO hDevInfo, const GUID *classGuid, DWORD index,
                     PSP_DEVICE_INTERFACE_DATA interfaceData)
{
    SP_DEVINFO_DATA deviceData;
    char service[128];
    DWORD required;

    interfaceData->cbSize = sizeof(*interfaceData);
    deviceData.cbSize = sizeof(deviceData);
    for (;; index++) {
        if (!SetupDiEnumDeviceInterfaces(hDevInfo, NULL, classGuid, index, interfaceData)) {
            GetLastError();
            return -1;
        }
        required = 0;
        SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, NULL, 0, &required, &deviceData);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return -1;
        /* A device whose service cannot be read is not the camera; the
           camera may still come later in the list. */
        if (GetDeviceTextProperty(hDevInfo, &deviceData, SPDRP_SERVICE, NULL, service,
                                  sizeof(service)) &&
            lstrcmpiA(service, CAMERA_SERVICE_NAME) == 0)
            return (LONG)index;
    }
}

int GetInterfacePath(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData, char *path)
{
    union {
        SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
        char bytes[sizeof(DWORD) + MAX_PATH];
    } buffer;

    path[0] = '\0';
    if (!ReadInterfaceDetail(hDevInfo, interfaceData, &buffer.detail, sizeof(buffer)))
        return 0;
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
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
    DWORD required = 0;

    if (FindStartCamera(hDevInfo, classGuid, 0, interfaceData) < 0)
        return 0;
    /* A block of the size the path needs, however long: one that does not
       fit the control path is refused there. It must at least hold its own
       fixed part. */
    SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, NULL, 0, &required, NULL);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
        return 0;
    detail = (PSP_DEVICE_INTERFACE_DETAIL_DATA_A)HeapAlloc(GetProcessHeap(), 0, required);
    if (detail == NULL)
        return 0;
    if (!ReadInterfaceDetail(hDevInfo, interfaceData, detail, required)) {
        HeapFree(GetProcessHeap(), 0, detail);
        return 0;
    }
    *phDevice = OpenCameraAt(detail->DevicePath);
    HeapFree(GetProcessHeap(), 0, detail);
    return *phDevice != NO_HANDLE;
}
