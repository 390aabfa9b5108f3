#include "application_list.h"
#include "event_report.h"

/* A name longer than this cannot be named by LaunchApplications, which the
   monitor reads into MAX_PATH bytes; such values are left out. */
#define NAME_ROOM MAX_PATH

/* The command as the monitor reads it: the stored bytes with a terminator,
   in MAX_PATH bytes, or too long. */
static void ReadCommand(HKEY hKey, RegisteredApplication *item)
{
    DWORD size = sizeof(item->command);
    DWORD i;
    LONG status = RegQueryValueExA(hKey, item->name, NULL, NULL, (LPBYTE)item->command, &size);

    item->commandTooLong = 0;
    if (status == ERROR_SUCCESS && size < sizeof(item->command)) {
        item->command[size] = '\0';
        return;
    }
    if (status == ERROR_SUCCESS) {
        for (i = 0; i < sizeof(item->command); i++) {
            if (item->command[i] == '\0')
                return;
        }
    }
    item->command[0] = '\0';
    item->commandTooLong = status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

/* Walks the values: counts them when items is NULL, fills items otherwise
   (up to room). Returns how many there are. */
static DWORD EnumerateApplications(HKEY hKey, RegisteredApplication *items, DWORD room)
{
    char name[NAME_ROOM];
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

    list->items = NULL;
    list->count = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS_KEY, 0, KEY_READ, &hKey) !=
        ERROR_SUCCESS)
        return 1;
    count = EnumerateApplications(hKey, NULL, 0);
    if (count > 0) {
        list->items = (RegisteredApplication *)HeapAlloc(
            GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(RegisteredApplication));
        if (list->items == NULL) {
            RegCloseKey(hKey);
            return 0;
        }
        list->count = EnumerateApplications(hKey, list->items, count);
    }
    RegCloseKey(hKey);
    return 1;
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

void SayRegisteredNames(Report *report, const ApplicationList *list)
{
    /* Small enough for a frame without stack probes; a longer list is cut. */
    char line[2048];
    DWORD used = 0;
    DWORD i;

    if (list->count == 0) {
        Say(report, "No application is registered.");
        return;
    }
    for (i = 0; i < list->count; i++) {
        /* Room for the quotes, the separator and the terminator. */
        if (used + (DWORD)lstrlenA(list->items[i].name) + 5 > sizeof(line))
            break;
        if (i > 0) {
            line[used++] = ',';
            line[used++] = ' ';
        }
        line[used++] = '"';
        lstrcpyA(line + used, list->items[i].name);
        used += (DWORD)lstrlenA(list->items[i].name);
        line[used++] = '"';
    }
    line[used] = '\0';
    Say(report, "Registered: %e.", line);
}

/* The events of the present camera that name the application. */
static void SayNamingEvents(Report *report, const CameraChoices *choices, const char *name)
{
    int snap = lstrcmpiA(choices->events[SnapButton].application, name) == 0;
    int picture = lstrcmpiA(choices->events[NewPicture].application, name) == 0;

    if (snap && picture)
        Say(report, "  The camera's SnapButton and NewPicture name it.");
    else if (snap || picture)
        Say(report, "  The camera's %s names it.", EventName(snap ? SnapButton : NewPicture));
}

int ReportApplications(Report *report)
{
    ApplicationList list;
    CameraChoices choices;
    SearchPlaces places;
    DWORD i;

    if (!ListApplications(&list) || !OpenSearchPlaces(&places)) {
        FreeApplications(&list);
        Say(report, "Out of memory.");
        return CHOICE_FAILED;
    }
    ReadCameraChoices(&choices);
    if (list.count == 0)
        Say(report, "No application is registered in HKLM\\%s.", REGISTERED_APPLICATIONS_KEY);
    for (i = 0; i < list.count; i++) {
        const RegisteredApplication *item = &list.items[i];

        if (item->commandTooLong) {
            Say(report, "%q: its command is too long: with a terminator it does not fit in %u"
                        " bytes, so the monitor starts the default program instead.",
                item->name, (DWORD)MAX_PATH);
        } else {
            Say(report, "%q: %e", item->name, item->command);
            ReportProgram(report, &places, item->command);
            SayPlaceholders(report, item->command);
        }
        SayNamingEvents(report, &choices, item->name);
    }
    if (!choices.cameraPresent && list.count > 0)
        Say(report, "No camera is present, so no event names any of them.");
    CloseSearchPlaces(&places);
    FreeApplications(&list);
    return CHOICE_DONE;
}
