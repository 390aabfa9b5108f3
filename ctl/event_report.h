/* The lines "hxmonctl status" prints for a camera event: the steps of the
   monitor's lookup up to the one where it stopped, the command line it
   would start, and whether that command's program is found. */
#ifndef HX_EVENT_REPORT_H
#define HX_EVENT_REPORT_H

#include "program_search.h"
#include "launch_event.h"

CTL_DECLS_BEGIN

/* Says how the monitor would choose the event's command line (left in
   command, MAX_PATH) and whether its program is found. Returns 1 when it
   is. */
int ReportCameraEvent(Report *report, DeviceMonitor *record, CameraEvent event,
                      const SearchPlaces *places, char *command);

/* Both events of the present camera, as a press would find them now: what
   the writing verbs print after every change. */
void ReportEventChoices(Report *report);

/* When the command holds %1 or %2 (as software registered through the
   platform's still-image interface has them), one line saying that the
   monitor passes them as written; nothing otherwise. */
void SayPlaceholders(Report *report, const char *command);

CTL_DECLS_END

#endif
