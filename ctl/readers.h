/* What hxmonctl's verbs and the settings window read, as structures: the
   camera the monitor would take, the registered applications, and what each
   of the camera's events names and starts. The verbs put these in
   sentences; the window in its labels. All of it is read with the monitor's
   own camera rule, driver key open and lookup. */
#ifndef HX_READERS_H
#define HX_READERS_H

#include "ctl_decls.h"
#include "device.h"
#include "launch_event.h"

/* The first present image-class interface served by the camera's driver,
   by the monitor's rule at start. */
typedef struct PresentCamera {
    int present;
    LONG index;                 /* its place in the record's set; -1 when none */
    char path[MAX_PATH];        /* its interface path; empty when too long */
    char name[MAX_PATH];        /* what people know it by; empty when it has none */
    DriverKeyPath keyPathState; /* DRIVER_KEY_PATH_BUILT when keyPath holds it */
    char keyPath[MAX_PATH];     /* its driver key, relative to HKEY_LOCAL_MACHINE */
} PresentCamera;

/* One registered application, as the monitor would read it. */
typedef struct RegisteredApplication {
    char name[MAX_PATH];
    char command[MAX_PATH]; /* empty when the monitor could not read it */
    int commandTooLong;     /* its command with a terminator needs more than MAX_PATH bytes */
} RegisteredApplication;

typedef struct ApplicationList {
    RegisteredApplication *items; /* on the process heap; NULL when empty */
    DWORD count;
} ApplicationList;

/* One event of the present camera. */
typedef struct EventChoice {
    char application[MAX_PATH]; /* LaunchApplications as read: a name, "*", or "" */
    char command[MAX_PATH];     /* the command line the event would start now */
    int registered;             /* 1: command is the registered one; 0: the default */
} EventChoice;

typedef struct CameraChoices {
    PresentCamera camera;
    int driverKeyOpens;      /* its driver key opens for reading */
    EventChoice events[EVENT_COUNT];
} CameraChoices;

CTL_DECLS_BEGIN

/* Fills a record as the monitor would hold the present camera: hDevInfo
   the set of present image-class interfaces and, for a camera whose driver
   key opens, hDriverKey. Returns 0, with the platform's last error left as
   it was, when the set cannot be made. Release with ClosePresentCamera. */
int OpenPresentCamera(PresentCamera *camera, DeviceMonitor *record);
void ClosePresentCamera(DeviceMonitor *record);

/* The name the device manager shows for the interface's device: its
   friendly name, or else its device description, as non-empty text that
   fits MAX_PATH. Returns 0, with name empty, when it has neither. */
int ReadCameraName(HDEVINFO hDevInfo, PSP_DEVICE_INTERFACE_DATA interfaceData, char *name);

/* The registered applications of this build's registry view; an absent key
   gives an empty list. Returns 0 when out of memory. Free with
   FreeApplications. */
int ListApplications(ApplicationList *list);
void FreeApplications(ApplicationList *list);

/* The application of this name, compared as the registry compares value
   names (without regard to case); NULL when there is none. */
const RegisteredApplication *FindApplication(const ApplicationList *list, const char *name);

/* The present camera and what each of its events starts now. */
void ReadCameraChoices(CameraChoices *choices);

CTL_DECLS_END

#endif
