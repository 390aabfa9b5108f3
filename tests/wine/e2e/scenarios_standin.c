/* The test equipment itself: the stand-in driver keeps the contract the
   monitor relies on, and the stand-in programs' probes can answer both
   ways, so the product scenarios' checks can fail. */
#include "scenarios.h"
#include "scenario.h"
#include "harness.h"
#include "camera_record.h"
#include "camera_lookup.h"
#include "launch_log.h"

#include <dbt.h>
#include <stdio.h>
#include <string.h>

#define IOCTL_CAMERA_SET_EVENTS 0x8160205CUL
#define REPLUGS 5

static BOOL SetEvents(HANDLE camera, DWORD first, DWORD second, DWORD inSize, DWORD outSize)
{
    DWORD input[3] = { first, second, 0 };
    DWORD output[2];
    DWORD returned;

    return DeviceIoControl(camera, IOCTL_CAMERA_SET_EVENTS, input, inSize,
                           outSize ? output : NULL, outSize, &returned, NULL);
}

static void CheckDriverContract(void)
{
    char path[MAX_PATH + 8];
    HANDLE camera, snap, picture;
    CameraRecord record;
    int arm;

    Check(FindCameraInterface(path, MAX_PATH), "an image interface served by RUdiDOVUDIRUR");
    strcat(path, "\\GLOBAL");
    camera = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (!Check(camera != INVALID_HANDLE_VALUE, "\"<interface path>\\GLOBAL\" opens"))
        return;
    snap = CreateEventA(NULL, FALSE, FALSE, NULL);
    picture = CreateEventA(NULL, FALSE, FALSE, NULL);

    Check(!SetEvents(camera, (DWORD)(ULONG_PTR)snap, (DWORD)(ULONG_PTR)picture, 4, 0),
          "a 4-byte request is refused");
    Check(!SetEvents(camera, (DWORD)(ULONG_PTR)snap, (DWORD)(ULONG_PTR)picture, 12, 0),
          "a 12-byte request is refused");
    Check(!SetEvents(camera, (DWORD)(ULONG_PTR)snap, (DWORD)(ULONG_PTR)picture, 8, 8),
          "a request with an output buffer is refused");
    PressButton();
    Check(WaitForSingleObject(snap, 0) == WAIT_TIMEOUT, "refused requests armed nothing");

    Check(SetEvents(camera, (DWORD)(ULONG_PTR)snap, (DWORD)(ULONG_PTR)picture, 8, 0),
          "the 8-byte arm request is accepted");
    PressButton();
    Check(WaitForSingleObject(snap, E2E_TIMEOUT_MS) == WAIT_OBJECT_0 &&
              WaitForSingleObject(picture, 0) == WAIT_TIMEOUT,
          "a press sets the snapshot event only");
    ReportNewPicture();
    Check(WaitForSingleObject(picture, E2E_TIMEOUT_MS) == WAIT_OBJECT_0 &&
              WaitForSingleObject(snap, 0) == WAIT_TIMEOUT,
          "a new picture sets the picture event only");

    Check(SetEvents(camera, 0, (DWORD)(ULONG_PTR)picture, 8, 0), "the disarm request is accepted");
    PressButton();
    ReportNewPicture();
    Check(WaitForSingleObject(snap, 0) == WAIT_TIMEOUT &&
              WaitForSingleObject(picture, 0) == WAIT_TIMEOUT,
          "after disarming, no event is set");

    CloseHandle(camera);
    ReadRecord(&record);
    Check(record.rejected == 3 && record.arms == 1 && record.disarms == 1,
          "the record counts 3 refused, 1 arm, 1 disarm (got %u, %u, %u)", record.rejected,
          record.arms, record.disarms);
    arm = FindEvent(&record, "arm", GetCurrentProcessId(), 0);
    Check(arm >= 0 && record.events[arm].first == (DWORD)(ULONG_PTR)snap &&
              record.events[arm].second == (DWORD)(ULONG_PTR)picture,
          "the record names the requesting process and the handle values");
    CloseHandle(snap);
    CloseHandle(picture);
}

static int StartStandIn(const char *program, BOOL inherit, DWORD flags)
{
    char path[MAX_PATH];
    STARTUPINFOA startup;
    PROCESS_INFORMATION info;

    _snprintf(path, sizeof(path), "%s\\%s", WindowsDirectory(), program);
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessA(path, NULL, NULL, NULL, inherit, flags, NULL, START_DIRECTORY,
                        &startup, &info))
        return 0;
    WaitForSingleObject(info.hProcess, E2E_TIMEOUT_MS);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return 1;
}

static void CheckLaunchProbes(void)
{
    LaunchLog log;
    const Launch *launch;

    Check(StartStandIn("hxTestApp.exe", TRUE, CREATE_NEW_CONSOLE),
          "a stand-in program starts with handles passed on and a console of its own");
    Check(StartStandIn("hxCap.exe", FALSE, DETACHED_PROCESS),
          "a stand-in program starts detached, inheriting nothing");
    WaitForLaunches(2, &log);

    launch = FindLaunch(&log, "hxTestApp.exe");
    if (Check(launch != NULL, "the first one wrote its line"))
        Check(strcmp(launch->console, "yes") == 0 && strcmp(launch->inherited, "yes") == 0 &&
                  launch->parent == GetCurrentProcessId() &&
                  lstrcmpiA(launch->cwd, START_DIRECTORY) == 0,
              "it saw a console, the inherited probe, its starter and its directory "
              "(console=%s inherited=%s parent=%u cwd=%s)",
              launch->console, launch->inherited, launch->parent, launch->cwd);
    launch = FindLaunch(&log, "hxCap.exe");
    if (Check(launch != NULL, "the second one wrote its line"))
        Check(strcmp(launch->console, "no") == 0 && strcmp(launch->inherited, "no") == 0,
              "it saw no console and no probe (console=%s inherited=%s)", launch->console,
              launch->inherited);
}

/* A listener that opens the camera the moment its arrival is announced. */
static struct {
    HANDLE arrived;
    HANDLE removed;
    LONG arrivals;
    LONG opened;
} listener;

static void OpenOnArrival(const DEV_BROADCAST_DEVICEINTERFACE_A *broadcast)
{
    char path[MAX_PATH + 8];
    HANDLE camera;

    /* Wine sends the wide form even to 8-bit windows. */
    if (broadcast->dbcc_name[0] && !broadcast->dbcc_name[1])
        WideCharToMultiByte(CP_ACP, 0, (const WCHAR *)broadcast->dbcc_name, -1, path,
                            MAX_PATH, NULL, NULL);
    else
        lstrcpynA(path, broadcast->dbcc_name, MAX_PATH);
    strcat(path, "\\GLOBAL");
    camera = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    InterlockedIncrement(&listener.arrivals);
    if (camera != INVALID_HANDLE_VALUE) {
        InterlockedIncrement(&listener.opened);
        CloseHandle(camera);
    }
}

static LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const DEV_BROADCAST_HDR *header = (const DEV_BROADCAST_HDR *)lParam;

    if (message == WM_DEVICECHANGE && header &&
        header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        if (wParam == DBT_DEVICEARRIVAL) {
            OpenOnArrival((const DEV_BROADCAST_DEVICEINTERFACE_A *)header);
            SetEvent(listener.arrived);
        } else if (wParam == DBT_DEVICEREMOVECOMPLETE) {
            SetEvent(listener.removed);
        }
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static DWORD WINAPI Replug(void *unused)
{
    int i;

    (void)unused;
    for (i = 0; i < REPLUGS; i++) {
        if (!UnplugCamera() || WaitForSingleObject(listener.removed, E2E_TIMEOUT_MS) ||
            !PlugCamera() || WaitForSingleObject(listener.arrived, E2E_TIMEOUT_MS))
            return 1;
    }
    return 0;
}

/* Device notifications reach the window's thread as sent messages, so it
   pumps while another thread plugs and unplugs. */
static void PumpUntilDone(HANDLE thread)
{
    MSG message;

    while (MsgWaitForMultipleObjects(1, &thread, FALSE, E2E_TIMEOUT_MS, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
}

static void CheckOpenableWhenAnnounced(void)
{
    static const GUID imageClass = { 0x6bdd1fc6, 0x810f, 0x11d0,
                                     { 0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f } };
    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    WNDCLASSEXA windowClass;
    HDEVNOTIFY notify;
    HWND window;
    HANDLE thread;
    DWORD result = 1;

    memset(&windowClass, 0, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ListenerProc;
    windowClass.lpszClassName = "hxe2eListener";
    RegisterClassExA(&windowClass);
    window = CreateWindowExA(0, "hxe2eListener", "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                             CW_USEDEFAULT, 0, NULL, NULL, NULL, NULL);
    memset(&filter, 0, sizeof(filter));
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = imageClass;
    notify = window ? RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE)
                    : NULL;
    if (!Check(notify != NULL, "a window listens for image interfaces"))
        return;
    listener.arrived = CreateEventA(NULL, FALSE, FALSE, NULL);
    listener.removed = CreateEventA(NULL, FALSE, FALSE, NULL);
    LetNotificationsRegister();

    thread = CreateThread(NULL, 0, Replug, NULL, 0, NULL);
    if (thread) {
        PumpUntilDone(thread);
        WaitForSingleObject(thread, E2E_TIMEOUT_MS);
        GetExitCodeThread(thread, &result);
        CloseHandle(thread);
    }
    Check(result == 0, "the camera was unplugged and plugged in %d times, each announced",
          REPLUGS);
    Check(listener.arrivals == REPLUGS && listener.opened == REPLUGS,
          "every arrival could open \"<path>\\GLOBAL\" at once (%ld of %ld)",
          listener.opened, listener.arrivals);

    UnregisterDeviceNotification(notify);
    DestroyWindow(window);
    CloseHandle(listener.arrived);
    CloseHandle(listener.removed);
}

void ScenarioStandInEquipment(void)
{
    if (!BeginScenario(1))
        return;
    Step("the driver keeps the control-request contract");
    CheckDriverContract();
    Step("the stand-in programs tell how they were started");
    CheckLaunchProbes();
    Step("the camera can be opened as soon as its arrival is announced");
    CheckOpenableWhenAnnounced();
}
