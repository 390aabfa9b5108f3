#include "camera_name.h"
#include "device.h"

/* A name property: text that is not empty. */
static int ReadName(HDEVINFO hDevInfo, PSP_DEVINFO_DATA deviceData, DWORD property,
                    char *name)
{
    DWORD type;

    return GetDeviceTextProperty(hDevInfo, deviceData, property, &type, name, MAX_PATH) &&
           type == REG_SZ && name[0] != '\0';
}

int ReadCameraName(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData, char *name)
{
    SP_DEVINFO_DATA deviceData;

    name[0] = '\0';
    deviceData.cbSize = sizeof(deviceData);
    /* Asked only to fill the device record: with no buffer it must fail. */
    if (SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, NULL, 0, NULL, &deviceData))
        return 0;
    if (ReadName(hDevInfo, &deviceData, SPDRP_FRIENDLYNAME, name) ||
        ReadName(hDevInfo, &deviceData, SPDRP_DEVICEDESC, name))
        return 1;
    name[0] = '\0';
    return 0;
}
