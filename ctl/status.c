#include "hxmonctl.h"
#include "monitor.h"

int ReportStatus(Report *report)
{
    /* Too large for the stack of a program without a C runtime. */
    static SearchPlaces places;
    HWND window = FindWindowA(MONITOR_CLASS_NAME, NULL);
    DeviceMonitor record;
    CameraFinding camera;
    char snapCommand[MAX_PATH];
    char pictureCommand[MAX_PATH];
    int snapFound;
    int pictureFound;
    DWORD pid = 0;

    if (window == NULL) {
        Say(report, "The monitor is not running: nothing starts until it does.");
    } else {
        GetWindowThreadProcessId(window, &pid);
        Say(report, "The monitor is running (process %u).", pid);
    }
    InitDeviceMonitor(&record);
    ReportCamera(report, &record, &camera);
    FindSearchPlaces(&places);
    snapFound = ReportCameraEvent(report, &record, SnapButton, &places, snapCommand);
    pictureFound = ReportCameraEvent(report, &record, NewPicture, &places, pictureCommand);
    if (record.hDriverKey != NO_KEY)
        RegCloseKey(record.hDriverKey);
    if (record.hDevInfo != NO_HANDLE)
        SetupDiDestroyDeviceInfoList(record.hDevInfo);

    /* The fixed lines scripts read. */
    Say(report, "");
    if (window != NULL)
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
    ClearReport(report);
    if (argc < 2 || (argc == 2 && lstrcmpiA(argv[1], "status") == 0))
        return ReportStatus(report);
    if (argc == 2 && lstrcmpiA(argv[1], "close") == 0)
        return CloseRunningMonitor(report, CLOSE_TIMEOUT_MS);
    Say(report, "usage: hxmonctl [status | close]");
    Say(report, "  status  what the monitor would start for each camera event, and why"
                " (exit 0 when the camera is there and both programs are found)");
    Say(report, "  close   ask the running monitor to close (exit 0 closed, 1 none running,"
                " 2 still running after %u s, %u it runs with higher rights: use an elevated"
                " prompt, or log off)", (DWORD)(CLOSE_TIMEOUT_MS / 1000), (DWORD)CLOSE_REFUSED);
    return CTL_USAGE;
}
