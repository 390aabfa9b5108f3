/* Changing the registry so that a failure part-way leaves it as it was. */
#ifndef HX_REGISTRY_CHANGE_H
#define HX_REGISTRY_CHANGE_H

#include "report_text.h"

CTL_DECLS_BEGIN

/* Opens an existing key to read and change it. */
LONG OpenKeyToChange(HKEY parent, const char *path, HKEY *key);

/* Sets a text value in the key at subkey under parent, creating the key's
   missing levels; when the value cannot be set, the levels made are removed
   again. shownPath names the key (under HKLM) in the report, which says why
   a change was refused. Returns a CHOICE_ code. */
int WriteTextValue(Report *report, HKEY parent, const char *subkey, const char *shownPath,
                   const char *name, const char *text);

/* Says why a change of HKLM\path was refused and returns the result code:
   CHOICE_NOT_ADMIN for a denied open, CHOICE_FAILED otherwise. */
int SayChangeRefused(Report *report, LONG status, const char *path);

CTL_DECLS_END

#endif
