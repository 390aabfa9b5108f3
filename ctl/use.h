/* hxmonctl use: makes an event of the present camera start a registered
   application, or its default program. */
#ifndef HX_USE_H
#define HX_USE_H

#include "launch_event.h"
#include "report_text.h"

/* The word that stands for the default program ("*"). */
#define DEFAULT_CHOICE "default"

CTL_DECLS_BEGIN
/* Sets Events\<event>\LaunchApplications to the registered name, or "*"
   for DEFAULT_CHOICE in any case. Refuses a name not registered, and with
   no camera or driver key to write under says so. A CHOICE_ code. */
int UseApplication(Report *report, CameraEvent event, const char *name);
int RunUse(int argc, char **argv, Report *report);
CTL_DECLS_END

#endif
