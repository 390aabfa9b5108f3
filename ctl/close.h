/* hxmonctl close: asks the running monitor to close with WM_CLOSE, as it
   expects to be closed, and waits for its process to end. */
#ifndef HX_CLOSE_H
#define HX_CLOSE_H

#include "report_text.h"

CTL_DECLS_BEGIN
/* Returns one of the CLOSE_ exit codes. */
int CloseRunningMonitor(Report *report, DWORD timeoutMs);
int RunClose(int argc, char **argv, Report *report);
CTL_DECLS_END

#endif
