#include "use.h"
#include "apps.h"
#include "event_report.h"
#include "exit_codes.h"
#include "readers.h"
#include "registry_change.h"

/* "SnapButton" or "NewPicture" in any letter case; 0 for anything else. */
static int ParseEventName(const char *text, CameraEvent *event)
{
    int i;

    for (i = 0; i < EVENT_COUNT; i++) {
        if (lstrcmpiA(text, EventName(i)) == 0) {
            *event = (CameraEvent)i;
            return 1;
        }
    }
    return 0;
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

/* The value LaunchApplications gets: "*" for the default, or the name as
   registered. Returns CHOICE_DONE, or a refusal it has said. */
static int ChooseValue(Report *report, CameraEvent event, const char *name, char *value)
{
    ApplicationList list;
    const RegisteredApplication *item;
    int result = CHOICE_DONE;

    if (lstrcmpiA(name, DEFAULT_CHOICE) == 0 || IsDefaultApplication(name)) {
        lstrcpyA(value, DEFAULT_APPLICATION);
        return CHOICE_DONE;
    }
    if (!ListApplications(&list)) {
        Say(report, "Out of memory.");
        return CHOICE_FAILED;
    }
    item = FindApplication(&list, name);
    if (item != NULL) {
        lstrcpyA(value, item->name);
    } else {
        Say(report, "No application named %q is registered, so %s cannot start it."
                    " Nothing was changed.", name, EventName(event));
        SayRegisteredNames(report, &list);
        result = CHOICE_REFUSED;
    }
    FreeApplications(&list);
    return result;
}

/* Writes the value under the driver key at keyPath, and says what the event
   named before (current, as the monitor's lookup read it). */
static int WriteChoice(Report *report, CameraEvent event, const char *keyPath,
                       const char *value, const char *current)
{
    const char *subkey = EventTable[event].subkey;
    char shownPath[2 * MAX_PATH];
    HKEY hDriverKey;
    LONG status = OpenKeyToChange(HKEY_LOCAL_MACHINE, keyPath, &hDriverKey);
    int result;

    if (status != ERROR_SUCCESS)
        return SayChangeRefused(report, status, keyPath);
    lstrcpyA(shownPath, keyPath);
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
        Say(report, "The camera's %s now names %q (it named %q).", EventName(event),
            value, current);
    return CHOICE_DONE;
}

int UseApplication(Report *report, CameraEvent event, const char *name)
{
    CameraChoices choices;
    char value[MAX_PATH];
    int result;

    ReadCameraChoices(&choices);
    if (!choices.camera.present || choices.camera.keyPathState != DRIVER_KEY_PATH_BUILT)
        return SayNoDriverKey(report, &choices.camera);
    result = ChooseValue(report, event, name, value);
    if (result == CHOICE_DONE)
        result = WriteChoice(report, event, choices.camera.keyPath, value,
                             choices.events[event].application);
    if (result == CHOICE_DONE)
        ReportEventChoices(report);
    return result;
}

int RunUse(int argc, char **argv, Report *report)
{
    CameraEvent event;

    (void)argc;
    if (!ParseEventName(argv[2], &event)) {
        Say(report, "%q is no camera event: use SnapButton or NewPicture. Nothing was"
                    " changed.", argv[2]);
        return CHOICE_REFUSED;
    }
    return UseApplication(report, event, argv[3]);
}
