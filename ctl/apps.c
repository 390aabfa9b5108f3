#include "apps.h"
#include "event_report.h"
#include "exit_codes.h"

void SayRegisteredNames(Report *report, const ApplicationList *list)
{
    /* Small enough for a frame without stack probes; a longer list is cut. */
    char line[2048];
    DWORD used = 0;
    DWORD i;

    if (list->count == 0) {
        Say(report, "No application is registered.");
        return;
    }
    for (i = 0; i < list->count; i++) {
        /* Room for the quotes, the separator and the terminator. */
        if (used + (DWORD)lstrlenA(list->items[i].name) + 5 > sizeof(line))
            break;
        if (i > 0) {
            line[used++] = ',';
            line[used++] = ' ';
        }
        line[used++] = '"';
        lstrcpyA(line + used, list->items[i].name);
        used += (DWORD)lstrlenA(list->items[i].name);
        line[used++] = '"';
    }
    line[used] = '\0';
    Say(report, "Registered: %e.", line);
}

/* The events of the present camera that name the application. */
static void SayNamingEvents(Report *report, const CameraChoices *choices, const char *name)
{
    int snap = lstrcmpiA(choices->events[SnapButton].application, name) == 0;
    int picture = lstrcmpiA(choices->events[NewPicture].application, name) == 0;

    if (snap && picture)
        Say(report, "  The camera's SnapButton and NewPicture name it.");
    else if (snap || picture)
        Say(report, "  The camera's %s names it.",
            EventName(snap ? SnapButton : NewPicture));
}

int RunApps(int argc, char **argv, Report *report)
{
    /* Too large for the stack of a program without a C runtime. */
    static SearchPlaces places;
    ApplicationList list;
    CameraChoices choices;
    DWORD i;

    (void)argc;
    (void)argv;
    if (!ListApplications(&list)) {
        Say(report, "Out of memory.");
        return CHOICE_FAILED;
    }
    FindSearchPlaces(&places);
    ReadCameraChoices(&choices);
    if (list.count == 0)
        Say(report, "No application is registered in HKLM\\%s.", REGISTERED_APPLICATIONS_KEY);
    for (i = 0; i < list.count; i++) {
        const RegisteredApplication *item = &list.items[i];

        if (item->commandTooLong) {
            Say(report, "%q: its command is too long: with a terminator it does not fit in %u"
                        " bytes, so the monitor starts the default program instead.",
                item->name, (DWORD)MAX_PATH);
        } else {
            Say(report, "%q: %e", item->name, item->command);
            ReportProgram(report, &places, item->command);
            SayPlaceholders(report, item->command);
        }
        SayNamingEvents(report, &choices, item->name);
    }
    if (!choices.camera.present && list.count > 0)
        Say(report, "No camera is present, so no event names any of them.");
    /* The camera whose events these are, by the name people know it by. */
    if (choices.camera.present && choices.camera.name[0] != '\0') {
        Say(report, "Camera: %e", choices.camera.name);
        Say(report, "  %e", choices.camera.path);
    } else if (choices.camera.present) {
        Say(report, "Camera: %e", choices.camera.path);
    }
    FreeApplications(&list);
    return CHOICE_DONE;
}
