/* The still-image registration other software writes and the monitor
   reads: "Events\<event>\LaunchApplications" under the camera's driver key,
   and the list of registered applications. */
#ifndef HXE2E_STILL_IMAGE_REGISTRY_H
#define HXE2E_STILL_IMAGE_REGISTRY_H

#include <windows.h>

/* The application name the scenarios register. */
#define TEST_APPLICATION "HxTestApp"
/* The name imaging software registers itself under with the platform's
   wide still-image call: letters of no 8-bit code page. */
#define WIDE_APPLICATION L"Zdj\u0119cia \u5199\u771F"

/* Removes both events' registration and the test applications. */
int ClearStillImageRegistration(void);

/* event is "SnapButton" or "NewPicture". */
int SetLaunchApplications(const char *event, const char *value);

int RegisterApplication(const char *name, const char *commandLine);
/* As imaging software registers itself: sti.dll's RegisterLaunchApplication,
   which stores the command with " /StiDevice:%1 /StiEvent:%2" added. */
int RegisterThroughStillImage(const WCHAR *name, const WCHAR *commandLine);
/* The event's LaunchApplications, written with the wide registry call. */
int SetLaunchApplicationsWide(const char *event, const WCHAR *name);
int RemoveApplication(const char *name);

/* Whether the event's LaunchApplications value is absent. */
int LaunchApplicationsIsAbsent(const char *event);

/* Whether the event names this application and the application is
   registered with this command line. */
int StillImageRegistrationIs(const char *event, const char *name, const char *commandLine);

#endif
