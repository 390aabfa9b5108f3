#include "unregister.h"
#include "apps.h"
#include "event_report.h"
#include "exit_codes.h"
#include "readers.h"
#include "registry_change.h"

/* The events of the present camera that name the application; says so and
   returns 1 when any does. */
static int SayEventsInUse(Report *report, const char *name)
{
    CameraChoices choices;
    int inUse = 0;
    int event;

    ReadCameraChoices(&choices);
    for (event = 0; event < EVENT_COUNT; event++) {
        if (lstrcmpiA(choices.events[event].application, name) != 0)
            continue;
        Say(report, "The camera's %s names %q: choose another first (hxmonctl use %s"
                    " default). Nothing was changed.",
            EventName(event), name, EventName(event));
        inUse = 1;
    }
    return inUse;
}

/* The registered spelling and command of name, or the refusal said. */
static int FindRegistered(Report *report, const char *name, char *stored, char *command)
{
    ApplicationList list;
    const RegisteredApplication *item;
    int result = CHOICE_DONE;

    if (!ListApplications(&list)) {
        Say(report, "Out of memory.");
        return CHOICE_FAILED;
    }
    item = name[0] != '\0' ? FindApplication(&list, name) : NULL;
    if (item != NULL) {
        lstrcpyA(stored, item->name);
        lstrcpyA(command, item->command);
    } else {
        Say(report, "No application named %q is registered. Nothing was changed.", name);
        SayRegisteredNames(report, &list);
        result = CHOICE_REFUSED;
    }
    FreeApplications(&list);
    return result;
}

int UnregisterApplication(Report *report, const char *name)
{
    char stored[MAX_PATH];
    char command[MAX_PATH];
    HKEY hKey;
    LONG status;
    int result = FindRegistered(report, name, stored, command);

    if (result != CHOICE_DONE)
        return result;
    if (SayEventsInUse(report, stored))
        return CHOICE_REFUSED;

    status = OpenKeyToChange(HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS_KEY, &hKey);
    if (status == ERROR_SUCCESS) {
        status = RegDeleteValueA(hKey, stored);
        RegCloseKey(hKey);
    }
    if (status != ERROR_SUCCESS)
        return SayChangeRefused(report, status, REGISTERED_APPLICATIONS_KEY);
    Say(report, "%q is no longer registered; its command line was: %e", stored, command);
    ReportEventChoices(report);
    return CHOICE_DONE;
}

int RunUnregister(int argc, char **argv, Report *report)
{
    (void)argc;
    return UnregisterApplication(report, argv[2]);
}
