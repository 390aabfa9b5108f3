/* A camera event as "hxmonctl status" tells it: the monitor's lookup up to
   the step where it stopped, the command line it would start, and whether
   that command's program is found. */
#ifndef HX_EVENT_REPORT_H
#define HX_EVENT_REPORT_H

#include "launch_event.h"
#include "program_search.h"

CTL_DECLS_BEGIN
/* Leaves the command line in command (MAX_PATH); returns 1 when its
   program is found. */
int ReportCameraEvent(Report *report, DeviceMonitor *record, CameraEvent event,
                      const SearchPlaces *places, char *command);
/* Both events of the present camera: what the writing verbs print after a
   change. */
void ReportEventChoices(Report *report);
/* A line saying that %1 and %2, as still-image registrations write them,
   are passed as written; nothing when the command has neither. */
void SayPlaceholders(Report *report, const char *command);
CTL_DECLS_END

#endif
