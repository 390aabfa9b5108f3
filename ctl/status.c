#include "status.h"
#include "camera_driver.h"
#include "event_report.h"
#include "exit_codes.h"
#include "readers.h"
#include "running_monitor.h"

/* One line per interface; `role` is what the monitor makes of it. A camera
   is named as the device manager names it, with its path beneath. */
static void ReportInterface(Report *report, HDEVINFO hDevInfo,
                            PSP_DEVICE_INTERFACE_DATA interfaceData, const char *role)
{
    const char *shown = "(an interface whose path is too long to show)";
    char path[MAX_PATH];
    char service[MAX_PATH];
    char name[MAX_PATH];
    DWORD type;

    if (GetInterfacePath(hDevInfo, interfaceData, path))
        shown = path;
    /* The camera's service counts whatever its type; another only as text. */
    if (!ReadDeviceService(hDevInfo, interfaceData, service, sizeof(service), &type) ||
        (type != REG_SZ && role[0] == '\0')) {
        Say(report, "  %e: its service cannot be read as text", shown);
    } else if (role[0] != '\0' && ReadCameraName(hDevInfo, interfaceData, name)) {
        Say(report, "  %e: service %q%s", name, service, role);
        Say(report, "    %e", shown);
    } else {
        Say(report, "  %e: service %q%s", shown, service, role);
    }
}

/* Returns 1 when it opens. */
static int ReportControlObject(Report *report, const PresentCamera *camera)
{
    char controlPath[MAX_PATH];
    HANDLE hDevice;

    if (camera->path[0] == '\0' || !BuildControlPath(controlPath, camera->path)) {
        Say(report, "The camera's interface path is too long to open its control object:"
                    " the monitor cannot arm the camera, and nothing starts on its events.");
        return 0;
    }
    /* The monitor's own open; closed at once, with no request sent. */
    hDevice = OpenCameraObject(controlPath);
    if (hDevice == NO_HANDLE) {
        Say(report, "The camera's control object %e does not open (error %u): the monitor"
                    " cannot arm the camera, and nothing starts on its events.",
            controlPath, GetLastError());
        return 0;
    }
    CloseHandle(hDevice);
    Say(report, "The camera's control object %e opens (closed again at once; nothing was"
                " sent to the driver).", controlPath);
    return 1;
}

static void ReportDriverKey(Report *report, const DeviceMonitor *record,
                            const PresentCamera *camera)
{
    static const char *const noKey[] = {
        NULL, "device has no driver property that can be read",
        "driver property is not stored as text", "driver name is too long for a key path"};

    if (camera->keyPathState != DRIVER_KEY_PATH_BUILT)
        Say(report, "The camera's %s, so there is no driver key: every event starts its"
                    " default program.", noKey[camera->keyPathState]);
    else if (record->hDriverKey == NO_KEY)
        Say(report, "The camera's driver key HKLM\\%e does not open for reading: every event"
                    " starts its default program.", camera->keyPath);
    else
        Say(report, "The camera's driver key is HKLM\\%e; it opens for reading.",
            camera->keyPath);
}

/* Every interface present, with the role the monitor's start-up walk gives
   it: the first it takes is the camera. */
static void ReportInterfaces(Report *report, HDEVINFO hDevInfo, const GUID *classGuid,
                             LONG next)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;
    SP_DEVICE_INTERFACE_DATA laterData;
    DWORD index;
    int cameraSeen = 0;

    interfaceData.cbSize = sizeof(interfaceData);
    for (index = 0; SetupDiEnumDeviceInterfaces(hDevInfo, NULL, classGuid, index,
                                                &interfaceData);
         index++) {
        const int isCamera = (LONG)index == next;

        if (index == 0)
            Say(report, "Image-class interfaces present:");
        if (isCamera)
            next = FindStartCamera(hDevInfo, classGuid, index + 1, &laterData);
        ReportInterface(report, hDevInfo, &interfaceData,
                        !isCamera    ? ""
                        : !cameraSeen ? ": the camera"
                                     : ": another camera; the monitor serves only the first");
        cameraSeen |= isCamera;
    }
    if (index == 0)
        Say(report, "No image-class interface is present.");
}

/* Opens the present camera into the record as OpenPresentCamera does and
   says what it found. Returns 1 when the camera's control object opens. */
static int ReportCamera(Report *report, DeviceMonitor *record, PresentCamera *camera)
{
    int controlOpens;

    if (!OpenPresentCamera(camera, record)) {
        Say(report, "The image-class interfaces cannot be listed (error %u).", GetLastError());
        return 0;
    }
    ReportInterfaces(report, record->hDevInfo, &record->classGuid, camera->index);
    if (!camera->present) {
        Say(report, "No camera is present: no interface is served by %q.", CAMERA_SERVICE_NAME);
        return 0;
    }
    controlOpens = ReportControlObject(report, camera);
    ReportDriverKey(report, record, camera);
    return controlOpens;
}

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
        Say(report, "%s starts: %e", EventName(event), commands[event]);
    return camera.present && controlOpens && found ? STATUS_READY : STATUS_NOT_READY;
}
