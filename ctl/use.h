/* hxmonctl use: makes one of the present camera's events start a
   registered application, or its default program. */
#ifndef HX_USE_H
#define HX_USE_H

#include "report_text.h"
#include "launch_event.h"

/* The word that stands for the built-in default program ("*"). */
#define DEFAULT_CHOICE "default"

CTL_DECLS_BEGIN

/* Makes the present camera's Events\<event>\LaunchApplications name a
   registered application, or "*" when name is DEFAULT_CHOICE (any case).
   Refused (CHOICE_REFUSED), with the registered names listed, when name is
   not registered; CHOICE_NO_CAMERA with no camera or driver key to write
   under. Otherwise a CHOICE_ code of the write. */
int UseApplication(Report *report, CameraEvent event, const char *name);

/* use EVENT NAME|default */
int RunUse(int argc, char **argv, Report *report);

CTL_DECLS_END

#endif
