#include "launch_event.h"

typedef struct EventLaunch {
    const char *subkey;         /* under the driver key */
    const char *defaultCommand; /* when nothing usable is registered */
} EventLaunch;

/* One row per camera event, in the order of CameraEvent. */
static const EventLaunch EventTable[] = {
    {"Events\\SnapButton", "hxAMCap.exe"},
    {"Events\\NewPicture", "hxCap.exe"},
};

/* Reads a value as text. The registry returns the stored bytes without
   adding a terminator, so one is put after them; data that fills the whole
   buffer without one of its own counts as too long. */
static int QueryText(HKEY hKey, const char *valueName, char *text, DWORD *size)
{
    DWORD capacity = *size;
    DWORD i;

    if (RegQueryValueExA(hKey, valueName, NULL, NULL, (LPBYTE)text, size) != ERROR_SUCCESS)
        return 0;
    if (*size < capacity) {
        text[*size] = '\0';
        return 1;
    }
    for (i = 0; i < capacity; i++) {
        if (text[i] == '\0')
            return 1;
    }
    return 0;
}

int LookupEventCommand(DeviceMonitor *monitor, const char *eventSubkey, char *command,
                       DWORD *commandSize)
{
    HKEY hEventKey;
    HKEY hApplications;
    char application[MAX_PATH];
    DWORD applicationSize = sizeof(application);
    LONG status = ERROR_INVALID_HANDLE;
    int found;

    /* The main thread may release the driver key at any moment. */
    LockMonitor();
    if (monitor->hDriverKey != NO_KEY)
        status = RegOpenKeyExA(monitor->hDriverKey, eventSubkey, 0, KEY_READ, &hEventKey);
    UnlockMonitor();
    if (status != ERROR_SUCCESS)
        return 0;

    found = QueryText(hEventKey, LAUNCH_APPLICATIONS_VALUE, application, &applicationSize);
    RegCloseKey(hEventKey);
    if (!found)
        return 0;
    /* "*" leaves the choice to us: the default program. */
    if (application[0] == '*' && application[1] == '\0')
        return 0;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS_KEY, 0, KEY_READ,
                      &hApplications) != ERROR_SUCCESS)
        return 0;
    found = QueryText(hApplications, application, command, commandSize);
    RegCloseKey(hApplications);
    return found;
}

int LaunchEventCommand(DeviceMonitor *monitor, CameraEvent event)
{
    const EventLaunch *row;
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    char directory[MAX_PATH];
    char command[MAX_PATH];
    DWORD commandSize;
    UINT length;

    if ((unsigned)event >= sizeof(EventTable) / sizeof(EventTable[0]))
        return 0;
    row = &EventTable[event];

    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);

    /* A result past the buffer means nothing was written to it. */
    length = GetWindowsDirectoryA(directory, sizeof(directory));
    if (length == 0 || length >= sizeof(directory))
        directory[0] = '\0';

    commandSize = sizeof(command);
    if (!LookupEventCommand(monitor, row->subkey, command, &commandSize))
        lstrcpyA(command, row->defaultCommand);

    ZeroMemory(&process, sizeof(process));
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, DETACHED_PROCESS, NULL, directory,
                        &startup, &process)) {
        GetLastError();
        return 0;
    }
    /* Nothing watches the started program. */
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}
