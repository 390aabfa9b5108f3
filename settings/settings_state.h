/* What the settings window shows: whether the monitor runs, the camera,
   the registered applications and, for each camera event, what is chosen
   and what a press starts. All of it is read with hxmonctl's own code,
   which is the monitor's own camera rule and lookup. */
#ifndef HX_SETTINGS_STATE_H
#define HX_SETTINGS_STATE_H

#include "registration.h"
#include "application_list.h"
#include "hxmonctl.h"

#define EVENT_COUNT 2
#define SAY_LINE 1024

/* What an event's "LaunchApplications" amounts to. */
typedef enum ChoiceKind {
    CHOICE_DEFAULT = 0,  /* nothing, or "*": the default program */
    CHOICE_APPLICATION,  /* a registered application */
    CHOICE_UNUSABLE      /* a name the monitor cannot use: the default starts */
} ChoiceKind;

typedef struct SettingsState {
    DWORD monitorPid;       /* 0 when the monitor is not running */
    CameraChoices camera;
    ApplicationList apps;
} SettingsState;

#ifdef __cplusplus
extern "C" {
#endif

/* Reads everything anew; the state's earlier list is freed. */
void ReadSettingsState(SettingsState *state);
void FreeSettingsState(SettingsState *state);

/* Reads the application list anew, the rest kept. */
void ReadApplications(SettingsState *state);

/* Whether there is a driver key to write the choices under. */
int ChoicesWritable(const SettingsState *state);

ChoiceKind KindOfChoice(const SettingsState *state, CameraEvent event);

/* The event's default command line ("hxAMCap.exe", "hxCap.exe"), the
   monitor's own, into a MAX_PATH buffer. */
void DefaultCommand(CameraEvent event, char *command);

/* Whether process creation would find the command's program, in the words
   of "hxmonctl status", into a SAY_LINE buffer. Returns 1 when found. */
int DescribeProgram(const char *command, char *words);

/* The first line of a report, without its indent, into a SAY_LINE buffer. */
void FirstReportLine(const Report *report, char *line);

#ifdef __cplusplus
}
#endif

#endif
