/* The present camera and its driver key, found by the rule the status
   report uses, for the verbs that read or write the camera's events. */
#ifndef HX_CAMERA_KEY_H
#define HX_CAMERA_KEY_H

#include "device_monitor.h"
#include "device.h"

typedef struct PresentCamera {
    int present;                /* an interface served by the camera's driver */
    char path[MAX_PATH];        /* its interface path; empty when too long */
    DriverKeyPath keyPathState; /* DRIVER_KEY_PATH_BUILT when keyPath holds it */
    char keyPath[MAX_PATH];     /* its driver key, relative to HKEY_LOCAL_MACHINE */
} PresentCamera;

#ifdef __cplusplus
extern "C" {
#endif

/* The first present image-class interface that is the camera. */
void FindPresentCamera(PresentCamera *camera);

/* A record like the monitor's, holding the camera's driver key opened for
   reading as the monitor opens it (or none), for the monitor's own lookup.
   Release it with ReleaseCameraRecord. */
void OpenCameraRecord(const PresentCamera *camera, DeviceMonitor *record);
void ReleaseCameraRecord(DeviceMonitor *record);

#ifdef __cplusplus
}
#endif

#endif
