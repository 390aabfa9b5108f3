/* hxmonctl status: what the running monitor would start for each camera
   event, and why. */
#ifndef HX_STATUS_H
#define HX_STATUS_H

#include "report_text.h"

CTL_DECLS_BEGIN
int RunStatus(int argc, char **argv, Report *report);
CTL_DECLS_END

#endif
