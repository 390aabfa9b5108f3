#include "readers.h"

int OpenPresentCamera(PresentCamera *camera, DeviceMonitor *record)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;

    camera->present = 0;
    camera->path[0] = '\0';
    camera->name[0] = '\0';
    camera->keyPathState = DRIVER_KEY_NO_DRIVER;
    camera->keyPath[0] = '\0';
    /* The monitor's own class, set and camera rule. */
    InitDeviceMonitor(record);
    record->hDevInfo = SetupDiGetClassDevsA(&record->classGuid, NULL, NULL,
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    camera->index = -1;
    if (record->hDevInfo == NO_HANDLE)
        return 0;
    camera->index = FindStartCamera(record->hDevInfo, &record->classGuid, 0, &interfaceData);
    if (camera->index < 0)
        return 1;
    camera->present = 1;
    GetInterfacePath(record->hDevInfo, &interfaceData, camera->path);
    ReadCameraName(record->hDevInfo, &interfaceData, camera->name);
    camera->keyPathState =
        (DriverKeyPath)BuildDriverKeyPath(record->hDevInfo, &interfaceData, camera->keyPath);
    OpenDriverKey(record, &interfaceData);
    return 1;
}

void ClosePresentCamera(DeviceMonitor *record)
{
    if (record->hDriverKey != NO_KEY)
        RegCloseKey(record->hDriverKey);
    record->hDriverKey = NO_KEY;
    if (record->hDevInfo != NO_HANDLE)
        SetupDiDestroyDeviceInfoList(record->hDevInfo);
    record->hDevInfo = NO_HANDLE;
}

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

/* The command as the monitor reads it, or too long. */
static void ReadCommand(HKEY hKey, RegisteredApplication *item)
{
    DWORD size = sizeof(item->command);
    LONG status = QueryText(hKey, item->name, item->command, &size, NULL);

    item->commandTooLong = status == ERROR_MORE_DATA;
    if (status != ERROR_SUCCESS)
        item->command[0] = '\0';
}

/* Walks the values: counts them when items is NULL, fills items otherwise
   (up to room). Returns how many there are. A name longer than MAX_PATH
   cannot be named by LaunchApplications, which the monitor reads into
   MAX_PATH bytes: such values are left out. */
static DWORD EnumerateApplications(HKEY hKey, RegisteredApplication *items, DWORD room)
{
    char name[MAX_PATH];
    DWORD count = 0;
    DWORD index;
    DWORD length;
    LONG status;

    for (index = 0;; index++) {
        length = sizeof(name);
        status = RegEnumValueA(hKey, index, name, &length, NULL, NULL, NULL, NULL);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            break;
        /* The key's default value names no application. */
        if (name[0] == '\0')
            continue;
        if (items != NULL) {
            if (count == room)
                break;
            lstrcpyA(items[count].name, name);
            ReadCommand(hKey, &items[count]);
        }
        count++;
    }
    return count;
}

int ListApplications(ApplicationList *list)
{
    HKEY hKey;
    DWORD count;
    int result = 1;

    list->items = NULL;
    list->count = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS_KEY, 0, KEY_READ, &hKey) !=
        ERROR_SUCCESS)
        return 1;
    count = EnumerateApplications(hKey, NULL, 0);
    if (count > 0) {
        list->items = (RegisteredApplication *)HeapAlloc(
            GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(RegisteredApplication));
        if (list->items != NULL)
            list->count = EnumerateApplications(hKey, list->items, count);
        else
            result = 0;
    }
    RegCloseKey(hKey);
    return result;
}

void FreeApplications(ApplicationList *list)
{
    if (list->items != NULL)
        HeapFree(GetProcessHeap(), 0, list->items);
    list->items = NULL;
    list->count = 0;
}

const RegisteredApplication *FindApplication(const ApplicationList *list, const char *name)
{
    DWORD i;

    for (i = 0; i < list->count; i++) {
        if (lstrcmpiA(list->items[i].name, name) == 0)
            return &list->items[i];
    }
    return NULL;
}

void ReadCameraChoices(CameraChoices *choices)
{
    DeviceMonitor record;
    LookupTrace trace;
    int event;

    OpenPresentCamera(&choices->camera, &record);
    choices->driverKeyOpens = record.hDriverKey != NO_KEY;
    for (event = 0; event < EVENT_COUNT; event++) {
        EventChoice *choice = &choices->events[event];

        trace.application[0] = '\0';
        choice->registered =
            ChooseEventCommand(&record, (CameraEvent)event, choice->command, &trace);
        /* The name is read only once the lookup got that far. */
        if (trace.stop != LOOKUP_FOUND && trace.stop < LOOKUP_STAR)
            trace.application[0] = '\0';
        lstrcpyA(choice->application, trace.application);
    }
    ClosePresentCamera(&record);
}
