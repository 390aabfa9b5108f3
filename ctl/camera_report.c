#include "hxmonctl.h"
#include "camera_driver.h"
#include "device.h"

/* One line per interface; `role` is what the monitor makes of it. */
static void ReportInterface(Report *report, HDEVINFO hDevInfo,
                            PSP_DEVICE_INTERFACE_DATA interfaceData, const char *role,
                            char *path)
{
    const char *shown = path;
    char service[MAX_PATH];
    DWORD type;

    /* Left empty when too long: nothing is opened by a path cut short. */
    if (!GetInterfacePath(hDevInfo, interfaceData, path))
        shown = "(an interface whose path is too long to show)";
    /* The camera's service counts whatever its type; another only as text. */
    if (!ReadDeviceService(hDevInfo, interfaceData, service, sizeof(service), &type) ||
        (type != REG_SZ && role[0] == '\0'))
        Say(report, "  %e: its service cannot be read as text", shown);
    else
        Say(report, "  %e: service %q%s", shown, service, role);
}

static void ReportControlObject(Report *report, CameraFinding *camera)
{
    char controlPath[MAX_PATH];
    HANDLE hDevice;

    if (camera->path[0] == '\0' || !BuildControlPath(controlPath, camera->path)) {
        Say(report, "The camera's interface path is too long to open its control object:"
                    " the monitor cannot arm the camera, and nothing starts on its events.");
        return;
    }
    /* The monitor's own open; closed at once, with no request sent. */
    hDevice = OpenCameraObject(controlPath);
    if (hDevice == NO_HANDLE) {
        Say(report, "The camera's control object %e does not open (error %u): the monitor"
                    " cannot arm the camera, and nothing starts on its events.",
            controlPath, GetLastError());
        return;
    }
    CloseHandle(hDevice);
    camera->controlOpens = 1;
    Say(report, "The camera's control object %e opens (closed again at once; nothing was"
                " sent to the driver).", controlPath);
}

static void ReportDriverKey(Report *report, DeviceMonitor *record,
                            PSP_DEVICE_INTERFACE_DATA interfaceData)
{
    static const char *const noKey[] = {
        NULL, "device has no driver property that can be read",
        "driver property is not stored as text", "driver name is too long for a key path"};
    char keyPath[MAX_PATH];
    int built = BuildDriverKeyPath(record->hDevInfo, interfaceData, keyPath);

    if (built != DRIVER_KEY_PATH_BUILT) {
        Say(report, "The camera's %s, so there is no driver key: every event starts its"
                    " default program.", noKey[built]);
        return;
    }
    /* Opened exactly as the monitor opens it, into the record. */
    OpenDriverKey(record, interfaceData);
    if (record->hDriverKey == NO_KEY)
        Say(report, "The camera's driver key HKLM\\%e does not open for reading: every event"
                    " starts its default program.", keyPath);
    else
        Say(report, "The camera's driver key is HKLM\\%e; it opens for reading.", keyPath);
}

void ReportCamera(Report *report, DeviceMonitor *record, CameraFinding *camera)
{
    SP_DEVICE_INTERFACE_DATA interfaceData;
    SP_DEVICE_INTERFACE_DATA cameraData;
    SP_DEVICE_INTERFACE_DATA laterData;
    char path[MAX_PATH];
    LONG next;
    DWORD index;

    camera->present = 0;
    camera->controlOpens = 0;
    camera->path[0] = '\0';
    /* The set the monitor builds when it starts. */
    record->hDevInfo = SetupDiGetClassDevsA(&record->classGuid, NULL, NULL,
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (record->hDevInfo == NO_HANDLE) {
        Say(report, "The image-class interfaces cannot be listed (error %u).", GetLastError());
        return;
    }

    /* `next` is the next interface the monitor's own start-up walk would
       take for a camera; the first it takes is the camera. */
    next = FindStartCamera(record->hDevInfo, &record->classGuid, 0, &cameraData);
    interfaceData.cbSize = sizeof(interfaceData);
    for (index = 0; SetupDiEnumDeviceInterfaces(record->hDevInfo, NULL, &record->classGuid,
                                                index, &interfaceData);
         index++) {
        const int isCamera = (LONG)index == next;
        const int first = isCamera && !camera->present;

        if (index == 0)
            Say(report, "Image-class interfaces present:");
        if (isCamera)
            next = FindStartCamera(record->hDevInfo, &record->classGuid, index + 1, &laterData);
        ReportInterface(report, record->hDevInfo, &interfaceData,
                        !isCamera ? "" : first ? ": the camera"
                                           : ": another camera; the monitor serves only the first",
                        first ? camera->path : path);
        camera->present |= first;
    }
    if (index == 0)
        Say(report, "No image-class interface is present.");
    if (!camera->present) {
        Say(report, "No camera is present: no interface is served by %q.", CAMERA_SERVICE_NAME);
        return;
    }
    ReportControlObject(report, camera);
    ReportDriverKey(report, record, &cameraData);
}
