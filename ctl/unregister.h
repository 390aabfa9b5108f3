/* hxmonctl unregister: removes an application from Registered
   Applications, unless an event of the present camera names it. */
#ifndef HX_UNREGISTER_H
#define HX_UNREGISTER_H

#include "report_text.h"

CTL_DECLS_BEGIN
int UnregisterApplication(Report *report, const char *name);
int RunUnregister(int argc, char **argv, Report *report);
CTL_DECLS_END

#endif
