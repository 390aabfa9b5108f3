/* The stand-in driver's service, as Wine's service manager keeps it. */
#ifndef HXCAMSIM_DRIVER_SERVICE_H
#define HXCAMSIM_DRIVER_SERVICE_H

#include <windows.h>

/* Starts the driver's service. Under Wine this returns once the driver has
   loaded (its camera added and started) or failed. Returns 1 when the
   service runs, 0 with the last-error code set otherwise. */
int StartCameraDriver(void);

/* Fills *status with the driver service's state. Returns 0 with the
   last-error code set when it cannot be had (ERROR_SERVICE_DOES_NOT_EXIST:
   nothing was installed). */
int QueryCameraDriver(SERVICE_STATUS *status);

/* Returns 1 when the driver's service exists and is stopped; *exitCode gets
   the exit code the service manager keeps for it. */
int CameraDriverStopped(DWORD *exitCode);

#endif
