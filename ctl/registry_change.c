#include "registry_change.h"
#include "exit_codes.h"

/* Reading too: the verbs look at what they change. */
#define CHANGE_ACCESS (KEY_READ | KEY_WRITE)

/* Deeper than any key the verbs create. */
#define CHANGE_DEPTH 8

/* The keys one CreateKeyPath made, deepest last. */
typedef struct CreatedKeys {
    HKEY parent;              /* not owned */
    char path[MAX_PATH];
    DWORD ends[CHANGE_DEPTH]; /* where each created level's path ends */
    DWORD count;
} CreatedKeys;

LONG OpenKeyToChange(HKEY parent, const char *path, HKEY *key)
{
    return RegOpenKeyExA(parent, path, 0, CHANGE_ACCESS, key);
}

/* Deletes what CreateKeyPath made, deepest first; the first error, if any. */
static LONG RemoveCreatedKeys(CreatedKeys *created)
{
    char prefix[MAX_PATH];
    LONG first = ERROR_SUCCESS;
    LONG status;

    while (created->count > 0) {
        created->count--;
        lstrcpynA(prefix, created->path, (int)created->ends[created->count] + 1);
        status = RegDeleteKeyA(created->parent, prefix);
        if (first == ERROR_SUCCESS)
            first = status;
    }
    return first;
}

/* Opens the key at path under parent to read and change it, creating the
   missing levels one at a time, so that each level made is known. */
static LONG CreateKeyPath(HKEY parent, const char *path, HKEY *key, CreatedKeys *created)
{
    char prefix[MAX_PATH];
    DWORD end = 0;
    DWORD disposition;
    LONG status;
    HKEY level;

    created->parent = parent;
    created->count = 0;
    lstrcpynA(created->path, path, MAX_PATH);
    *key = NULL;
    for (;;) {
        while (created->path[end] == '\\')
            end++;
        while (created->path[end] != '\0' && created->path[end] != '\\')
            end++;
        /* Each level from the parent, named by the path's prefix. */
        lstrcpynA(prefix, created->path, (int)end + 1);
        status = RegCreateKeyExA(parent, prefix, 0, NULL, REG_OPTION_NON_VOLATILE,
                                 CHANGE_ACCESS, NULL, &level, &disposition);
        if (status != ERROR_SUCCESS) {
            RemoveCreatedKeys(created);
            return status;
        }
        if (disposition == REG_CREATED_NEW_KEY && created->count < CHANGE_DEPTH)
            created->ends[created->count++] = end;
        if (created->path[end] == '\0' || created->path[end + 1] == '\0') {
            *key = level;
            return ERROR_SUCCESS;
        }
        RegCloseKey(level);
    }
}

/* As REG_SZ, with its terminator. */
static LONG SetTextValue(HKEY key, const char *name, const char *text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text) + 1);
}

int WriteTextValue(Report *report, HKEY parent, const char *subkey, const char *shownPath,
                   const char *name, const char *text)
{
    CreatedKeys created;
    HKEY hKey;
    LONG status;
    LONG undone;

    status = CreateKeyPath(parent, subkey, &hKey, &created);
    if (status != ERROR_SUCCESS)
        return SayChangeRefused(report, status, shownPath);
    status = SetTextValue(hKey, name, text);
    RegCloseKey(hKey);
    if (status == ERROR_SUCCESS)
        return CHOICE_DONE;
    undone = RemoveCreatedKeys(&created);
    if (undone == ERROR_SUCCESS)
        return SayChangeRefused(report, status, shownPath);
    Say(report, "HKLM\\%e could not be changed (error %u), and a key made for the change could"
                " not be removed again (error %u).", shownPath, (DWORD)status, (DWORD)undone);
    return CHOICE_FAILED;
}

int SayChangeRefused(Report *report, LONG status, const char *path)
{
    if (status == ERROR_ACCESS_DENIED) {
        Say(report, "HKLM\\%e cannot be changed without administrator rights: run from an"
                    " elevated prompt. Nothing was changed.", path);
        return CHOICE_NOT_ADMIN;
    }
    Say(report, "HKLM\\%e could not be changed (error %u). Nothing was changed.", path,
        (DWORD)status);
    return CHOICE_FAILED;
}
