#include "still_image_registry.h"
#include "camera_lookup.h"
#include "registry_values.h"

#include <windows.h>
#include <sti.h>
#include <stdio.h>
#include <string.h>

#define REGISTERED_APPLICATIONS \
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\StillImage\\Registered Applications"

static int EventKeyPath(const char *event, char *path, DWORD size)
{
    char driverKey[MAX_PATH];

    if (!FindCameraDriverKey(driverKey, sizeof(driverKey)))
        return 0;
    return _snprintf(path, size, "%s\\Events\\%s", driverKey, event) > 0;
}

static int SetText(const char *keyPath, const char *name, const char *value)
{
    HKEY key;
    LONG result;

    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, NULL, 0, KEY_WRITE, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return 0;
    result = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value,
                            (DWORD)lstrlenA(value) + 1);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

/* By its wide name: imaging software names itself in any language. */
static int DeleteText(const char *keyPath, const WCHAR *name)
{
    HKEY key;
    LONG result;

    result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_WRITE, &key);
    if (result == ERROR_FILE_NOT_FOUND)
        return 1;
    if (result != ERROR_SUCCESS)
        return 0;
    result = RegDeleteValueW(key, name);
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

static int TextIs(const char *keyPath, const char *name, const char *expected)
{
    char text[MAX_PATH];

    return ReadRegistryText(0, keyPath, name, text, sizeof(text)) && strcmp(text, expected) == 0;
}

int ClearStillImageRegistration(void)
{
    char path[MAX_PATH];
    int ok = 1;

    ok &= EventKeyPath("SnapButton", path, sizeof(path)) &&
          DeleteText(path, L"LaunchApplications");
    ok &= EventKeyPath("NewPicture", path, sizeof(path)) &&
          DeleteText(path, L"LaunchApplications");
    ok &= DeleteText(REGISTERED_APPLICATIONS, L"" TEST_APPLICATION);
    ok &= DeleteText(REGISTERED_APPLICATIONS, WIDE_APPLICATION);
    return ok;
}

int SetLaunchApplications(const char *event, const char *value)
{
    char path[MAX_PATH];

    return EventKeyPath(event, path, sizeof(path)) &&
           SetText(path, "LaunchApplications", value);
}

int RegisterApplication(const char *name, const char *commandLine)
{
    return SetText(REGISTERED_APPLICATIONS, name, commandLine);
}

int LaunchApplicationsIsAbsent(const char *event)
{
    char path[MAX_PATH];
    char text[MAX_PATH];

    return EventKeyPath(event, path, sizeof(path)) &&
           !ReadRegistryText(0, path, "LaunchApplications", text, sizeof(text));
}

int RemoveApplication(const char *name)
{
    WCHAR wide[MAX_PATH];

    return MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH) &&
           DeleteText(REGISTERED_APPLICATIONS, wide);
}

int StillImageRegistrationIs(const char *event, const char *name, const char *commandLine)
{
    char path[MAX_PATH];

    return EventKeyPath(event, path, sizeof(path)) &&
           TextIs(path, "LaunchApplications", name) &&
           TextIs(REGISTERED_APPLICATIONS, name, commandLine);
}

/* sti.dll is loaded when needed: the 32-bit toolchain has no import
   library for it. */
typedef HRESULT(WINAPI *STI_CREATE)(HINSTANCE, DWORD, IStillImageW **, LPUNKNOWN);

int RegisterThroughStillImage(const WCHAR *name, const WCHAR *commandLine)
{
    WCHAR nameCopy[MAX_PATH], commandCopy[MAX_PATH];
    HMODULE library = LoadLibraryA("sti.dll");
    STI_CREATE create;
    IStillImageW *sti = NULL;
    HRESULT result = E_FAIL;

    if (!library)
        return 0;
    lstrcpynW(nameCopy, name, MAX_PATH);
    lstrcpynW(commandCopy, commandLine, MAX_PATH);
    create = (STI_CREATE)(void (*)(void))GetProcAddress(library, "StiCreateInstanceW");
    if (create && SUCCEEDED(create(GetModuleHandleW(NULL), STI_VERSION, &sti, NULL))) {
        result = IStillImage_RegisterLaunchApplication(sti, nameCopy, commandCopy);
        IStillImage_Release(sti);
    }
    FreeLibrary(library);
    return SUCCEEDED(result);
}

int SetLaunchApplicationsWide(const char *event, const WCHAR *name)
{
    char path[MAX_PATH];
    WCHAR widePath[MAX_PATH];

    return EventKeyPath(event, path, sizeof(path)) &&
           MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH) &&
           RegSetKeyValueW(HKEY_LOCAL_MACHINE, widePath, L"LaunchApplications", REG_SZ, name,
                           (DWORD)(lstrlenW(name) + 1) * sizeof(WCHAR)) == ERROR_SUCCESS;
}
