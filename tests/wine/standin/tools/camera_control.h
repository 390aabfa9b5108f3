/* Talking to the stand-in driver's control device from user mode. */
#ifndef HXCAMSIM_CAMERA_CONTROL_H
#define HXCAMSIM_CAMERA_CONTROL_H

#include <windows.h>

/* INVALID_HANDLE_VALUE when the stand-in camera is not installed/running. */
HANDLE OpenCameraControl(void);

/* Sends one of the IOCTL_HXCAMSIM_* requests that carry no data; opens and
   closes the control device around it. Returns 1 on success. */
int SendCameraControl(DWORD code);

/* Reads the driver's record as text into text (terminated). Returns 1 on
   success. */
int ReadCameraRecord(char *text, DWORD size);

#endif
