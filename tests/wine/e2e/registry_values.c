#include "registry_values.h"

static HKEY OpenKey(REGSAM view, const char *path)
{
    HKEY key;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return NULL;
    return key;
}

int ReadRegistryText(REGSAM view, const char *path, const char *name, char *text, DWORD size)
{
    HKEY key = OpenKey(view, path);
    DWORD type = 0, bytes = size - 1;
    LONG result;

    text[0] = '\0';
    if (!key)
        return 0;
    result = RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return 0;
    text[bytes] = '\0';
    return 1;
}

int ReadRegistryNumber(REGSAM view, const char *path, const char *name, DWORD *number)
{
    HKEY key = OpenKey(view, path);
    DWORD type = 0, bytes = sizeof(*number);
    LONG result;

    *number = 0;
    if (!key)
        return 0;
    result = RegQueryValueExA(key, name, NULL, &type, (BYTE *)number, &bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD;
}

int RegistryKeyExists(REGSAM view, const char *path)
{
    HKEY key = OpenKey(view, path);

    if (key)
        RegCloseKey(key);
    return key != NULL;
}
