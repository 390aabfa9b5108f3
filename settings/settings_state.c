#include "settings_state.h"
#include "exit_codes.h"
#include "program_search.h"
#include "running_monitor.h"
#include "use.h"

void ReadSettingsState(SettingsState *state)
{
    FindRunningMonitor(&state->monitorPid);
    ReadCameraChoices(&state->camera);
    ReadApplications(state);
}

void FreeSettingsState(SettingsState *state)
{
    FreeApplications(&state->apps);
}

void ReadApplications(SettingsState *state)
{
    FreeApplications(&state->apps);
    /* Out of memory leaves the list empty: only the default is offered. */
    if (!ListApplications(&state->apps))
        state->apps.count = 0;
}

int ChoicesWritable(const SettingsState *state)
{
    return WhyNotWritable(state) == NULL;
}

const char *WhyNotWritable(const SettingsState *state)
{
    if (!state->camera.camera.present)
        return "With no camera present there is nowhere to write a choice, so the choices "
               "cannot be changed until the camera is plugged in.";
    if (!state->camera.driverKeyOpens)
        return "The camera's driver key does not open, so the choices cannot be changed: "
               "every event starts its default program. Reinstall the camera's driver.";
    return NULL;
}

ChoiceKind KindOfChoice(const SettingsState *state, CameraEvent event)
{
    const EventChoice *choice = &state->camera.events[event];

    if (choice->registered)
        return CHOICE_APPLICATION;
    if (choice->application[0] == '\0' || IsDefaultApplication(choice->application))
        return CHOICE_DEFAULT;
    return CHOICE_UNUSABLE;
}

LPARAM SavedItem(const SettingsState *state, CameraEvent event)
{
    if (KindOfChoice(state, event) == CHOICE_DEFAULT)
        return ITEM_DEFAULT;
    return ItemNamed(state, state->camera.events[event].application, ITEM_UNUSABLE);
}

const RegisteredApplication *ItemApplication(const SettingsState *state, LPARAM item)
{
    if (item < 0 || (DWORD)item >= state->apps.count)
        return NULL;
    return &state->apps.items[item];
}

LPARAM ItemNamed(const SettingsState *state, const char *name, LPARAM otherwise)
{
    const RegisteredApplication *app = FindApplication(&state->apps, name);

    return app != NULL ? (LPARAM)(app - state->apps.items) : otherwise;
}

int ItemCommand(const SettingsState *state, CameraEvent event, LPARAM item, char *command)
{
    const RegisteredApplication *app = ItemApplication(state, item);

    if (item == SavedItem(state, event)) {
        lstrcpyA(command, state->camera.events[event].command);
        return 1;
    }
    /* An application whose command the monitor cannot read gets the
       default. */
    if (app != NULL && app->command[0] != '\0' && !app->commandTooLong)
        lstrcpyA(command, app->command);
    else
        lstrcpyA(command, EventTable[event].defaultCommand);
    return 0;
}

/* Texts of the window's own words, cut to fit a SAY_LINE buffer. */
static void Copy(char *line, const char *text)
{
    lstrcpynA(line, text, SAY_LINE);
}

static void Append(char *line, const char *text)
{
    int used = lstrlenA(line);

    lstrcpynA(line + used, text, SAY_LINE - used);
}

int DescribeProgram(const char *command, char *words)
{
    /* Static: the search places hold the whole search path. */
    static SearchPlaces places;
    ProgramFinding finding;

    FindSearchPlaces(&places);
    FindProgram(&places, command, &finding);
    switch (finding.state) {
    case PROGRAM_FOUND:
        Copy(words, "Its program is found: ");
        Append(words, finding.found);
        return 1;
    case PROGRAM_NOT_NAMED:
        Copy(words, "The command line names no program: nothing can start.");
        return 0;
    case PROGRAM_MISSING:
        Copy(words, "Its program ");
        Append(words, finding.program);
        Append(words, " does not exist: nothing starts.");
        return 0;
    default:
        Copy(words, "Its program ");
        Append(words, finding.program);
        Append(words, " is not found in the monitor's folder (");
        Append(words, places.monitorFolder);
        Append(words, "), the current directory (taken as the Windows directory), ");
        Append(words, places.system);
        Append(words, ", ");
        Append(words, places.windows);
        Append(words, "\\System, ");
        Append(words, places.windows);
        Append(words, " or on PATH: nothing starts.");
        return 0;
    }
}

/* Why "use" refused or failed, in the window's words. */
static void SayRefusal(int result, CameraEvent event, const char *name, char *message)
{
    switch (result) {
    case CHOICE_REFUSED:
        Copy(message, "No application named \"");
        Append(message, name);
        Append(message, "\" is registered, so ");
        Append(message, EventName(event));
        Append(message, " cannot start it. Nothing was changed.");
        return;
    case CHOICE_NO_CAMERA:
        Copy(message, "No camera is present, so there is no driver key to write: plug the "
                          "camera in first. Nothing was changed.");
        return;
    case CHOICE_NOT_ADMIN:
        Copy(message, "The camera's driver key cannot be changed without administrator "
                          "rights. Nothing was changed.");
        return;
    default:
        Copy(message, "The registry refused the change. Nothing was changed.");
        return;
    }
}

/* Puts an event this Apply wrote back as it was read, where "use" can: a
   name the monitor cannot use is not taken by "use". */
static int PutBack(const SettingsState *state, CameraEvent event, Report *report)
{
    ChoiceKind kind = KindOfChoice(state, event);

    if (kind == CHOICE_UNUSABLE)
        return 0;
    ClearReport(report);
    return UseApplication(report, event,
                          kind == CHOICE_APPLICATION ? state->camera.events[event].application
                                                     : DEFAULT_CHOICE) == CHOICE_DONE;
}

int ApplyChoices(SettingsState *state, const LPARAM chosen[EVENT_COUNT], char *message)
{
    /* What "use" says is for hxmonctl's console; the window says its own. */
    static Report report;
    const RegisteredApplication *app;
    const char *name;
    int written = 0;
    int result;
    int event;

    for (event = 0; event < EVENT_COUNT; event++) {
        if (chosen[event] == SavedItem(state, (CameraEvent)event))
            continue;
        app = ItemApplication(state, chosen[event]);
        name = app != NULL ? app->name : DEFAULT_CHOICE;
        ClearReport(&report);
        result = UseApplication(&report, (CameraEvent)event, name);
        if (result != CHOICE_DONE) {
            SayRefusal(result, (CameraEvent)event, name, message);
            /* Only SnapButton comes before another event. */
            if (written && !PutBack(state, SnapButton, &report))
                Append(message, " The snapshot button's earlier choice could not be put back.");
            return 0;
        }
        written++;
    }
    ReadSettingsState(state);
    Copy(message, written ? "Saved. The monitor uses the new choice at the next press." : "");
    return 1;
}
