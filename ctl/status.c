#include "status.h"
#include "camera_report.h"
#include "event_report.h"
#include "exit_codes.h"
#include "running_monitor.h"

int RunStatus(int argc, char **argv, Report *report)
{
    /* Too large for the stack of a program without a C runtime. */
    static SearchPlaces places;
    char commands[EVENT_COUNT][MAX_PATH];
    int found = 1;
    int controlOpens;
    PresentCamera camera;
    DeviceMonitor record;
    DWORD pid;
    HWND window = FindRunningMonitor(&pid);
    int event;

    (void)argc;
    (void)argv;
    if (window == NULL)
        Say(report, "The monitor is not running: nothing starts until it does.");
    else
        Say(report, "The monitor is running (process %u).", pid);
    controlOpens = ReportCamera(report, &record, &camera);
    FindSearchPlaces(&places);
    for (event = 0; event < EVENT_COUNT; event++)
        found &= ReportCameraEvent(report, &record, (CameraEvent)event, &places, commands[event]);
    ClosePresentCamera(&record);

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
    for (event = 0; event < EVENT_COUNT; event++)
        Say(report, "%s starts: %e", EventTable[event].name, commands[event]);
    return camera.present && controlOpens && found ? STATUS_READY : STATUS_NOT_READY;
}
