/* Camera events start programs: the defaults, and the application
   registered under the camera's own driver key. */
#include "scenarios.h"
#include "scenario.h"
#include "scenario_checks.h"
#include "still_image_registry.h"
#include "harness.h"

#include <stdio.h>
#include <string.h>

#define TEST_APPLICATION_COMMAND "C:\\windows\\hxTestApp.exe --for SnapButton"

/* The camera is plugged in when the user logs on; later the button is
   pressed. */
void ScenarioSnapshotStartsDefaultProgram(void)
{
    MonitorRun run = { NULL, 0 };
    RecordEvent arm;
    CameraRecord record;
    LaunchLog log;
    int press;

    if (!BeginScenario(1))
        return;
    Step("the monitor starts in %s with the camera present", START_DIRECTORY);
    if (Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts") &&
        CheckArmed(&run, 1, &arm)) {
        Step("the snapshot button is pressed");
        Check(PressButton(), "the press reaches the camera");
        WaitForLaunches(1, &log);
        CheckStartedByMonitor(FindLaunch(&log, "hxAMCap.exe"), &run, "hxAMCap.exe",
                              "hxAMCap.exe");
        ReadRecord(&record);
        press = FindEvent(&record, "press", 0, 0);
        Check(press >= 0 && record.events[press].signalled == 1,
              "the press set the monitor's snapshot event");

        Step("the monitor is closed");
        CheckClosesCleanly(&run, &arm);
        WaitForAllLaunches(1, &log);
    }
    EndScenario(&run);
}

/* A new picture is ready; then the button and a picture come together. */
void ScenarioNewPictureStartsDefaultViewer(void)
{
    MonitorRun run = { NULL, 0 };
    RecordEvent arm;
    LaunchLog log;

    if (!BeginScenario(1))
        return;
    if (Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts") &&
        CheckArmed(&run, 1, &arm)) {
        Step("the camera reports a new picture");
        Check(ReportNewPicture(), "the report reaches the camera");
        WaitForLaunches(1, &log);
        CheckStartedByMonitor(FindLaunch(&log, "hxCap.exe"), &run, "hxCap.exe", "hxCap.exe");
        Check(CountLaunches(&log, "hxAMCap.exe") == 0, "the snapshot program did not start");

        Step("the button is pressed and a picture reported at once");
        PressButton();
        ReportNewPicture();
        WaitForLaunches(3, &log);
        Check(CountLaunches(&log, "hxAMCap.exe") == 1 && CountLaunches(&log, "hxCap.exe") == 2,
              "each event started its own program (hxAMCap %u, hxCap %u)",
              CountLaunches(&log, "hxAMCap.exe"), CountLaunches(&log, "hxCap.exe"));

        CheckClosesCleanly(&run, &arm);
        WaitForAllLaunches(3, &log);
    }
    EndScenario(&run);
}

/* The camera names a registered application and is plugged in when the
   monitor starts: its registration is read from the first press on. */
void ScenarioRegistrationHonouredFromStart(void)
{
    MonitorRun run = { NULL, 0 };
    RecordEvent arm;
    LaunchLog log;

    if (!BeginScenario(1))
        return;
    Check(RegisterApplication(TEST_APPLICATION, TEST_APPLICATION_COMMAND) &&
              SetLaunchApplications("SnapButton", TEST_APPLICATION),
          "the camera's snapshot event names %s", TEST_APPLICATION);
    Step("the monitor starts with the camera present");
    if (Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts") &&
        CheckArmed(&run, 1, &arm)) {
        Step("the snapshot button is pressed for the first time");
        PressButton();
        WaitForLaunches(1, &log);
        CheckStartedByMonitor(FindLaunch(&log, "hxTestApp.exe"), &run, "hxTestApp.exe",
                              TEST_APPLICATION_COMMAND);
        Check(CountLaunches(&log, "hxAMCap.exe") == 0, "the default did not start instead");
        CheckClosesCleanly(&run, &arm);
        WaitForAllLaunches(1, &log);
    }
    EndScenario(&run);
}

/* The camera is plugged in while the monitor runs: now its registration
   is read. The snapshot event names the test application, the picture
   event says "*". */
void ScenarioRegisteredApplicationAfterArrival(void)
{
    MonitorRun run = { NULL, 0 };
    RecordEvent arm;
    CameraRecord record;
    LaunchLog log;

    if (!BeginScenario(0))
        return;
    Check(RegisterApplication(TEST_APPLICATION, TEST_APPLICATION_COMMAND) &&
              SetLaunchApplications("SnapButton", TEST_APPLICATION) &&
              SetLaunchApplications("NewPicture", "*"),
          "SnapButton names %s, NewPicture says \"*\"", TEST_APPLICATION);
    if (!Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts without a camera") ||
        !Check(WaitForMonitorWindow(), "its window exists")) {
        EndScenario(&run);
        return;
    }
    ReadRecord(&record);
    Check(record.opens == 0, "nothing opened the camera while it was unplugged");

    LetNotificationsRegister();
    Step("the camera is plugged in");
    Check(PlugCamera(), "the camera's interface arrives");
    if (CheckArmed(&run, 1, &arm)) {
        PressButton();
        WaitForLaunches(1, &log);
        CheckStartedByMonitor(FindLaunch(&log, "hxTestApp.exe"), &run, "hxTestApp.exe",
                              TEST_APPLICATION_COMMAND);
        Check(CountLaunches(&log, "hxAMCap.exe") == 0, "the default did not start instead");

        ReportNewPicture();
        WaitForLaunches(2, &log);
        CheckStartedByMonitor(FindLaunch(&log, "hxCap.exe"), &run, "hxCap.exe", "hxCap.exe");

        CheckClosesCleanly(&run, &arm);
        WaitForAllLaunches(2, &log);
    }
    EndScenario(&run);
}
