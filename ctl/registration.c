/* Registering and unregistering applications. */
#include "registration.h"
#include "application_list.h"
#include "event_report.h"
#include "program_search.h"
#include "registry_change.h"

/* Whether the monitor can use the name as one application's name; says
   why not when it cannot. */
static int CheckName(Report *report, const char *name)
{
    const char *at;

    if (name[0] == '\0') {
        Say(report, "An application needs a name. Nothing was changed.");
        return 0;
    }
    for (at = name; *at; at++) {
        if (*at == ',') {
            Say(report, "%q holds a comma: the monitor does not split lists of names and"
                        " would look for one application of that whole name. Nothing was"
                        " changed.", name);
            return 0;
        }
    }
    if (lstrcmpA(name, "*") == 0 || lstrcmpiA(name, DEFAULT_CHOICE) == 0) {
        Say(report, "%q stands for the default program and cannot name an application."
                    " Nothing was changed.", name);
        return 0;
    }
    if (lstrlenA(name) >= MAX_PATH) {
        Say(report, "The name is %u bytes long: with a terminator LaunchApplications must fit"
                    " in %u bytes. Nothing was changed.", (DWORD)lstrlenA(name), (DWORD)MAX_PATH);
        return 0;
    }
    return 1;
}

static int FitsTheMonitor(Report *report, const char *command)
{
    if (lstrlenA(command) < MAX_PATH)
        return 1;
    Say(report, "The command line is %u bytes long: with a terminator it must fit in %u"
                " bytes, or the monitor cannot read it and starts the default program."
                " Nothing was changed.", (DWORD)lstrlenA(command), (DWORD)MAX_PATH);
    return 0;
}

static int HasBlank(const char *text)
{
    for (; *text; text++) {
        if (*text == ' ' || *text == '\t')
            return 1;
    }
    return 0;
}

/* The command line to store: as given, except that an unquoted program
   path with blanks, as process creation's search finds it, is quoted. The
   caller has checked that command fits in MAX_PATH; stored holds
   MAX_PATH + 2 bytes. Returns 1 when it quoted the path. */
static int QuoteProgram(const char *command, const char *program, char *stored)
{
    int length = lstrlenA(program);

    if (command[0] == '"' || !HasBlank(program)) {
        lstrcpyA(stored, command);
        return 0;
    }
    stored[0] = '"';
    lstrcpynA(stored + 1, program, length + 1);
    stored[length + 1] = '"';
    lstrcpyA(stored + length + 2, command + length);
    return 1;
}

int RegisterCommandLine(Report *report, const char *name, const char *commandLine, int anyway)
{
    char stored[MAX_PATH + 2];
    char program[MAX_PATH];
    char found[MAX_PATH];
    SearchPlaces places;
    ApplicationList list;
    const RegisteredApplication *before;
    char replaced[MAX_PATH];
    char spelling[MAX_PATH];
    int isFound;
    int quoted = 0;
    int result;

    if (!CheckName(report, name) || !FitsTheMonitor(report, commandLine))
        return CHOICE_REFUSED;
    if (!OpenSearchPlaces(&places)) {
        Say(report, "Out of memory.");
        return CHOICE_FAILED;
    }
    isFound = FindCommandProgram(&places, commandLine, program, found);
    if (!isFound && (program[0] == '\0' || !anyway)) {
        Say(report, "%q cannot be registered with the command line: %e", name, commandLine);
        ReportProgram(report, &places, commandLine);
        CloseSearchPlaces(&places);
        if (program[0] == '\0')
            Say(report, "Nothing was changed.");
        else
            Say(report, "Nothing was changed; to register it all the same, add --anyway"
                        " before the name.");
        return CHOICE_REFUSED;
    }
    CloseSearchPlaces(&places);
    if (isFound)
        quoted = QuoteProgram(commandLine, program, stored);
    else
        lstrcpyA(stored, commandLine);
    if (!FitsTheMonitor(report, stored))
        return CHOICE_REFUSED;

    /* A name registered already keeps its spelling. */
    replaced[0] = '\0';
    lstrcpyA(spelling, name);
    if (ListApplications(&list)) {
        before = FindApplication(&list, name);
        if (before != NULL) {
            lstrcpyA(replaced, before->command);
            lstrcpyA(spelling, before->name);
        }
        FreeApplications(&list);
    }
    /* The key is created when missing, and removed again when the value
       cannot be set. */
    result = WriteTextValue(report, HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS_KEY,
                            REGISTERED_APPLICATIONS_KEY, spelling, stored);
    if (result != CHOICE_DONE)
        return result;

    Say(report, "%q is registered with the command line: %e", spelling, stored);
    if (quoted)
        Say(report, "  Its program's path holds blanks, so it is stored in quotes: unquoted,"
                    " process creation tries each text up to a blank first.");
    if (!isFound)
        Say(report, "  Its program %e is not found, and was registered as asked.", program);
    else
        Say(report, "  Its program is found: %e", found);
    SayPlaceholders(report, stored);
    if (replaced[0] != '\0')
        Say(report, "  It replaces: %e", replaced);
    ReportEventChoices(report);
    return CHOICE_DONE;
}

/* The events of the present camera that name the application; says so and
   returns 1 when any does. */
static int SayEventsInUse(Report *report, const char *name)
{
    CameraChoices choices;
    int inUse = 0;
    int event;

    ReadCameraChoices(&choices);
    for (event = SnapButton; event <= NewPicture; event++) {
        if (lstrcmpiA(choices.events[event].application, name) != 0)
            continue;
        Say(report, "The camera's %s names %q: choose another first (hxmonctl use %s"
                    " default). Nothing was changed.",
            EventName((CameraEvent)event), name, EventName((CameraEvent)event));
        inUse = 1;
    }
    return inUse;
}

int UnregisterApplication(Report *report, const char *name)
{
    ApplicationList list;
    const RegisteredApplication *item;
    char stored[MAX_PATH];
    char command[MAX_PATH];
    HKEY hKey;
    LONG status;

    if (!ListApplications(&list)) {
        Say(report, "Out of memory.");
        return CHOICE_FAILED;
    }
    item = name[0] != '\0' ? FindApplication(&list, name) : NULL;
    if (item == NULL) {
        Say(report, "No application named %q is registered. Nothing was changed.", name);
        SayRegisteredNames(report, &list);
        FreeApplications(&list);
        return CHOICE_REFUSED;
    }
    lstrcpyA(stored, item->name);
    lstrcpyA(command, item->command);
    FreeApplications(&list);
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
