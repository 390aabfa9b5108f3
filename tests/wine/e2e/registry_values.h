/* Values under HKEY_LOCAL_MACHINE as one registry view shows them. */
#ifndef HXE2E_REGISTRY_VALUES_H
#define HXE2E_REGISTRY_VALUES_H

#include <windows.h>

/* view: 0 for the test's own, or KEY_WOW64_32KEY / KEY_WOW64_64KEY (the
   view a package writes). A text (REG_SZ, terminated within size) and a
   number (REG_DWORD); each returns 1 when the value exists with that type. */
int ReadRegistryText(REGSAM view, const char *key, const char *name, char *text, DWORD size);
int ReadRegistryNumber(REGSAM view, const char *key, const char *name, DWORD *number);
int RegistryKeyExists(REGSAM view, const char *key);

#endif
