/* Changing the registry so that a failure part-way can be undone: keys are
   created one level at a time and each level made is remembered. */
#ifndef HX_REGISTRY_CHANGE_H
#define HX_REGISTRY_CHANGE_H

#include "report_text.h"

#define CHANGE_DEPTH 8

/* The keys one CreateKeyPath made, deepest last. */
typedef struct CreatedKeys {
    HKEY parent;              /* not owned */
    char path[MAX_PATH];
    DWORD ends[CHANGE_DEPTH]; /* where each created level's path ends */
    DWORD count;
} CreatedKeys;

#ifdef __cplusplus
extern "C" {
#endif

/* Opens an existing key to read and change it. */
LONG OpenKeyToChange(HKEY parent, const char *path, HKEY *key);

/* Opens the key at path under parent to read and change it, creating the
   levels that are missing; *created records them. */
LONG CreateKeyPath(HKEY parent, const char *path, HKEY *key, CreatedKeys *created);

/* Deletes what CreateKeyPath made, deepest first. Returns the first error,
   or ERROR_SUCCESS. */
LONG RemoveCreatedKeys(CreatedKeys *created);

/* Stores text as REG_SZ, with its terminator. */
LONG SetTextValue(HKEY key, const char *name, const char *text);

/* Says why a change of HKLM\path was refused and returns the result code:
   CHOICE_NOT_ADMIN for a denied open, CHOICE_FAILED otherwise. */
int SayChangeRefused(Report *report, LONG status, const char *path);

#ifdef __cplusplus
}
#endif

#endif
