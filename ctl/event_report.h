/* The event part of hxmonctl's report: for one camera event, the monitor's
   own lookup step by step, the command line it would start now, and whether
   process creation would find that program. */
#ifndef HX_EVENT_REPORT_H
#define HX_EVENT_REPORT_H

#include "report_text.h"
#include "program_search.h"
#include "launch_event.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The event's name as the registry and the report spell it. */
const char *EventName(CameraEvent event);

/* Whether process creation would find the command's program, in one line
   (indented); returns 1 when it would. */
int ReportProgram(Report *report, const SearchPlaces *places, const char *command);

/* When the command holds %1 or %2 (as software registered through the
   platform's still-image interface has them), one line saying that the
   monitor passes them as written; nothing otherwise. */
void SayPlaceholders(Report *report, const char *command);

/* Leaves the command line in command (MAX_PATH). Returns 1 when its
   program is found. */
int ReportCameraEvent(Report *report, DeviceMonitor *record, CameraEvent event,
                const SearchPlaces *places, char *command);

#ifdef __cplusplus
}
#endif

#endif
