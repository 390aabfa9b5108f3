/* The test-facing control device, \\.\HxCamSimCtl. */
#ifndef HXCAMSIM_CONTROL_DEVICE_H
#define HXCAMSIM_CONTROL_DEVICE_H

#include <ntifs.h>

NTSTATUS ControlDeviceCreate(PDRIVER_OBJECT driver);
void ControlDeviceDelete(void);
BOOLEAN IsControlDevice(PDEVICE_OBJECT device);
NTSTATUS ControlDeviceDispatch(PIRP irp);

#endif
