#include "settings_state.h"
#include "monitor.h"

static DWORD MonitorPid(void)
{
    HWND window = FindWindowA(MONITOR_CLASS_NAME, NULL);
    DWORD pid = 0;

    if (window != NULL)
        GetWindowThreadProcessId(window, &pid);
    return pid;
}

void ReadSettingsState(SettingsState *state)
{
    state->monitorPid = MonitorPid();
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
    return state->camera.cameraPresent && state->camera.driverKeyOpens;
}

ChoiceKind KindOfChoice(const SettingsState *state, CameraEvent event)
{
    const EventChoice *choice = &state->camera.events[event];

    if (choice->registered)
        return CHOICE_APPLICATION;
    if (choice->application[0] == '\0' || lstrcmpA(choice->application, "*") == 0)
        return CHOICE_DEFAULT;
    return CHOICE_UNUSABLE;
}

void DefaultCommand(CameraEvent event, char *command)
{
    static LookupTrace trace;
    DeviceMonitor none;

    /* With no driver key held the monitor's lookup gives the default. */
    InitDeviceMonitor(&none);
    ChooseEventCommand(&none, event, command, &trace);
}

int DescribeProgram(const char *command, char *words)
{
    /* Static: the search places hold the whole search path. */
    static Report report;
    static SearchPlaces places;
    int found;

    ClearReport(&report);
    FindSearchPlaces(&places);
    found = ReportProgram(&report, &places, command);
    FirstReportLine(&report, words);
    return found;
}

void FirstReportLine(const Report *report, char *line)
{
    const char *start = report->text;
    const char *at;

    while (*start == ' ')
        start++;
    for (at = start; *at && *at != '\n' && at - start < SAY_LINE - 1; at++)
        *line++ = *at;
    *line = '\0';
}
