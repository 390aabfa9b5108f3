/* The monitor follows the camera, stays a single copy, and runs idle. */
#include "scenarios.h"
#include "scenario.h"
#include "scenario_checks.h"
#include "harness.h"

#include <string.h>

/* The camera is unplugged and plugged in again while the monitor runs. */
void ScenarioUnplugAndReplug(void)
{
    static const char *const order[] = {
        "arm", "interface-off", "disarm", "close", "interface-on", "open", "arm", NULL
    };
    MonitorRun run = { NULL, 0 };
    RecordEvent firstArm, secondArm;
    CameraRecord record;
    LaunchLog log;
    int disarm, press;

    if (!BeginScenario(1))
        return;
    if (!Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts") ||
        !CheckArmed(&run, 1, &firstArm)) {
        EndScenario(&run);
        return;
    }
    LetNotificationsRegister();

    Step("the camera is unplugged");
    Check(UnplugCamera(), "the camera's interface goes away");
    if (!Check(WaitForEvents("disarm", run.pid, 1, &record), "the monitor disarms the driver")) {
        EndScenario(&run);  /* it did not see the removal: the rest would only time out */
        return;
    }
    disarm = FindEvent(&record, "disarm", run.pid, 0);
    Check(record.events[disarm].first == 0 && record.events[disarm].second == firstArm.second,
          "the disarm request is (0, picture event 0x%x)", firstArm.second);
    Check(WaitForEvents("close", run.pid, 1, &record),
          "the monitor closes its handle on the camera");
    PressButton();
    ReadRecord(&record);
    press = FindEvent(&record, "press", 0, 0);
    Check(record.armed == 0 && press >= 0 && record.events[press].signalled == 0,
          "a press while unplugged reaches no one");

    Step("the camera is plugged in again");
    Check(PlugCamera(), "the camera's interface arrives");
    if (CheckArmed(&run, 2, &secondArm)) {
        ReadRecord(&record);
        Check(EventsInOrder(&record, order),
              "the driver saw arm, unplug, disarm, close, plug, open, arm in that order");
        Check(CountEvents(&record, "arm", run.pid) == 2 &&
                  CountEvents(&record, "disarm", run.pid) == 1,
              "one worker at a time: 2 arms, 1 disarm so far");

        Step("after the new arrival, one press and one picture");
        PressButton();
        WaitForLaunches(1, &log);
        ReportNewPicture();
        WaitForLaunches(2, &log);
        CheckStartedByMonitor(FindLaunch(&log, "hxAMCap.exe"), &run, "hxAMCap.exe",
                              "hxAMCap.exe");
        CheckStartedByMonitor(FindLaunch(&log, "hxCap.exe"), &run, "hxCap.exe", "hxCap.exe");
        CheckClosesCleanly(&run, &secondArm);
        WaitForAllLaunches(2, &log);
        Check(CountLaunches(&log, "hxAMCap.exe") == 1 && CountLaunches(&log, "hxCap.exe") == 1,
              "each event launched once");
    }
    EndScenario(&run);
}

/* Someone starts the monitor a second time. */
void ScenarioSecondCopyIsRefused(void)
{
    MonitorRun run = { NULL, 0 };
    RecordEvent arm;
    CameraRecord record;
    LaunchLog log;
    DWORD exitCode;
    char debugText[1024];

    if (!BeginScenario(1))
        return;
    if (!Check(StartMonitor(START_DIRECTORY, &run), "the first copy starts") ||
        !CheckArmed(&run, 1, &arm) || !Check(WaitForMonitorWindow(), "its window exists")) {
        EndScenario(&run);
        return;
    }

    Step("a second copy starts, watched through the debugger interface");
    Check(RunMonitorUnderDebugger(START_DIRECTORY, &exitCode, debugText, sizeof(debugText)),
          "the second copy ends by itself");
    Check(exitCode == 0, "its exit code is 0 (got %ld)", (long)exitCode);
    Check(strcmp(debugText, "hxMon: Already Running!") == 0,
          "its only debugger output is \"hxMon: Already Running!\" (got \"%s\")", debugText);

    ReadRecord(&record);
    Check(CountEvents(&record, "open", 0) == 1 && CountEvents(&record, "arm", 0) == 1 &&
              CountEvents(&record, "disarm", 0) == 0,
          "the second copy never touched the camera, and the first is still armed");
    Check(WaitForSingleObject(run.process, 0) == WAIT_TIMEOUT, "the first copy still runs");

    PressButton();
    WaitForLaunches(1, &log);
    CheckStartedByMonitor(FindLaunch(&log, "hxAMCap.exe"), &run, "hxAMCap.exe", "hxAMCap.exe");
    CheckClosesCleanly(&run, &arm);
    WaitForAllLaunches(1, &log);
    EndScenario(&run);
}

/* No camera at all: the monitor waits quietly and still closes in order;
   once closed, it starts again as the only copy. */
void ScenarioRunsIdleWithoutCamera(void)
{
    MonitorRun run = { NULL, 0 };
    CameraRecord record;
    LaunchLog log;

    if (!BeginScenario(0))
        return;
    if (Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts without a camera") &&
        Check(WaitForMonitorWindow(), "its window exists")) {
        PressButton();
        ReportNewPicture();
        ReadRecord(&record);
        Check(record.opens == 0 && record.arms == 0, "it never opened or armed the camera");
        Check(WaitForSingleObject(run.process, 0) == WAIT_TIMEOUT, "it keeps running");
        CheckClosesCleanly(&run, NULL);
        WaitForAllLaunches(0, &log);

        Step("it is started again");
        EndMonitor(&run);
        if (Check(StartMonitor(START_DIRECTORY, &run), "hxMonitor.exe starts again") &&
            Check(WaitForMonitorWindow(), "its window exists: nothing was left to refuse it"))
            CheckClosesCleanly(&run, NULL);
    }
    EndScenario(&run);
}
