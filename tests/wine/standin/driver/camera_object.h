/* The camera's control object: the device that "<interface path>\GLOBAL"
   leads to, which takes the set-events request and later sets the events. */
#ifndef HXCAMSIM_CAMERA_OBJECT_H
#define HXCAMSIM_CAMERA_OBJECT_H

#include <ntifs.h>

/* Kernel name of the object; the interface's "GLOBAL" entry links here. */
#define CAMERA_OBJECT_NAME L"\\Device\\HxCamSimCamera"

NTSTATUS CameraObjectCreate(PDRIVER_OBJECT driver);
void CameraObjectDelete(void);
BOOLEAN IsCameraObject(PDEVICE_OBJECT device);

/* Create, cleanup, close and device-control requests for the object. */
NTSTATUS CameraObjectDispatch(PIRP irp);

/* The snapshot button (snapshot TRUE) or a new picture: sets the matching
   event if armed. Returns whether an event was set. */
BOOLEAN CameraObjectSignal(BOOLEAN snapshot);

BOOLEAN CameraObjectArmed(void);

#endif
