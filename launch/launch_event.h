/* Finding the program registered for a camera event, and starting it. */
#ifndef HX_LAUNCH_EVENT_H
#define HX_LAUNCH_EVENT_H

#include <windows.h>
#include "device_monitor.h"

typedef enum CameraEvent {
    SnapButton = 0,
    NewPicture = 1
} CameraEvent;

#define EVENT_COUNT 2

/* One row per camera event, in the order of CameraEvent. */
typedef struct EventLaunch {
    const char *subkey;         /* under the driver key */
    const char *defaultCommand; /* when nothing usable is registered */
} EventLaunch;

extern const EventLaunch EventTable[EVENT_COUNT];

/* An event's name, as the registry and hxmonctl spell it: the last part of
   its subkey, so that the monitor carries it once. */
#define EVENT_KEY_PREFIX "Events\\"
#define EventName(event) (EventTable[event].subkey + sizeof(EVENT_KEY_PREFIX) - 1)

/* The "LaunchApplications" text that leaves the choice to the monitor: the
   event's default program starts. */
#define DEFAULT_APPLICATION "*"

#define REGISTERED_APPLICATIONS_KEY \
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\StillImage\\Registered Applications"
#define LAUNCH_APPLICATIONS_VALUE "LaunchApplications"

/* The step at which a lookup ended. The monitor needs only "found or not";
   hxmonctl tells the user which step gave out. */
typedef enum LookupStop {
    LOOKUP_FOUND = 0,            /* the registered command line is in the buffer */
    LOOKUP_NO_DRIVER_KEY,        /* no driver key is held */
    LOOKUP_NO_EVENT_KEY,         /* the event's subkey does not open */
    LOOKUP_NO_APPLICATION,       /* "LaunchApplications" cannot be read */
    LOOKUP_APPLICATION_TOO_LONG, /* it does not fit with a terminator */
    LOOKUP_STAR,                 /* it is "*": the default is wanted */
    LOOKUP_NO_APPLICATION_LIST,  /* "Registered Applications" does not open */
    LOOKUP_NOT_REGISTERED,       /* no command is registered under the name */
    LOOKUP_COMMAND_TOO_LONG      /* the command does not fit with a terminator */
} LookupStop;

/* What a lookup read on its way, and where it stopped. */
typedef struct LookupTrace {
    LookupStop stop;
    LONG status;                /* the platform's answer at that step */
    char application[MAX_PATH]; /* "LaunchApplications" as text, once read */
    DWORD applicationType;      /* its stored type, once read */
    DWORD commandType;          /* the command's stored type, once read */
} LookupTrace;

/* Whether a "LaunchApplications" text is DEFAULT_APPLICATION: bytes, not
   the collation lstrcmpA applies. */
static __inline int IsDefaultApplication(const char *application)
{
    return application[0] == '*' && application[1] == '\0';
}

#ifdef __cplusplus
extern "C" {
#endif

/* Reads a value as text into *size bytes, with its stored type (type may
   be NULL). The text is terminated within the buffer; data that does not
   fit with a terminator gives ERROR_MORE_DATA. */
LONG QueryText(HKEY hKey, const char *valueName, char *text, DWORD *size, DWORD *type);

/* Returns 1 when the buffer holds the registered command line, 0 when the
   caller must use the default; either way *trace says why. */
int LookupEventCommand(DeviceMonitor *monitor, const char *eventSubkey,
                       char *command, DWORD *commandSize, LookupTrace *trace);

/* The command line an event starts now into a MAX_PATH buffer: the
   registered one (returns 1) or the event's default (returns 0). */
int ChooseEventCommand(DeviceMonitor *monitor, CameraEvent event, char *command,
                       LookupTrace *trace);

int LaunchEventCommand(DeviceMonitor *monitor, CameraEvent event);

#ifdef __cplusplus
}
#endif

#endif
