#include "launch_event.h"

const EventLaunch EventTable[EVENT_COUNT] = {
    {EVENT_KEY_PREFIX "SnapButton", "hxAMCap.exe"},
    {EVENT_KEY_PREFIX "NewPicture", "hxCap.exe"},
};

/* The registry returns the stored bytes without adding a terminator, so one
   is put after them; data that fills the whole buffer without one of its
   own is too long, as the platform says of data that does not fit at all. */
LONG QueryText(HKEY hKey, const char *valueName, char *text, DWORD *size, DWORD *type)
{
    DWORD capacity = *size;
    DWORD i;
    LONG status;

    status = RegQueryValueExA(hKey, valueName, NULL, type, (LPBYTE)text, size);
    if (status != ERROR_SUCCESS)
        return status;
    if (*size < capacity) {
        text[*size] = '\0';
        return ERROR_SUCCESS;
    }
    for (i = 0; i < capacity; i++) {
        if (text[i] == '\0')
            return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

/* Records where the lookup ended; nonzero only for a found command. */
static int StopAt(LookupTrace *trace, LookupStop stop, LONG status)
{
    trace->stop = stop;
    trace->status = status;
    return stop == LOOKUP_FOUND;
}

int LookupEventCommand(DeviceMonitor *monitor, const char *eventSubkey, char *command,
                       DWORD *commandSize, LookupTrace *trace)
{
    HKEY hEventKey;
    HKEY hApplications;
    DWORD applicationSize = sizeof(trace->application);
    LONG status = ERROR_INVALID_HANDLE;
    int held;

    trace->applicationType = REG_NONE;
    trace->commandType = REG_NONE;

    /* The main thread may release the driver key at any moment. */
    LockMonitor();
    held = monitor->hDriverKey != NO_KEY;
    if (held)
        status = RegOpenKeyExA(monitor->hDriverKey, eventSubkey, 0, KEY_READ, &hEventKey);
    UnlockMonitor();
    if (status != ERROR_SUCCESS)
        return StopAt(trace, held ? LOOKUP_NO_EVENT_KEY : LOOKUP_NO_DRIVER_KEY, status);

    status = QueryText(hEventKey, LAUNCH_APPLICATIONS_VALUE, trace->application,
                       &applicationSize, &trace->applicationType);
    RegCloseKey(hEventKey);
    if (status != ERROR_SUCCESS)
        return StopAt(trace,
                      status == ERROR_MORE_DATA ? LOOKUP_APPLICATION_TOO_LONG
                                                : LOOKUP_NO_APPLICATION,
                      status);
    if (IsDefaultApplication(trace->application))
        return StopAt(trace, LOOKUP_STAR, status);

    status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS_KEY, 0, KEY_READ,
                           &hApplications);
    if (status != ERROR_SUCCESS)
        return StopAt(trace, LOOKUP_NO_APPLICATION_LIST, status);
    status = QueryText(hApplications, trace->application, command, commandSize,
                       &trace->commandType);
    RegCloseKey(hApplications);
    if (status != ERROR_SUCCESS)
        return StopAt(trace,
                      status == ERROR_MORE_DATA ? LOOKUP_COMMAND_TOO_LONG : LOOKUP_NOT_REGISTERED,
                      status);
    return StopAt(trace, LOOKUP_FOUND, status);
}

int ChooseEventCommand(DeviceMonitor *monitor, CameraEvent event, char *command,
                       LookupTrace *trace)
{
    const EventLaunch *row = &EventTable[event];
    DWORD commandSize = MAX_PATH;

    if (LookupEventCommand(monitor, row->subkey, command, &commandSize, trace))
        return 1;
    lstrcpyA(command, row->defaultCommand);
    return 0;
}

int LaunchEventCommand(DeviceMonitor *monitor, CameraEvent event)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    LookupTrace trace;
    char directory[MAX_PATH];
    char command[MAX_PATH];
    UINT length;

    if ((unsigned)event >= EVENT_COUNT)
        return 0;

    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);

    /* A result past the buffer means nothing was written to it. */
    length = GetWindowsDirectoryA(directory, sizeof(directory));
    if (length == 0 || length >= sizeof(directory))
        directory[0] = '\0';

    /* Where the lookup stopped matters only to hxmonctl. */
    ChooseEventCommand(monitor, event, command, &trace);

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
