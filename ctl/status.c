#include "hxmonctl.h"
#include "camera_report.h"
#include "event_report.h"
#include "monitor.h"

/* Writes the first line of the report; returns the monitor's process id,
   or 0 when it is not running. */
static DWORD ReportMonitor(Report *report)
{
    HWND window = FindWindowA(MONITOR_CLASS_NAME, NULL);
    DWORD pid = 0;

    if (window == NULL) {
        Say(report, "The monitor is not running: nothing starts until it does.");
        return 0;
    }
    GetWindowThreadProcessId(window, &pid);
    Say(report, "The monitor is running (process %u).", pid);
    return pid;
}

static void ReleaseRecord(DeviceMonitor *record)
{
    if (record->hDriverKey != NO_KEY)
        RegCloseKey(record->hDriverKey);
    if (record->hDevInfo != NO_HANDLE)
        SetupDiDestroyDeviceInfoList(record->hDevInfo);
    record->hDriverKey = NO_KEY;
    record->hDevInfo = NO_HANDLE;
}

int ReportStatus(Report *report)
{
    DeviceMonitor record;
    CameraFinding camera;
    SearchPlaces places;
    char snapCommand[MAX_PATH];
    char pictureCommand[MAX_PATH];
    int snapFound;
    int pictureFound;
    DWORD pid;

    pid = ReportMonitor(report);
    InitDeviceMonitor(&record);
    ReportCamera(report, &record, &camera);
    if (!OpenSearchPlaces(&places)) {
        ReleaseRecord(&record);
        Say(report, "Out of memory.");
        return 1;
    }
    snapFound = ReportCameraEvent(report, &record, SnapButton, &places, snapCommand);
    pictureFound = ReportCameraEvent(report, &record, NewPicture, &places, pictureCommand);
    CloseSearchPlaces(&places);
    ReleaseRecord(&record);

    /* The fixed lines scripts read. */
    Say(report, "");
    if (pid != 0)
        Say(report, "monitor: running (pid %u)", pid);
    else
        Say(report, "monitor: not running");
    if (camera.present)
        Say(report, "camera: present %e", camera.path);
    else
        Say(report, "camera: not found");
    Say(report, "SnapButton starts: %e", snapCommand);
    Say(report, "NewPicture starts: %e", pictureCommand);
    return camera.present && camera.controlOpens && snapFound && pictureFound ? 0 : 1;
}

int RunCtl(int argc, char **argv, Report *report)
{
    int code;

    ClearReport(report);
    if (argc < 2 || (argc == 2 && lstrcmpiA(argv[1], "status") == 0))
        return ReportStatus(report);
    if (argc == 2 && lstrcmpiA(argv[1], "close") == 0)
        return CloseRunningMonitor(report, CLOSE_TIMEOUT_MS);
    code = RunRegistrationVerb(argc, argv, report);
    if (code >= 0)
        return code;
    Say(report, "usage: hxmonctl [status | close | apps | register [--anyway] NAME COMMAND-LINE"
                " | use EVENT NAME|default | unregister NAME]");
    Say(report, "  status      what the monitor would start for each camera event, and why"
                " (exit 0 when the camera is there and both programs are found, 1 otherwise)");
    Say(report, "  close       ask the running monitor to close (exit 0 closed, 1 none running,"
                " 2 still running after %u s, %u it runs with higher rights: use an elevated"
                " prompt, or log off)", (DWORD)(CLOSE_TIMEOUT_MS / 1000), (DWORD)CLOSE_REFUSED);
    Say(report, "  apps        the registered applications, whether their programs are found,"
                " and which events of the camera name them (exit 0)");
    Say(report, "  register    register NAME to start COMMAND-LINE, taken as typed; --anyway"
                " registers a program that is not found");
    Say(report, "  use         make the camera's EVENT (SnapButton or NewPicture) start NAME,"
                " or its default program");
    Say(report, "  unregister  remove NAME, unless an event of the camera names it");
    Say(report, "  register, use and unregister exit with 0 when changed, 4 when refused, 5 when"
                " no camera is present (use), 6 without administrator rights, 7 when the"
                " registry refused the change (it is undone)");
    Say(report, "  anything else shows this and exits with 3");
    return CTL_USAGE;
}
