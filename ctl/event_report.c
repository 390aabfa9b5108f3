#include "event_report.h"
#include "readers.h"

#define BYTES_AS_TEXT ", not as text: the monitor uses its bytes as text."

/* What a value's stored type means for the text the monitor reads from it. */
static void SayType(Report *report, DWORD type)
{
    if (type == REG_EXPAND_SZ)
        Say(report, "  It is stored as REG_EXPAND_SZ: the monitor uses it as written and"
                    " expands nothing in it.");
    else if (type == REG_MULTI_SZ)
        Say(report, "  It is stored as REG_MULTI_SZ: the monitor uses its first string only.");
    else if (type == REG_BINARY || type == REG_DWORD)
        Say(report, "  It is stored as %s" BYTES_AS_TEXT,
            type == REG_BINARY ? "REG_BINARY" : "REG_DWORD");
    else if (type != REG_SZ)
        Say(report, "  It is stored with type %u" BYTES_AS_TEXT, type);
}

/* A lookup that stopped before it had a name to look up; returns 0 when
   it got further. */
static int SayEarlyStop(Report *report, const char *name, const LookupTrace *trace)
{
    const DWORD status = (DWORD)trace->status;
    const int missing = status == ERROR_FILE_NOT_FOUND;

    switch (trace->stop) {
    case LOOKUP_NO_DRIVER_KEY:
        Say(report, "  No driver key is held, so no registration is read: the default"
                    " program starts.");
        return 1;
    case LOOKUP_NO_EVENT_KEY:
        if (missing)
            Say(report, "  The driver key has no subkey Events\\%s: the default program"
                        " starts.", name);
        else
            Say(report, "  The subkey Events\\%s of the driver key does not open (error %u):"
                        " the default program starts.", name, status);
        return 1;
    case LOOKUP_NO_APPLICATION:
        if (missing)
            Say(report, "  Events\\%s has no value LaunchApplications: the default program"
                        " starts.", name);
        else
            Say(report, "  LaunchApplications under Events\\%s cannot be read (error %u):"
                        " the default program starts.", name, status);
        return 1;
    case LOOKUP_APPLICATION_TOO_LONG:
        Say(report, "  LaunchApplications under Events\\%s is too long: with a terminator it"
                    " does not fit in %u bytes. The default program starts.",
            name, (DWORD)MAX_PATH);
        SayType(report, trace->applicationType);
        return 1;
    default:
        return 0;
    }
}

/* The steps the lookup took, up to the one where it stopped. */
static void SayLookup(Report *report, const char *name, const LookupTrace *trace,
                      const char *command)
{
    const DWORD status = (DWORD)trace->status;

    if (SayEarlyStop(report, name, trace))
        return;
    Say(report, "  LaunchApplications under Events\\%s is %q.", name, trace->application);
    SayType(report, trace->applicationType);
    switch (trace->stop) {
    case LOOKUP_STAR:
        Say(report, "  \"*\" leaves the choice to the monitor: the default program starts.");
        return;
    case LOOKUP_NO_APPLICATION_LIST:
        Say(report, "  HKLM\\%s does not open (error %u): the default program starts.",
            REGISTERED_APPLICATIONS_KEY, status);
        return;
    case LOOKUP_NOT_REGISTERED:
        if (status == ERROR_FILE_NOT_FOUND)
            Say(report, "  No application named %q is registered: the default program"
                        " starts.", trace->application);
        else
            Say(report, "  The command registered for %q cannot be read (error %u): the"
                        " default program starts.", trace->application, status);
        return;
    case LOOKUP_COMMAND_TOO_LONG:
        Say(report, "  The command registered for %q is too long: with a terminator it does"
                    " not fit in %u bytes. The default program starts.",
            trace->application, (DWORD)MAX_PATH);
        break;
    default:
        Say(report, "  %q is registered with the command line: %e", trace->application,
            command);
        SayType(report, trace->commandType);
        SayPlaceholders(report, command);
        return;
    }
    SayType(report, trace->commandType);
}

void SayPlaceholders(Report *report, const char *command)
{
    const char *at;

    for (at = command; *at; at++) {
        if (at[0] == '%' && (at[1] == '1' || at[1] == '2')) {
            Say(report, "  %%1 and %%2 in it are passed as written: the monitor fills in no"
                        " device or event name.");
            return;
        }
    }
}

int ReportCameraEvent(Report *report, DeviceMonitor *record, CameraEvent event,
                      const SearchPlaces *places, char *command)
{
    LookupTrace trace;
    const char *name = EventName(event);

    Say(report, "%s:", name);
    ChooseEventCommand(record, event, command, &trace);
    SayLookup(report, name, &trace, command);
    Say(report, "  The monitor would start: %e", command);
    return ReportProgram(report, places, command);
}

void ReportEventChoices(Report *report)
{
    /* Too large for the stack of a program without a C runtime. */
    static SearchPlaces places;
    PresentCamera camera;
    DeviceMonitor record;
    char command[MAX_PATH];
    int event;

    OpenPresentCamera(&camera, &record);
    FindSearchPlaces(&places);
    for (event = 0; event < EVENT_COUNT; event++)
        ReportCameraEvent(report, &record, (CameraEvent)event, &places, command);
    ClosePresentCamera(&record);
}
