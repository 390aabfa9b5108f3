#include <stddef.h>

#include "device.h"
#include "camera_driver.h"
#include "event_worker.h"

#define DRIVER_CLASS_KEY "SYSTEM\\CurrentControlSet\\Control\\Class\\"

/* Copies the interface path out of an arrival or removal record into a
   MAX_PATH buffer. Wine sends the wide form of the record even to a window
   that registered with the 8-bit call, so the form is told from the record
   itself: a device path starts with "\\?\", so a zero second byte means
   2-byte characters. The name must end within dbcc_size and fit the buffer. */
static int GetBroadcastPath(const DEV_BROADCAST_HDR *broadcast, char *path)
{
    const DWORD nameOffset = (DWORD)offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    const BYTE *name = (const BYTE *)broadcast + nameOffset;
    DWORD nameBytes;
    DWORD i;

    if (broadcast->dbch_size <= nameOffset)
        return 0;
    nameBytes = broadcast->dbch_size - nameOffset;

    if (nameBytes >= 4 && name[0] != 0 && name[1] == 0) {
        const WCHAR *wideName = ((const DEV_BROADCAST_DEVICEINTERFACE_W *)broadcast)->dbcc_name;
        for (i = 0; i < nameBytes / 2 && wideName[i] != 0; i++)
            ;
        if (i == nameBytes / 2)
            return 0;
        return WideCharToMultiByte(CP_ACP, 0, wideName, -1, path, MAX_PATH, NULL, NULL) > 0;
    }

    for (i = 0; i < nameBytes && name[i] != 0; i++)
        ;
    if (i == nameBytes || i >= MAX_PATH)
        return 0;
    lstrcpyA(path, (const char *)name);
    return 1;
}

/* Looks the path up among the set's interfaces, as the device installer
   compares paths: without regard to case. */
static int FindInterfaceByPath(HDEVINFO hDevInfo, const GUID *classGuid, const char *devicePath,
                               PSP_DEVICE_INTERFACE_DATA interfaceData)
{
    char path[MAX_PATH];
    DWORD index;

    for (index = 0; SetupDiEnumDeviceInterfaces(hDevInfo, NULL, classGuid, index, interfaceData);
         index++) {
        if (GetInterfacePath(hDevInfo, interfaceData, path) && lstrcmpiA(path, devicePath) == 0)
            return 1;
    }
    GetLastError();
    return 0;
}

/* Finds the broadcast's interface in the set, adding it there for an
   arrival. Wine does not implement SetupDiOpenDeviceInterfaceA, so when that
   fails the present interfaces are merged into the set and it is searched. */
static int OpenBroadcastInterface(DeviceMonitor *monitor, const char *devicePath, DWORD flags,
                                  PSP_DEVICE_INTERFACE_DATA interfaceData)
{
    interfaceData->cbSize = sizeof(*interfaceData);
    if (SetupDiOpenDeviceInterfaceA(monitor->hDevInfo, devicePath, flags, interfaceData))
        return 1;
    GetLastError();
    if (!(flags & DIODI_NO_ADD))
        SetupDiGetClassDevsExA(&monitor->classGuid, NULL, NULL,
                               DIGCF_PRESENT | DIGCF_DEVICEINTERFACE, monitor->hDevInfo, NULL, NULL);
    return FindInterfaceByPath(monitor->hDevInfo, &monitor->classGuid, devicePath,
                               interfaceData);
}

int IsCameraInterface(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData)
{
    char service[MAX_PATH];

    return GetDeviceService(hDevInfo, interfaceData, service, sizeof(service)) &&
           lstrcmpiA(service, CAMERA_SERVICE_NAME) == 0;
}

/* Closes the held control object; the worker arms and disarms on a
   duplicate of its own, so this never pulls a handle from under it. */
void ReleaseDevice(DeviceMonitor *monitor)
{
    LockMonitor();
    if (monitor->hDevice != NO_HANDLE) {
        CloseHandle(monitor->hDevice);
        monitor->hDevice = NO_HANDLE;
    }
    monitor->devicePath[0] = '\0';
    UnlockMonitor();
}

/* Takes the held camera down as its removal does: the worker is stopped
   first, since it uses the key and the device until then. */
static void ReleaseCamera(DeviceMonitor *monitor)
{
    StopEventWorker(monitor);
    ReleaseWorkerAndKey(monitor);
    ReleaseDevice(monitor);
}

static int IsHeldPath(const DeviceMonitor *monitor, const char *devicePath)
{
    return monitor->hDevice != NO_HANDLE && lstrcmpiA(monitor->devicePath, devicePath) == 0;
}

int BuildDriverKeyPath(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData,
                       char *keyPath)
{
    SP_DEVINFO_DATA deviceData;
    DWORD type = REG_NONE;
    char driver[MAX_PATH];

    deviceData.cbSize = sizeof(deviceData);
    if (SetupDiGetDeviceInterfaceDetailA(hDevInfo, interfaceData, NULL, 0, NULL, &deviceData))
        return DRIVER_KEY_NO_DRIVER;
    if (!GetDeviceTextProperty(hDevInfo, &deviceData, SPDRP_DRIVER, &type, driver,
                               sizeof(driver)))
        return DRIVER_KEY_NO_DRIVER;
    if (type != REG_SZ)
        return DRIVER_KEY_NOT_TEXT;
    /* The class key prefix, the driver name and the terminator must fit. */
    if (lstrlenA(driver) > MAX_PATH - (int)sizeof(DRIVER_CLASS_KEY))
        return DRIVER_KEY_TOO_LONG;
    lstrcpyA(keyPath, DRIVER_CLASS_KEY);
    lstrcatA(keyPath, driver);
    return DRIVER_KEY_PATH_BUILT;
}

int OpenDriverKey(DeviceMonitor *monitor, PSP_DEVICE_INTERFACE_DATA interfaceData)
{
    char keyPath[MAX_PATH];
    HKEY hKey;
    int built;

    if (monitor->hDriverKey != NO_KEY)
        return -1;
    built = BuildDriverKeyPath(monitor->hDevInfo, interfaceData, keyPath);
    if (built == DRIVER_KEY_NO_DRIVER)
        return 0;
    if (built != DRIVER_KEY_PATH_BUILT)
        return -1;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return -1;

    LockMonitor();
    monitor->hDriverKey = hKey;
    UnlockMonitor();
    return 0;
}

/* Serves an image-class interface that has arrived at `devicePath`: the
   camera's is opened, with its own driver key, and armed. */
static void ServeArrival(DeviceMonitor *monitor, const char *devicePath)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;
    char controlPath[MAX_PATH];
    HANDLE hDevice;
    HANDLE hEarlier;

    if (!OpenBroadcastInterface(monitor, devicePath, 0, &interfaceData))
        return;
    if (!IsCameraInterface(monitor->hDevInfo, &interfaceData))
        return;
    /* The camera arriving where the held one is: that one's removal was
       lost, and the worker is still armed on a device that has gone. */
    if (IsHeldPath(monitor, devicePath))
        ReleaseCamera(monitor);
    /* Only the camera's own driver key: the record never holds another
       device's, so the camera's events are never looked up under it. */
    OpenDriverKey(monitor, &interfaceData);

    hDevice = NO_HANDLE;
    if (BuildControlPath(controlPath, devicePath))
        hDevice = OpenCameraObject(controlPath);

    /* The record serves one camera: a later arrival replaces the held handle,
       and the earlier one is closed rather than leaked. A worker already
       running stays armed on the camera it armed, through its own duplicate,
       and its disarm goes there too. One swap, so a worker just starting
       sees either camera, never none. */
    LockMonitor();
    hEarlier = monitor->hDevice;
    monitor->hDevice = hDevice;
    if (hDevice != NO_HANDLE)
        lstrcpyA(monitor->devicePath, devicePath);
    else
        monitor->devicePath[0] = '\0';
    UnlockMonitor();
    if (hEarlier != NO_HANDLE)
        CloseHandle(hEarlier);
    if (hDevice == NO_HANDLE)
        return;
    StartEventWorker(monitor);
}

void OnDeviceArrival(DeviceMonitor *monitor, const DEV_BROADCAST_HDR *broadcast)
{
    char devicePath[MAX_PATH];

    if (GetBroadcastPath(broadcast, devicePath))
        ServeArrival(monitor, devicePath);
}

void OnDeviceRemoval(DeviceMonitor *monitor, const DEV_BROADCAST_HDR *broadcast)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;
    char devicePath[MAX_PATH];

    if (!GetBroadcastPath(broadcast, devicePath))
        return;
    if (!OpenBroadcastInterface(monitor, devicePath, DIODI_NO_ADD, &interfaceData))
        return;
    /* Any camera's removal takes down the held camera and its worker. */
    if (IsCameraInterface(monitor->hDevInfo, &interfaceData))
        ReleaseCamera(monitor);
    SetupDiDeleteDeviceInterfaceData(monitor->hDevInfo, &interfaceData);
}

/* What one look at the present image-class interfaces found. */
typedef struct PresentInterfaces {
    int heldPresent;                /* the held camera's path is among them */
    char cameraPath[MAX_PATH];      /* the first camera's path; empty when none */
} PresentInterfaces;

/* Enumerates the interfaces present now, in a set of its own: the record's
   set also lists interfaces that have gone. Returns 0 when the look fails. */
static int LookAtPresentInterfaces(DeviceMonitor *monitor, PresentInterfaces *present)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;
    char path[MAX_PATH];
    HDEVINFO hPresent;
    DWORD index;

    present->heldPresent = 0;
    present->cameraPath[0] = '\0';
    hPresent = SetupDiGetClassDevsA(&monitor->classGuid, NULL, NULL,
                                   DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (hPresent == NO_HANDLE) {
        GetLastError();
        return 0;
    }
    interfaceData.cbSize = sizeof(interfaceData);
    for (index = 0; SetupDiEnumDeviceInterfaces(hPresent, NULL, &monitor->classGuid, index,
                                                &interfaceData);
         index++) {
        if (!GetInterfacePath(hPresent, &interfaceData, path))
            continue;
        if (IsHeldPath(monitor, path))
            present->heldPresent = 1;
        if (present->cameraPath[0] == '\0' && IsCameraInterface(hPresent, &interfaceData))
            lstrcpyA(present->cameraPath, path);
    }
    GetLastError();
    SetupDiDestroyDeviceInfoList(hPresent);
    return 1;
}

int OnDeviceNodesChanged(DeviceMonitor *monitor)
{
    PresentInterfaces present;
    SP_DEVICE_INTERFACE_DATA interfaceData;

    if (monitor->hDevInfo == NO_HANDLE)
        return 0;
    /* With no camera held, an arrival may follow this message: the later
       look leaves it to be served as it comes. */
    if (monitor->hDevice == NO_HANDLE)
        return 1;
    /* The interface's state changes before the platform says the tree
       changed, so a camera that has gone is already missing from this look. */
    if (!LookAtPresentInterfaces(monitor, &present) || present.heldPresent)
        return 0;
    /* Its removal may be lost: taken down here, and forgotten by the set so
       that a late removal of it cannot take down a camera held by then. */
    if (OpenBroadcastInterface(monitor, monitor->devicePath, DIODI_NO_ADD, &interfaceData))
        SetupDiDeleteDeviceInterfaceData(monitor->hDevInfo, &interfaceData);
    ReleaseCamera(monitor);
    return 0;
}

void OnDeviceNodesSettled(DeviceMonitor *monitor)
{
    PresentInterfaces present;

    if (monitor->hDevInfo == NO_HANDLE || monitor->hDevice != NO_HANDLE)
        return;
    /* A camera present but not held arrived without its arrival reaching
       us: it is served now as that arrival would have served it. */
    if (LookAtPresentInterfaces(monitor, &present) && present.cameraPath[0] != '\0')
        ServeArrival(monitor, present.cameraPath);
}
