/* The present camera's choice for each event: reading it, and "use". */
#include "registration.h"
#include "application_list.h"
#include "camera_key.h"
#include "event_report.h"
#include "registry_change.h"

/* The value for the built-in default program. */
#define STAR "*"

int ParseEventName(const char *text, CameraEvent *event)
{
    if (lstrcmpiA(text, EventName(SnapButton)) == 0)
        *event = SnapButton;
    else if (lstrcmpiA(text, EventName(NewPicture)) == 0)
        *event = NewPicture;
    else
        return 0;
    return 1;
}

void ReadCameraChoices(CameraChoices *choices)
{
    PresentCamera camera;
    DeviceMonitor record;
    LookupTrace trace;
    int event;

    FindPresentCamera(&camera);
    OpenCameraRecord(&camera, &record);
    choices->cameraPresent = camera.present;
    choices->driverKeyOpens = record.hDriverKey != NO_KEY;
    lstrcpyA(choices->cameraPath, camera.path);
    for (event = SnapButton; event <= NewPicture; event++) {
        EventChoice *choice = &choices->events[event];

        trace.application[0] = '\0';
        choice->registered =
            ChooseEventCommand(&record, (CameraEvent)event, choice->command, &trace);
        /* The name is read only once the lookup got that far. */
        if (trace.stop != LOOKUP_FOUND && trace.stop < LOOKUP_STAR)
            trace.application[0] = '\0';
        lstrcpyA(choice->application, trace.application);
    }
    ReleaseCameraRecord(&record);
}

void ReportEventChoices(Report *report)
{
    PresentCamera camera;
    DeviceMonitor record;
    SearchPlaces places;
    char command[MAX_PATH];

    FindPresentCamera(&camera);
    OpenCameraRecord(&camera, &record);
    if (OpenSearchPlaces(&places)) {
        ReportCameraEvent(report, &record, SnapButton, &places, command);
        ReportCameraEvent(report, &record, NewPicture, &places, command);
    }
    CloseSearchPlaces(&places);
    ReleaseCameraRecord(&record);
}

/* Why there is no driver key to write; returns CHOICE_NO_CAMERA. */
static int SayNoDriverKey(Report *report, const PresentCamera *camera)
{
    if (!camera->present)
        Say(report, "No camera is present, so there is no driver key to write: plug the camera"
                    " in first. Nothing was changed.");
    else
        Say(report, "The camera has no driver key that can be named (its driver property is"
                    " missing, not text, or too long). Nothing was changed.");
    return CHOICE_NO_CAMERA;
}

/* What the event names now, for the report: the value, or its absence. */
static void ReadCurrentChoice(HKEY hEvents, const char *subkey, char *current)
{
    HKEY hEvent;
    DWORD size = MAX_PATH - 1;

    current[0] = '\0';
    if (RegOpenKeyExA(hEvents, subkey, 0, KEY_READ, &hEvent) != ERROR_SUCCESS)
        return;
    if (RegQueryValueExA(hEvent, LAUNCH_APPLICATIONS_VALUE, NULL, NULL, (LPBYTE)current,
                         &size) == ERROR_SUCCESS)
        current[size] = '\0';
    else
        current[0] = '\0';
    RegCloseKey(hEvent);
}

int UseApplication(Report *report, CameraEvent event, const char *name)
{
    const char *subkey = event == SnapButton ? "Events\\SnapButton" : "Events\\NewPicture";
    char value[MAX_PATH];
    char current[MAX_PATH];
    char shownPath[2 * MAX_PATH];
    PresentCamera camera;
    ApplicationList list;
    HKEY hDriverKey;
    LONG status;
    int result;

    FindPresentCamera(&camera);
    if (!camera.present || camera.keyPathState != DRIVER_KEY_PATH_BUILT)
        return SayNoDriverKey(report, &camera);

    if (lstrcmpiA(name, DEFAULT_CHOICE) == 0 || lstrcmpA(name, STAR) == 0) {
        lstrcpyA(value, STAR);
    } else {
        const RegisteredApplication *item;

        if (!ListApplications(&list)) {
            Say(report, "Out of memory.");
            return CHOICE_FAILED;
        }
        item = FindApplication(&list, name);
        if (item == NULL) {
            Say(report, "No application named %q is registered, so %s cannot start it."
                        " Nothing was changed.", name, EventName(event));
            SayRegisteredNames(report, &list);
            FreeApplications(&list);
            return CHOICE_REFUSED;
        }
        /* As registered: the name the list shows. */
        lstrcpyA(value, item->name);
        FreeApplications(&list);
    }

    status = OpenKeyToChange(HKEY_LOCAL_MACHINE, camera.keyPath, &hDriverKey);
    if (status != ERROR_SUCCESS)
        return SayChangeRefused(report, status, camera.keyPath);
    ReadCurrentChoice(hDriverKey, subkey, current);
    lstrcpyA(shownPath, camera.keyPath);
    lstrcatA(shownPath, "\\");
    lstrcatA(shownPath, subkey);
    /* The event's subkey is created when missing, and removed again when
       its value cannot be set. */
    result = WriteTextValue(report, hDriverKey, subkey, shownPath, LAUNCH_APPLICATIONS_VALUE,
                            value);
    RegCloseKey(hDriverKey);
    if (result != CHOICE_DONE)
        return result;

    if (current[0] == '\0')
        Say(report, "The camera's %s now names %q.", EventName(event), value);
    else
        Say(report, "The camera's %s now names %q (it named %q).", EventName(event), value,
            current);
    ReportEventChoices(report);
    return CHOICE_DONE;
}
