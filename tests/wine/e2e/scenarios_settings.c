/* The settings window beside the running monitor: what a user chooses in
   it is what the next press starts, and nothing is written until Apply;
   at 96, 144 and 192 DPI, with all its text shown and icons of that DPI. */
#include "scenarios.h"
#include "scenario.h"
#include "scenario_checks.h"
#include "camera_lookup.h"
#include "still_image_registry.h"
#include "settings_drive.h"
#include "settings_ids.h"
#include "harness.h"

#include <string.h>

#define VIEWER_COMMAND "C:\\windows\\hxTestApp.exe --for SnapButton"
#define LEAVING_APPLICATION "HxLeaving"
#define DESKTOP_KEY "Control Panel\\Desktop"

static int TextIs(const SettingsRun *run, int id, const char *expected)
{
    char text[1024];

    SettingsText(run, id, text, sizeof(text));
    if (strcmp(text, expected) != 0)
        Step("control %d says: %s", id, text);
    return strcmp(text, expected) == 0;
}

static int MessageShown(void *context)
{
    char text[1024];

    SettingsText(context, IDC_MESSAGE, text, sizeof(text));
    return text[0] != '\0';
}

static int ChoicesEnabled(void *context)
{
    const SettingsRun *run = context;

    return IsWindowEnabled(GetDlgItem(run->dialog, IDC_SNAP_CHOICE)) &&
           IsWindowEnabled(GetDlgItem(run->dialog, IDC_PICTURE_CHOICE));
}

/* At this DPI (after a move to a screen of it, when moved): every label
   and button shows its whole text, and the icons are of the DPI's sizes,
   32 and 16 pixels at 96. */
static void CheckDrawn(const SettingsRun *run, UINT dpi, int moved, const char *when)
{
    SettingsProbe probe = { 0 };
    int answered = ProbeSettings(run, moved ? dpi : 0, &probe);

    Check(answered && probe.measured > 0 && probe.clippedId == 0 &&
              probe.bigIcon == (int)dpi / 3 && probe.smallIcon == (int)dpi / 6,
          "%s, %d labels and buttons show their whole text (clipped: control %d), and the "
          "icons are of %u DPI's sizes (%d, %d)",
          when, probe.measured, probe.clippedId, dpi, probe.bigIcon, probe.smallIcon);
}

/* The window is opened before the camera is plugged in, and follows it. */
static void ChooseWhatAPressStarts(DWORD dpi)
{
    MonitorRun run = { NULL, 0 };
    SettingsRun settings = { NULL, NULL };
    RecordEvent arm;
    LaunchLog log;
    char line[MAX_PATH];
    int opened;

    if (!BeginScenario(0) ||
        !Check(RegisterApplication(TEST_APPLICATION, VIEWER_COMMAND) &&
                   RegisterApplication(LEAVING_APPLICATION, "hxCap.exe /leaving"),
               "%s and %s are registered, and no event names them", TEST_APPLICATION,
               LEAVING_APPLICATION) ||
        !Check(StartMonitor(START_DIRECTORY, &run) && WaitForMonitorWindow(),
               "hxMonitor.exe runs, with no camera")) {
        EndScenario(&run);
        return;
    }

    Step("the window opens at %u DPI with no camera present", dpi);
    /* Wine gives a process the DPI of this value at its start; the prefix has none (96). */
    RegSetKeyValueA(HKEY_CURRENT_USER, DESKTOP_KEY, "LogPixels", REG_DWORD, &dpi, sizeof(dpi));
    opened = OpenSettings(&settings);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, DESKTOP_KEY, "LogPixels");
    if (!Check(opened, "hxMonitorSettings.exe shows its window")) {
        WaitForSettingsToEnd(&settings);
        EndScenario(&run);
        return;
    }
    Check(!ChoicesEnabled(&settings), "both events' choices are disabled");
    Check(TextIs(&settings, IDC_CAMERA_STATE, "No camera is present.") &&
              TextIs(&settings, IDC_MESSAGE,
                     "With no camera present there is nowhere to write a choice, so the "
                     "choices cannot be changed until the camera is plugged in."),
          "the window says why");
    wsprintfA(line, "The monitor is running (process %u).", run.pid);
    Check(TextIs(&settings, IDC_MONITOR_STATE, line), "it names the monitor's process");
    CheckDrawn(&settings, dpi, 0, "with no camera");

    LetNotificationsRegister();
    if (!Check(PlugCamera(), "the camera is plugged in") || !CheckArmed(&run, 1, &arm)) {
        WaitForSettingsToEnd(&settings);
        RemoveApplication(LEAVING_APPLICATION);
        EndScenario(&run);
        return;
    }
    Check(WaitUntil(ChoicesEnabled, &settings, E2E_TIMEOUT_MS) &&
              TextIs(&settings, IDC_MESSAGE, ""),
          "the window follows: the choices are enabled");
    Check(TextIs(&settings, IDC_CAMERA_STATE, "Camera: Stand-in still camera") &&
              FindCameraInterface(line, MAX_PATH) && TextIs(&settings, IDC_CAMERA_PATH, line),
          "it names the camera by its description, with its path beneath");
    Check(TextIs(&settings, IDC_SNAP_COMMAND, "A press starts now: hxAMCap.exe") &&
              TextIs(&settings, IDC_SNAP_PROGRAM, "Its program is found: C:\\windows\\hxAMCap.exe") &&
              TextIs(&settings, IDC_PICTURE_COMMAND, "A new picture starts now: hxCap.exe"),
          "SnapButton and NewPicture start the defaults now, in hxmonctl status's words");

    Step("%s is chosen for SnapButton, and Apply", TEST_APPLICATION);
    Check(ChooseItem(&settings, IDC_SNAP_CHOICE, TEST_APPLICATION), "%s is offered",
          TEST_APPLICATION);
    Check(TextIs(&settings, IDC_SNAP_COMMAND, "After Apply, a press starts: " VIEWER_COMMAND) &&
              !StillImageRegistrationIs("SnapButton", TEST_APPLICATION, VIEWER_COMMAND),
          "the window shows what Apply would do, and nothing is written yet");
    ClickButton(&settings, IDC_APPLY);
    Check(StillImageRegistrationIs("SnapButton", TEST_APPLICATION, VIEWER_COMMAND),
          "the registry holds it");
    Check(LaunchApplicationsIsAbsent("NewPicture"), "NewPicture, unchanged, was not written");
    Check(!IsWindowEnabled(GetDlgItem(settings.dialog, IDC_APPLY)) &&
              TextIs(&settings, IDC_SNAP_COMMAND, "A press starts now: " VIEWER_COMMAND),
          "Apply is disabled again, and the choice is what a press starts now");
    PressButton();
    WaitForLaunches(1, &log);
    CheckStartedByMonitor(FindLaunch(&log, "hxTestApp.exe"), &run, "hxTestApp.exe",
                          VIEWER_COMMAND);

    Step("%s is chosen for NewPicture, unregistered, then Enter (OK)", LEAVING_APPLICATION);
    Check(ChooseItem(&settings, IDC_PICTURE_CHOICE, LEAVING_APPLICATION) &&
              TextIs(&settings, IDC_PICTURE_COMMAND,
                     "After Apply, a new picture starts: hxCap.exe /leaving") &&
              RemoveApplication(LEAVING_APPLICATION),
          "%s is chosen, then gone", LEAVING_APPLICATION);
    PressKey(&settings, IDC_PICTURE_CHOICE, VK_RETURN);
    Check(WaitUntil(MessageShown, &settings, E2E_TIMEOUT_MS) &&
              WaitForSingleObject(settings.process, 0) == WAIT_TIMEOUT &&
              TextIs(&settings, IDC_MESSAGE,
                 "No application named \"" LEAVING_APPLICATION "\" is registered, so NewPicture "
                 "cannot start it. Nothing was changed.") &&
              LaunchApplicationsIsAbsent("NewPicture") &&
              IsWindowEnabled(GetDlgItem(settings.dialog, IDC_APPLY)),
          "OK is refused and the window stays: the refusal is shown, nothing is written, and "
          "the choice waits");
    CheckDrawn(&settings, dpi, 0, "with the refusal");
    CheckDrawn(&settings, dpi == 96 ? 192 : 96, 1, "moved to a screen of another scale");

    Step("the default is chosen, then Esc");
    Check(ChooseItem(&settings, IDC_SNAP_CHOICE, "Default program (hxAMCap.exe)"),
          "the default is offered");
    PressKey(&settings, IDC_SNAP_CHOICE, VK_ESCAPE);
    Check(WaitForSettingsToEnd(&settings) == 0, "Esc cancels: the window closes, with exit code 0");
    Check(StillImageRegistrationIs("SnapButton", TEST_APPLICATION, VIEWER_COMMAND) &&
              LaunchApplicationsIsAbsent("NewPicture"),
          "nothing changed");
    CheckClosesCleanly(&run, &arm);
    WaitForAllLaunches(1, &log);
    RemoveApplication(LEAVING_APPLICATION);
    EndScenario(&run);
}

void ScenarioSettingsChooseWhatAPressStarts(void)
{
    DWORD dpi;

    for (dpi = 96; dpi <= 192; dpi += 48)
        ChooseWhatAPressStarts(dpi);
}
