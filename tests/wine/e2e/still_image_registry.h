/* The still-image registration other software writes and the monitor
   reads: "Events\<event>\LaunchApplications" under the camera's driver key,
   and the list of registered applications. */
#ifndef HXE2E_STILL_IMAGE_REGISTRY_H
#define HXE2E_STILL_IMAGE_REGISTRY_H

/* The application name the scenarios register. */
#define TEST_APPLICATION "HxTestApp"

/* Removes both events' registration and the test application. */
int ClearStillImageRegistration(void);

/* event is "SnapButton" or "NewPicture". */
int SetLaunchApplications(const char *event, const char *value);

int RegisterApplication(const char *name, const char *commandLine);
int RemoveApplication(const char *name);

/* Whether the event's LaunchApplications value is absent. */
int LaunchApplicationsIsAbsent(const char *event);

/* Whether the event names this application and the application is
   registered with this command line. */
int StillImageRegistrationIs(const char *event, const char *name, const char *commandLine);

#endif
