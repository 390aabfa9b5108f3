#include "registry_change.h"
#include "registration.h"

/* Reading too: the verbs look at what they change. */
#define CHANGE_ACCESS (KEY_READ | KEY_WRITE)

LONG OpenKeyToChange(HKEY parent, const char *path, HKEY *key)
{
    return RegOpenKeyExA(parent, path, 0, CHANGE_ACCESS, key);
}

LONG CreateKeyPath(HKEY parent, const char *path, HKEY *key, CreatedKeys *created)
{
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
        /* Each level from the parent, so that the path's prefix names it. */
        {
            char prefix[MAX_PATH];
            lstrcpynA(prefix, created->path, (int)end + 1);
            status = RegCreateKeyExA(parent, prefix, 0, NULL, REG_OPTION_NON_VOLATILE,
                                     CHANGE_ACCESS, NULL, &level, &disposition);
        }
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

LONG RemoveCreatedKeys(CreatedKeys *created)
{
    LONG first = ERROR_SUCCESS;
    LONG status;

    while (created->count > 0) {
        char prefix[MAX_PATH];

        created->count--;
        lstrcpynA(prefix, created->path, (int)created->ends[created->count] + 1);
        status = RegDeleteKeyA(created->parent, prefix);
        if (first == ERROR_SUCCESS)
            first = status;
    }
    return first;
}

LONG SetTextValue(HKEY key, const char *name, const char *text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)lstrlenA(text) + 1);
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
