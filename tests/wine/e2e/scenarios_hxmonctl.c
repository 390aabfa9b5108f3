/* hxmonctl beside the running monitor: the account it gives is what the
   monitor then does, it names what is wrong when something is, and what it
   chooses for an event is what the next press starts. */
#include "scenarios.h"
#include "scenario.h"
#include "scenario_checks.h"
#include "still_image_registry.h"
#include "hxmonctl_run.h"
#include "camera_lookup.h"
#include "harness.h"

#include <stdio.h>
#include <string.h>

#define VIEWER_COMMAND "C:\\windows\\hxTestApp.exe --for SnapButton"
#define GONE_COMMAND "C:\\hxsim\\gone\\hxGone.exe /x"

/* The driver's close count before hxmonctl runs. */
static unsigned ClosesSoFar(void)
{
    CameraRecord record;

    return ReadRecord(&record) ? CountEvents(&record, "close", 0) : 0;
}

/* hxmonctl opened the camera's control object once, closed it again and
   sent the driver nothing. The driver hears of the close after hxmonctl
   has ended, too late to tell whose it was: the count of all closes shows
   it. */
static void CheckOnlyLooked(const CtlRun *ctl, unsigned closesBefore)
{
    CameraRecord record;

    memset(&record, 0, sizeof(record));
    Check(WaitForEvents("close", 0, closesBefore + 1, &record) &&
              CountEvents(&record, "open", ctl->pid) == 1,
          "hxmonctl opened the camera's object once and closed it (%u opens, %u closes)",
          CountEvents(&record, "open", ctl->pid), CountEvents(&record, "close", 0) - closesBefore);
    Check(CountEvents(&record, "arm", ctl->pid) + CountEvents(&record, "disarm", ctl->pid) == 0,
          "hxmonctl sent the driver no request");
}

static int CameraPath(char *path)
{
    return Check(FindCameraInterface(path, MAX_PATH), "the camera's interface path is known");
}

/* The camera arrives while the monitor runs; hxmonctl reports the camera's
   registration, the presses start exactly that, and hxmonctl closes it. */
void ScenarioHxmonctlMatchesTheMonitor(void)
{
    MonitorRun run = { NULL, 0 };
    RecordEvent arm;
    LaunchLog log;
    CtlRun ctl;
    char path[MAX_PATH];
    DWORD exitCode = (DWORD)-2;
    unsigned closes;

    if (!BeginScenario(0))
        return;
    Check(RegisterApplication(TEST_APPLICATION, VIEWER_COMMAND) &&
              SetLaunchApplications("SnapButton", TEST_APPLICATION) &&
              SetLaunchApplications("NewPicture", "*"),
          "SnapButton names %s, NewPicture says \"*\"", TEST_APPLICATION);
    if (!Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts") ||
        !Check(WaitForMonitorWindow(), "its window exists")) {
        EndScenario(&run);
        return;
    }
    LetNotificationsRegister();
    Check(PlugCamera(), "the camera's interface arrives");
    if (!CheckArmed(&run, 1, &arm) || !CameraPath(path)) {
        EndScenario(&run);
        return;
    }

    Step("hxmonctl status");
    closes = ClosesSoFar();
    Check(RunHxmonctl("status", &ctl), "hxmonctl status runs");
    ShowOutput(&ctl);
    Check(ctl.exitCode == 0, "it exits with 0: all is well (got %ld)", (long)ctl.exitCode);
    Check(HasLine(&ctl, "monitor: running (pid %u)", run.pid), "it names the monitor's pid");
    Check(HasLine(&ctl, "camera: present %s", path), "it names the camera's interface");
    Check(HasLine(&ctl, "SnapButton starts: %s", VIEWER_COMMAND) &&
              HasLine(&ctl, "  Its program is found: C:\\windows\\hxTestApp.exe"),
          "SnapButton starts the registered viewer, which is found");
    Check(HasLine(&ctl, "NewPicture starts: hxCap.exe") &&
              HasLine(&ctl, "  Its program is found: C:\\windows\\hxCap.exe"),
          "NewPicture starts the default, found in the Windows directory");
    CheckOnlyLooked(&ctl, closes);

    Step("the button is pressed and a picture reported");
    PressButton();
    WaitForLaunches(1, &log);
    ReportNewPicture();
    WaitForLaunches(2, &log);
    CheckStartedByMonitor(FindLaunch(&log, "hxTestApp.exe"), &run, "hxTestApp.exe",
                          VIEWER_COMMAND);
    CheckStartedByMonitor(FindLaunch(&log, "hxCap.exe"), &run, "hxCap.exe", "hxCap.exe");

    Step("hxmonctl close");
    Check(RunHxmonctl("close", &ctl), "hxmonctl close runs");
    ShowOutput(&ctl);
    Check(ctl.exitCode == 0 && HasLine(&ctl, "monitor: closed (pid %u)", run.pid),
          "it closed the monitor (exit %ld)", (long)ctl.exitCode);
    if (WaitForSingleObject(run.process, 0) == WAIT_OBJECT_0)
        GetExitCodeProcess(run.process, &exitCode);
    Check(exitCode == 0, "the monitor's process had ended, with exit code 0 (got %ld)",
          (long)exitCode);
    CheckLeftTheCameraClean(&run, &arm);
    WaitForAllLaunches(2, &log);

    Check(RunHxmonctl("close", &ctl), "hxmonctl close runs again");
    Check(ctl.exitCode == 1 && HasLine(&ctl, "monitor: not running"),
          "it finds no monitor and exits with 1 (got %ld)", (long)ctl.exitCode);
    EndScenario(&run);
}

/* No monitor, first no camera, then a camera whose registration names an
   application nobody registered and a program that does not exist. */
void ScenarioHxmonctlNamesWhatIsWrong(void)
{
    CtlRun ctl;
    char path[MAX_PATH];
    unsigned closes;

    if (!BeginScenario(0))
        return;
    Step("hxmonctl status, with no monitor and no camera");
    Check(RunHxmonctl("status", &ctl), "hxmonctl status runs");
    ShowOutput(&ctl);
    Check(ctl.exitCode == 1, "it exits with 1 (got %ld)", (long)ctl.exitCode);
    Check(HasLine(&ctl, "monitor: not running") && HasLine(&ctl, "camera: not found"),
          "it says neither the monitor nor the camera is there");
    Check(HasLine(&ctl, "SnapButton starts: hxAMCap.exe") &&
              HasLine(&ctl, "NewPicture starts: hxCap.exe"),
          "without a driver key each event would start its default");

    Check(PlugCamera() && WaitForCamera(1, E2E_TIMEOUT_MS), "the camera is plugged in");
    Check(RegisterApplication(TEST_APPLICATION, GONE_COMMAND) &&
              SetLaunchApplications("SnapButton", "HxNobody") &&
              SetLaunchApplications("NewPicture", TEST_APPLICATION),
          "SnapButton names HxNobody, NewPicture a program that does not exist");
    if (!CameraPath(path))
        return;
    Step("hxmonctl status");
    closes = ClosesSoFar();
    Check(RunHxmonctl("status", &ctl), "hxmonctl status runs");
    ShowOutput(&ctl);
    Check(ctl.exitCode == 1, "it exits with 1 (got %ld)", (long)ctl.exitCode);
    Check(HasLine(&ctl, "camera: present %s", path), "it finds the camera");
    Check(HasLine(&ctl, "  Stand-in still camera: service \"RUdiDOVUDIRUR\": the camera") &&
              HasLine(&ctl, "    %s", path),
          "it names the camera by its description, with its path beneath");
    Check(HasLine(&ctl, "  No application named \"HxNobody\" is registered: the default "
                        "program starts.") &&
              HasLine(&ctl, "SnapButton starts: hxAMCap.exe"),
          "SnapButton: HxNobody is not registered, so the default starts");
    Check(HasLine(&ctl, "  Its program C:\\hxsim\\gone\\hxGone.exe does not exist: nothing "
                        "starts.") &&
              HasLine(&ctl, "NewPicture starts: %s", GONE_COMMAND),
          "NewPicture: the registered program does not exist");
    CheckOnlyLooked(&ctl, closes);
}

/* A copy of the stand-in viewer in a folder with a blank in its name, and
   the command line the user types for it: unquoted, with a quoted argument. */
#define VIEWER_FOLDER "C:\\hxsim\\Test Apps"
#define VIEWER_TYPED VIEWER_FOLDER "\\hxTestApp.exe --title \"Snap Shots\" /x"
#define VIEWER_STORED "\"" VIEWER_FOLDER "\\hxTestApp.exe\" --title \"Snap Shots\" /x"

/* The button is pressed: the count-th program started is this one. */
static void PressStarts(const MonitorRun *run, unsigned count, const char *program,
                        const char *commandLine)
{
    LaunchLog log;
    int waited;

    Check(PressButton(), "the press reaches the camera");
    waited = WaitForLaunches(count, &log);
    if (Check(waited && log.count == count, "the press started one program (%u in all)",
              log.count))
        CheckStartedByMonitor(&log.launches[count - 1], run, program, commandLine);
}

/* Imaging software installed in a folder named in letters the prefix's
   ANSI code page (1252) lacks, registered through sti.dll's wide call and
   chosen for the button with a wide write, as such software does it. */
#define WIDE_FOLDER L"C:\\hxtest\\\u0141\u00F3d\u017A \u5199\u771F"
#define WIDE_PROGRAM WIDE_FOLDER L"\\appw \u0436.exe"
#define WIDE_COMMAND L"\"" WIDE_PROGRAM L"\" --album \"Zdj\u0119cia\""
#define WIDE_STORED WIDE_COMMAND L" /StiDevice:%1 /StiEvent:%2"

static const char *Utf8(const WCHAR *text, char *buffer)
{
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, 3 * MAX_PATH, NULL, NULL))
        buffer[0] = '\0';
    return buffer;
}

/* The monitor's UTF-8 code page carries the name through its 8-bit calls:
   the press starts the program with its exact command line, and hxmonctl
   prints that intact, as UTF-8. */
static void WideRegistrationStarts(const MonitorRun *run, const char *viewer)
{
    char program[3 * MAX_PATH], stored[3 * MAX_PATH], folder[3 * MAX_PATH];
    WCHAR source[MAX_PATH];
    BOOL lossy = FALSE;
    CtlRun ctl;

    Step("imaging software in %s registers itself with sti.dll", Utf8(WIDE_FOLDER, folder));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, WIDE_FOLDER, -1, program,
                        sizeof(program), NULL, &lossy);
    Check(lossy, "the folder's name lies outside the ANSI code page (%u)", GetACP());
    MultiByteToWideChar(CP_ACP, 0, viewer, -1, source, MAX_PATH);
    CreateDirectoryW(L"C:\\hxtest", NULL);
    CreateDirectoryW(WIDE_FOLDER, NULL);
    Check(CopyFileW(source, WIDE_PROGRAM, FALSE) &&
              RegisterThroughStillImage(WIDE_APPLICATION, WIDE_COMMAND) &&
              SetLaunchApplicationsWide("SnapButton", WIDE_APPLICATION),
          "it is installed, registered and chosen for SnapButton");
    Utf8(WIDE_PROGRAM, program);
    Utf8(WIDE_STORED, stored);
    Step("the button is pressed a third time");
    PressStarts(run, 3, program, stored);

    Step("hxmonctl status");
    Check(RunHxmonctl("status", &ctl), "it runs");
    ShowOutput(&ctl);
    Check(ctl.exitCode == 0 && HasLine(&ctl, "SnapButton starts: %s", stored) &&
              HasLine(&ctl, "  Its program is found: %s", program),
          "it prints the command and its program intact, as UTF-8 (exit %ld)",
          (long)ctl.exitCode);
}

/* While the monitor runs, the user registers a program with hxmonctl and
   chooses it for the button: the next press starts it with the command line
   stored for it. Choosing the default again, the press after that starts
   hxAMCap.exe. Then imaging software registers itself from a folder named
   in any language. The monitor is never restarted. */
void ScenarioHxmonctlChoosesWhatAPressStarts(void)
{
    MonitorRun run = { NULL, 0 };
    RecordEvent arm;
    LaunchLog log;
    CtlRun ctl;
    char windows[MAX_PATH];
    char viewer[MAX_PATH];

    if (!BeginScenario(1))
        return;
    GetWindowsDirectoryA(windows, sizeof(windows));
    _snprintf(viewer, sizeof(viewer), "%s\\hxTestApp.exe", windows);
    viewer[sizeof(viewer) - 1] = '\0';
    CreateDirectoryA(VIEWER_FOLDER, NULL);
    Check(CopyFileA(viewer, VIEWER_FOLDER "\\hxTestApp.exe", FALSE),
          "the viewer is installed in %s", VIEWER_FOLDER);
    if (!Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts") ||
        !CheckArmed(&run, 1, &arm)) {
        EndScenario(&run);
        return;
    }

    Step("hxmonctl register %s %s", TEST_APPLICATION, VIEWER_TYPED);
    Check(RunHxmonctl("register " TEST_APPLICATION " " VIEWER_TYPED, &ctl), "it runs");
    ShowOutput(&ctl);
    Check(ctl.exitCode == 0 &&
              HasLine(&ctl, "\"%s\" is registered with the command line: %s", TEST_APPLICATION,
                      VIEWER_STORED),
          "it registers the command with the program's path quoted (exit %ld)",
          (long)ctl.exitCode);

    Step("hxmonctl use snapbutton %s", TEST_APPLICATION);
    Check(RunHxmonctl("use snapbutton " TEST_APPLICATION, &ctl), "it runs");
    ShowOutput(&ctl);
    Check(ctl.exitCode == 0 && HasLine(&ctl, "  The monitor would start: %s", VIEWER_STORED),
          "it says a press now starts the viewer (exit %ld)", (long)ctl.exitCode);
    Check(StillImageRegistrationIs("SnapButton", TEST_APPLICATION, VIEWER_STORED),
          "the registry holds the name under SnapButton and the stored command");
    Step("the button is pressed");
    PressStarts(&run, 1, "hxTestApp.exe", VIEWER_STORED);

    Step("hxmonctl use SnapButton default");
    Check(RunHxmonctl("use SnapButton default", &ctl), "it runs");
    ShowOutput(&ctl);
    Check(ctl.exitCode == 0 && HasLine(&ctl, "  The monitor would start: hxAMCap.exe"),
          "it says a press now starts the default (exit %ld)", (long)ctl.exitCode);
    Step("the button is pressed again");
    PressStarts(&run, 2, "hxAMCap.exe", "hxAMCap.exe");
    WideRegistrationStarts(&run, viewer);
    Check(WaitForSingleObject(run.process, 0) == WAIT_TIMEOUT,
          "the same monitor process ran throughout");

    CheckClosesCleanly(&run, &arm);
    WaitForAllLaunches(3, &log);
    EndScenario(&run);
}
