/* Finding the program registered for a camera event, and starting it. */
#ifndef HX_LAUNCH_EVENT_H
#define HX_LAUNCH_EVENT_H

#include <windows.h>
#include "device_monitor.h"

typedef enum CameraEvent {
    SnapButton = 0,
    NewPicture = 1
} CameraEvent;

#define REGISTERED_APPLICATIONS_KEY \
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\StillImage\\Registered Applications"
#define LAUNCH_APPLICATIONS_VALUE "LaunchApplications"

#ifdef __cplusplus
extern "C" {
#endif

int LookupEventCommand(DeviceMonitor *monitor, const char *eventSubkey,
                       char *command, DWORD *commandSize);
int LaunchEventCommand(DeviceMonitor *monitor, CameraEvent event);

#ifdef __cplusplus
}
#endif

#endif
