/* hxmonctl: tells what the running monitor would start for each camera
   event and why, closes it on request, and changes what each event starts.
   Everything it says comes from the monitor's own identification and lookup
   code. */
#ifndef HX_HXMONCTL_H
#define HX_HXMONCTL_H

#include "report_text.h"

/* How long "close" waits for the monitor's process to end. */
#define CLOSE_TIMEOUT_MS 10000

/* Exit codes besides those of the commands themselves. */
#define CTL_USAGE 3
/* "close": the monitor runs with higher rights, and Windows refused it the
   close message. */
#define CLOSE_REFUSED 4

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

#ifdef __cplusplus
}
#endif

#endif
