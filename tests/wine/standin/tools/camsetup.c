/* camsetup: puts the stand-in camera into a Wine prefix and takes it out.

     camsetup install <inf>   create ROOT\IMAGE\0000 and install the driver
     camsetup remove          remove the device (handles on it stop working)
     camsetup start           start the driver again in a new Wine session
     camsetup status          print whether the camera is there

   Exit code 0 on success, 1 on failure, 2 on bad usage. */
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>
#include <initguid.h>
#include <devguid.h>
#include <stdio.h>
#include <string.h>

#include "camera_lookup.h"
#include "driver_service.h"
#include "../hxcamsim_control.h"

#define READY_TIMEOUT_MS 20000

static int Fail(const char *what)
{
    fprintf(stderr, "camsetup: %s failed, error %lu\n", what, GetLastError());
    return 1;
}

static const char *StateName(DWORD state)
{
    switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "starting";
    case SERVICE_RUNNING: return "running";
    default: return "in another state";
    }
}

/* Says what became of the driver's service when the camera is missing.
   Installing reports success even when no model in the .inf fits this
   architecture (no service at all), and under Wine a driver start can end
   without a word to the caller: it overran the service manager's time
   limit, or winedevice.exe died while loading it (see camera_lookup.c). */
static int ReportMissingCamera(const char *done)
{
    SERVICE_STATUS status;
    DWORD error;

    if (QueryCameraDriver(&status)) {
        fprintf(stderr, "camsetup: %s but the camera did not appear; the driver's service "
                "is %s (exit code %lu)%s\n", done, StateName(status.dwCurrentState),
                status.dwWin32ExitCode, status.dwCurrentState == SERVICE_STOPPED
                    ? ": its start was given up or ended" : "");
    } else {
        error = GetLastError();
        fprintf(stderr, "camsetup: %s but the camera did not appear; the driver's service "
                "cannot be queried, error %lu%s\n", done, error,
                error == ERROR_SERVICE_DOES_NOT_EXIST
                    ? " (nothing in the .inf was installed for this architecture)" : "");
    }
    return 1;
}

static int RegisterDevice(void)
{
    static const char hardwareIds[] = HXCAMSIM_HARDWARE_ID "\0";
    SP_DEVINFO_DATA device;
    HDEVINFO set;
    int ok = 0;

    set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_IMAGE, NULL);
    if (set == INVALID_HANDLE_VALUE) {
        Fail("SetupDiCreateDeviceInfoList");
        return 0;
    }
    device.cbSize = sizeof(device);
    if (!SetupDiCreateDeviceInfoA(set, HXCAMSIM_INSTANCE_ID, &GUID_DEVCLASS_IMAGE,
                                  NULL, NULL, 0, &device)) {
        /* Installed before: updating the driver starts it again. */
        ok = GetLastError() == ERROR_DEVINST_ALREADY_EXISTS;
        if (!ok)
            Fail("SetupDiCreateDeviceInfo");
    } else if (!SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                                  (const BYTE *)hardwareIds,
                                                  sizeof(hardwareIds))) {
        Fail("setting the hardware id");
    } else if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
        Fail("DIF_REGISTERDEVICE");
    } else {
        ok = 1;
    }
    SetupDiDestroyDeviceInfoList(set);
    return ok;
}

static int Install(const char *inf)
{
    char infPath[MAX_PATH];
    BOOL reboot = FALSE;

    if (!GetFullPathNameA(inf, sizeof(infPath), infPath, NULL))
        return Fail("GetFullPathName");
    if (GetFileAttributesA(infPath) == INVALID_FILE_ATTRIBUTES)
        return Fail(infPath);
    if (!RegisterDevice())
        return 1;
    if (!UpdateDriverForPlugAndPlayDevicesA(NULL, HXCAMSIM_HARDWARE_ID, infPath,
                                            INSTALLFLAG_FORCE, &reboot))
        return Fail("UpdateDriverForPlugAndPlayDevices");
    if (!WaitForCamera(1, READY_TIMEOUT_MS))
        return ReportMissingCamera("installing reported success");
    printf("camera=installed\n");
    return 0;
}

static int Remove(void)
{
    SP_DEVINFO_DATA device;
    HDEVINFO set;
    int result = 0;

    set = SetupDiCreateDeviceInfoList(NULL, NULL);
    if (set == INVALID_HANDLE_VALUE)
        return Fail("SetupDiCreateDeviceInfoList");
    device.cbSize = sizeof(device);
    if (!SetupDiOpenDeviceInfoA(set, HXCAMSIM_INSTANCE_ID, NULL, 0, &device)) {
        if (GetLastError() != ERROR_NO_SUCH_DEVINST)
            result = Fail("SetupDiOpenDeviceInfo");
    } else if (!SetupDiCallClassInstaller(DIF_REMOVE, set, &device)) {
        result = Fail("DIF_REMOVE");
    }
    SetupDiDestroyDeviceInfoList(set);
    if (result == 0)
        printf("camera=removed\n");
    return result;
}

static int Start(void)
{
    if (!StartCameraDriver())
        return Fail("starting the driver's service");
    if (!WaitForCamera(1, READY_TIMEOUT_MS))
        return ReportMissingCamera("the driver started");
    printf("camera=started\n");
    return 0;
}

static int Status(void)
{
    char path[MAX_PATH];
    char key[MAX_PATH];
    int present = FindCameraInterface(path, sizeof(path));

    printf("present=%d\n", present);
    if (present)
        printf("interface=%s\n", path);
    if (FindCameraDriverKey(key, sizeof(key)))
        printf("driver_key=%s\n", key);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "install") == 0)
        return Install(argv[2]);
    if (argc == 2 && strcmp(argv[1], "remove") == 0)
        return Remove();
    if (argc == 2 && strcmp(argv[1], "start") == 0)
        return Start();
    if (argc == 2 && strcmp(argv[1], "status") == 0)
        return Status();
    fprintf(stderr, "usage: camsetup install <inf> | remove | start | status\n");
    return 2;
}
