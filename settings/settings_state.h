/* What the settings window shows and decides: whether the monitor runs, the
   camera, the registered applications and, for each camera event, what is
   chosen, what it starts, and what Apply writes. All of it is read and
   written with hxmonctl's own readers and "use", which are the monitor's
   own camera rule and lookup. No window is touched here: the host tests
   compile this file as it is. */
#ifndef HX_SETTINGS_STATE_H
#define HX_SETTINGS_STATE_H

#include "readers.h"

/* The items of an event's drop-down besides the registered applications,
   whose item is their index in the application list. */
#define ITEM_DEFAULT ((LPARAM)-1)
#define ITEM_UNUSABLE ((LPARAM)-2) /* a name the monitor cannot use */

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

CTL_DECLS_BEGIN

/* Reads everything anew; the state's earlier list is freed. */
void ReadSettingsState(SettingsState *state);
void FreeSettingsState(SettingsState *state);

/* Reads the application list anew, the rest kept. */
void ReadApplications(SettingsState *state);

/* Whether there is a driver key to write the choices under; when there is
   not, why, in the window's words (NULL when there is). */
int ChoicesWritable(const SettingsState *state);
const char *WhyNotWritable(const SettingsState *state);

ChoiceKind KindOfChoice(const SettingsState *state, CameraEvent event);

/* The item that stands for what the registry holds now: an application
   whose command is too long is in the list; a name that is not is not. */
LPARAM SavedItem(const SettingsState *state, CameraEvent event);

/* The registered application an item stands for; NULL for the others. */
const RegisteredApplication *ItemApplication(const SettingsState *state, LPARAM item);

/* The item of the application of this name, else `otherwise`. */
LPARAM ItemNamed(const SettingsState *state, const char *name, LPARAM otherwise);

/* The command line the event starts with this item chosen, into a MAX_PATH
   buffer: what it starts now for the saved item (returns 1), and what it
   would start after Apply for another (returns 0). */
int ItemCommand(const SettingsState *state, CameraEvent event, LPARAM item, char *command);

/* Whether process creation would find the command's program, in the
   window's words, into a SAY_LINE buffer. Returns 1 when found. */
int DescribeProgram(const char *command, char *words);

/* Writes, through "use", each event whose chosen item is not the saved
   one, and reads the state anew. Returns 1 when everything that changed
   was written; otherwise 0, with the registry as it was and the reason in
   the window's words in message (SAY_LINE). */
int ApplyChoices(SettingsState *state, const LPARAM chosen[EVENT_COUNT], char *message);

CTL_DECLS_END

#endif
