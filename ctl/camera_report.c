#include "camera_report.h"
#include "camera_driver.h"
#include "device.h"

/* One line per interface; returns 1 when it is the camera. */
static int ReportInterface(Report *report, HDEVINFO hDevInfo,
                           PSP_DEVICE_INTERFACE_DATA interfaceData, int cameraSeen, char *path)
{
    char service[MAX_PATH];
    const char *shown = path;
    int isCamera;

    /* Left empty when too long: nothing is opened by a path cut short. */
    if (!GetInterfacePath(hDevInfo, interfaceData, path))
        shown = "(an interface whose path is too long to show)";
    if (!GetDeviceService(hDevInfo, interfaceData, service, sizeof(service))) {
        Say(report, "  %e: its service cannot be read as text", shown);
        return 0;
    }
    isCamera = IsCameraInterface(hDevInfo, interfaceData);
    if (!isCamera)
        Say(report, "  %e: service %q", shown, service);
    else if (!cameraSeen)
        Say(report, "  %e: service %q: the camera", shown, service);
    else
        Say(report, "  %e: service %q: another camera; the monitor serves only the first",
            shown, service);
    return isCamera;
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
    char keyPath[MAX_PATH];

    switch (BuildDriverKeyPath(record->hDevInfo, interfaceData, keyPath)) {
    case DRIVER_KEY_NO_DRIVER:
        Say(report, "The camera's device has no driver property that can be read, so there"
                    " is no driver key: every event starts its default program.");
        return;
    case DRIVER_KEY_NOT_TEXT:
        Say(report, "The camera's driver property is not stored as text, so there is no"
                    " driver key: every event starts its default program.");
        return;
    case DRIVER_KEY_TOO_LONG:
        Say(report, "The camera's driver name is too long for a key path, so there is no"
                    " driver key: every event starts its default program.");
        return;
    default:
        break;
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
    char path[MAX_PATH];
    DWORD index;

    ZeroMemory(&cameraData, sizeof(cameraData));
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

    interfaceData.cbSize = sizeof(interfaceData);
    for (index = 0; SetupDiEnumDeviceInterfaces(record->hDevInfo, NULL, &record->classGuid,
                                                index, &interfaceData);
         index++) {
        if (index == 0)
            Say(report, "Image-class interfaces present:");
        if (ReportInterface(report, record->hDevInfo, &interfaceData, camera->present, path) &&
            !camera->present) {
            camera->present = 1;
            cameraData = interfaceData;
            lstrcpyA(camera->path, path);
        }
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
