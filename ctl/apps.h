/* hxmonctl apps: every registered application, its command line, whether
   its program is found, and which events of the present camera name it. */
#ifndef HX_APPS_H
#define HX_APPS_H

#include "readers.h"
#include "report_text.h"

CTL_DECLS_BEGIN
int RunApps(int argc, char **argv, Report *report);
/* One line naming every registered application, for a refusal. */
void SayRegisteredNames(Report *report, const ApplicationList *list);
CTL_DECLS_END

#endif
