/* What every scenario starts from and ends with. */
#ifndef HXE2E_SCENARIO_H
#define HXE2E_SCENARIO_H

#include "monitor_process.h"

/* Where scenarios start the monitor: deliberately not the Windows
   directory, so that a launch's working directory tells where it came
   from. */
#define START_DIRECTORY "C:\\hxsim\\start"

/* Where the stand-in programs log their starts (HXSIM_LOG). */
#define LAUNCH_LOG "C:\\hxsim\\launches.log"

/* No monitor running, the camera installed and plugged in or not, an empty
   driver record and launch log, no still-image registration. Returns 1 when
   that state was reached. */
int BeginScenario(int cameraPlugged);

/* Ends the monitor if a failed scenario left it running. */
void EndScenario(MonitorRun *run);

/* Wine registers a process's device notifications on a thread of their
   own, a moment after RegisterDeviceNotification returns; a device event
   sent in that moment is not delivered. Before plugging or unplugging the
   camera, a scenario gives a window that has just registered (the
   monitor's, or its own) that moment. */
void LetNotificationsRegister(void);

#endif
