/* hxmonctl: tells what the running monitor would start for each camera
   event and why, closes it on request, and changes what each event starts.
   Everything it says comes from the monitor's own identification and lookup
   code. */
#ifndef HX_HXMONCTL_H
#define HX_HXMONCTL_H

#include "report_text.h"
#include "exit_codes.h"

CTL_DECLS_BEGIN

/* Runs the verb argv[1] names ("status" when there is none) into the
   report and returns the exit code; the usage, with CTL_USAGE, for
   arguments that fit no verb. */
int RunCtl(int argc, char **argv, Report *report);

CTL_DECLS_END

#endif
