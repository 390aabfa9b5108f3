/* The camera section of "hxmonctl status": the image-class interfaces
   present, which one the monitor takes for its camera, whether its control
   object opens, and which driver key its events are looked up under. */
#ifndef HX_CAMERA_REPORT_H
#define HX_CAMERA_REPORT_H

#include "report_text.h"
#include "readers.h"

CTL_DECLS_BEGIN

/* Opens the present camera into the record as OpenPresentCamera does (the
   caller releases it with ClosePresentCamera) and says what it found.
   Returns 1 when the camera's control object opens. */
int ReportCamera(Report *report, DeviceMonitor *record, PresentCamera *camera);

CTL_DECLS_END

#endif
