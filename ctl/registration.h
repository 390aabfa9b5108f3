/* Choosing what each camera event starts: the registered applications, and
   the present camera's choice for each event. hxmonctl's verbs (apps,
   register, use, unregister) and the settings window call the same
   functions. None of them touches the console: each says what it did in the
   Report and returns one of the codes below, which are also hxmonctl's exit
   codes for these verbs.

   Every change is made in the registry view this build's monitor reads (no
   view flags), and a change that fails part-way is undone before the
   function returns. */
#ifndef HX_REGISTRATION_H
#define HX_REGISTRATION_H

#include "hxmonctl.h"

#define CHOICE_DONE 0        /* changed (or, for the lists, read) */
#define CHOICE_REFUSED 4     /* the request cannot be used as given; nothing written */
#define CHOICE_NO_CAMERA 5   /* no camera present, or it has no driver key; nothing written */
#define CHOICE_NOT_ADMIN 6   /* a key does not open for writing: no administrator rights */
#define CHOICE_FAILED 7      /* the registry refused a change; what was done is undone */

/* The word that stands for the built-in default program ("*"). */
#define DEFAULT_CHOICE "default"

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
    char command[MAX_PATH];     /* the command line a press would start now */
    int registered;             /* 1: command is the registered one; 0: the default */
} EventChoice;

typedef struct CameraChoices {
    int cameraPresent;       /* the monitor's camera rule found one */
    int driverKeyOpens;      /* its driver key opens for reading */
    char cameraPath[MAX_PATH];
    EventChoice events[2];   /* indexed by CameraEvent */
} CameraChoices;

#ifdef __cplusplus
extern "C" {
#endif

/* Adds name to Registered Applications, or replaces its command. The command
   line is stored as given, except that an unquoted program path with blanks
   in it is stored quoted (and the report says so). Refused: an empty name or
   one the monitor cannot use as a single name, a command longer than the
   monitor reads, and (unless anyway is nonzero) a program that process
   creation would not find. */
int RegisterCommandLine(Report *report, const char *name, const char *commandLine, int anyway);

/* Makes the present camera's Events\<event>\LaunchApplications name a
   registered application, or "*" when name is DEFAULT_CHOICE (any case).
   Refused, with the registered names listed, when name is not registered. */
int UseApplication(Report *report, CameraEvent event, const char *name);

/* Removes name from Registered Applications; refused while an event of the
   present camera names it. */
int UnregisterApplication(Report *report, const char *name);

/* hxmonctl apps: every registered application, its command line, whether its
   program is found, and which events of the present camera name it. */
int ReportApplications(Report *report);

/* The lines hxmonctl status prints for the two events, as a press would find
   them now (printed after every change). */
void ReportEventChoices(Report *report);

/* The registered applications of this build's view; an absent key gives an
   empty list. Returns 0 when out of memory. Free with FreeApplications. */
int ListApplications(ApplicationList *list);
void FreeApplications(ApplicationList *list);

/* The present camera and what each of its events starts now. */
void ReadCameraChoices(CameraChoices *choices);

/* "SnapButton" or "NewPicture" in any letter case; 0 for anything else. */
int ParseEventName(const char *text, CameraEvent *event);

#ifdef __cplusplus
}
#endif

#endif
