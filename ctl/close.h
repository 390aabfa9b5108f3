/* hxmonctl close: asks the running monitor to close, as the monitor
   expects to be closed (WM_CLOSE), and waits for its process to end. */
#ifndef HX_CLOSE_H
#define HX_CLOSE_H

#include "report_text.h"

CTL_DECLS_BEGIN

/* CLOSE_DONE when the monitor's process ended, CLOSE_NONE_RUNNING when
   none was running, CLOSE_STILL_RUNNING when it did not end within
   timeoutMs, CLOSE_REFUSED when it could not be asked. */
int CloseRunningMonitor(Report *report, DWORD timeoutMs);

int RunClose(int argc, char **argv, Report *report);

CTL_DECLS_END

#endif
