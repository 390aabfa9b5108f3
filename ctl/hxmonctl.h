/* hxmonctl: tells what the running monitor would start for each camera
   event and why, closes it on request, and changes what each event starts.
   Everything it says comes from the monitor's own identification and lookup
   code. */
#ifndef HX_HXMONCTL_H
#define HX_HXMONCTL_H

#include <windows.h>
#include "device_monitor.h"
#include "launch_event.h"

/* How long "close" waits for the monitor's process to end. */
#define CLOSE_TIMEOUT_MS 10000

/* Exit codes besides those of the commands themselves. */
#define CTL_USAGE 3
/* "close": the monitor runs with higher rights, and Windows refused it the
   close message. */
#define CLOSE_REFUSED 4

#define REPORT_SIZE 32768

/* The report: lines of text gathered in one fixed buffer, which the console
   program prints and the tests read. */
typedef struct Report {
    char text[REPORT_SIZE];
    DWORD used;
} Report;

typedef struct CameraFinding {
    int present;          /* the interface the monitor takes for its camera */
    int controlOpens;     /* its control object opened */
    char path[MAX_PATH];  /* its interface path */
} CameraFinding;

/* The directories of the program search, in its order: the monitor's folder
   (hxmonctl is installed beside it); the current directory, taken to be the
   Windows directory, where the monitor starts its programs (the search
   itself uses the monitor's own, whatever started it); the system
   directory; "<Windows directory>\System"; the Windows directory; PATH. */
typedef struct SearchPlaces {
    char monitorFolder[MAX_PATH];
    char windows[MAX_PATH];
    char system[MAX_PATH];
    char path[6 * MAX_PATH + 32768]; /* all of them, ';'-separated */
} SearchPlaces;

#ifdef __cplusplus
extern "C" {
#endif

/* "status" (also with no argument), "close", or one of the registration
   verbs; returns the exit code. */
int RunCtl(int argc, char **argv, Report *report);

/* apps, register, use or unregister (registration.h gives their exit
   codes); -1 when the arguments are none of these. "register" takes its
   command line from GetCommandLineA, as typed. */
int RunRegistrationVerb(int argc, char **argv, Report *report);

/* 0 when the camera is present, its control object opens, and both events'
   programs are found; otherwise 1. */
int ReportStatus(Report *report);

/* 0 when the monitor's process ended, 1 when none was running, 2 when it
   did not end within timeoutMs, CLOSE_REFUSED when it could not be asked. */
int CloseRunningMonitor(Report *report, DWORD timeoutMs);

void ClearReport(Report *report);

/* Appends one line. In the format, %s is our own text as it is; %e is text
   from the platform or the registry, with control characters written as
   \xNN so that nothing it holds can break a line; %q is the same in quotes;
   %u is a DWORD. A line that does not fit is cut short, and the report
   stays terminated. */
void Say(Report *report, const char *format, ...);

/* The image-class interfaces present, which one the monitor takes for its
   camera, whether its control object opens, and which driver key its events
   are looked up under. Fills record->hDevInfo and, for a camera whose driver
   key opens, record->hDriverKey, as the monitor's own record would hold
   them; the caller releases both. */
void ReportCamera(Report *report, DeviceMonitor *record, CameraFinding *camera);

/* The event's name as the registry and the report spell it. */
const char *EventName(CameraEvent event);

/* How the monitor would choose the event's command line (left in command,
   MAX_PATH) and whether its program is found. Returns 1 when it is. */
int ReportCameraEvent(Report *report, DeviceMonitor *record, CameraEvent event,
                      const SearchPlaces *places, char *command);

void FindSearchPlaces(SearchPlaces *places);

/* Whether process creation would find the command line's program, and
   where: the program search, as the monitor's own CreateProcessA makes it.
   Returns 1 when it is found. */
int ReportProgram(Report *report, const SearchPlaces *places, const char *command);

/* As process creation finds the program of a command line alone: the text
   between a leading pair of quotes, or else the command line up to each
   blank in turn. Returns 1 with the file in found; either way program
   receives the name looked for, as written in the command line (MAX_PATH
   buffers). */
int FindCommandProgram(const SearchPlaces *places, const char *commandLine, char *program,
                       char *found);

/* When the command holds %1 or %2 (as software registered through the
   platform's still-image interface has them), one line saying that the
   monitor passes them as written; nothing otherwise. */
void SayPlaceholders(Report *report, const char *command);

#ifdef __cplusplus
}
#endif

#endif
