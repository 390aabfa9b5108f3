/* The camera part of hxmonctl's report: the image-class interfaces present,
   which one the monitor takes for its camera, whether the camera's control
   object opens, and which driver key the monitor reads its events under. */
#ifndef HX_CAMERA_REPORT_H
#define HX_CAMERA_REPORT_H

#include "report_text.h"
#include "device_monitor.h"

typedef struct CameraFinding {
    int present;          /* an interface served by the camera's driver */
    int controlOpens;     /* its control object opened */
    char path[MAX_PATH];  /* its interface path */
} CameraFinding;

#ifdef __cplusplus
extern "C" {
#endif

/* Fills record->hDevInfo with the present interfaces and, for a camera
   whose driver key opens, record->hDriverKey, as the monitor's own record
   would hold them; the caller releases both. */
void ReportCamera(Report *report, DeviceMonitor *record, CameraFinding *camera);

#ifdef __cplusplus
}
#endif

#endif
