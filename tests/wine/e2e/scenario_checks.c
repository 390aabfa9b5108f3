#include "scenario_checks.h"
#include "harness.h"
#include "scenario.h"

#include <string.h>

int CheckArmed(const MonitorRun *run, unsigned count, RecordEvent *arm)
{
    CameraRecord record;
    int at = -1;
    unsigned seen;

    if (!Check(WaitForEvents("arm", run->pid, count, &record),
               "the monitor arms the driver (arm #%u from pid %u)", count, run->pid))
        return 0;
    for (seen = 0; seen < count; seen++)
        at = FindEvent(&record, "arm", run->pid, at + 1);
    *arm = record.events[at];
    Check(arm->first != 0 && arm->second != 0 && arm->first != arm->second,
          "the arm request carries two distinct event handles (0x%x, 0x%x)",
          arm->first, arm->second);
    Check(arm->status == 0, "the driver accepted the arm request");
    return 1;
}

void CheckStartedByMonitor(const Launch *launch, const MonitorRun *run,
                           const char *program, const char *commandLine)
{
    if (!Check(launch != NULL, "%s was started", program))
        return;
    Check(strcmp(launch->cmdline, commandLine) == 0,
          "%s got the command line \"%s\" (got \"%s\")", program, commandLine,
          launch->cmdline);
    Check(lstrcmpiA(launch->cwd, WindowsDirectory()) == 0,
          "%s runs in the Windows directory %s (got %s)", program, WindowsDirectory(),
          launch->cwd);
    Check(launch->parent == run->pid, "%s was started by the monitor (parent %u, monitor %u)",
          program, launch->parent, run->pid);
    Check(strcmp(launch->console, "no") == 0, "%s has no console (got %s)", program,
          launch->console);
    Check(strcmp(launch->inherited, "no") == 0,
          "%s inherited none of the monitor's handles (got %s)", program, launch->inherited);
}

typedef struct CLOSE_WAIT {
    unsigned pid;
    CameraRecord *record;
} CLOSE_WAIT;

static int AllHandlesClosed(void *context)
{
    CLOSE_WAIT *wait = context;

    return ReadRecord(wait->record) &&
           CountEvents(wait->record, "close", wait->pid) >=
               CountEvents(wait->record, "open", wait->pid);
}

void CheckClosesCleanly(MonitorRun *run, const RecordEvent *arm)
{
    DWORD exitCode;

    Check(CloseMonitor(run, &exitCode), "the monitor ends after WM_CLOSE");
    Check(exitCode == 0, "its exit code is 0 (got %ld)", (long)exitCode);
    CheckLeftTheCameraClean(run, arm);
}

void CheckLeftTheCameraClean(const MonitorRun *run, const RecordEvent *arm)
{
    CameraRecord record;
    CLOSE_WAIT wait;
    int lastArm = -1, disarm, at, closed;

    wait.pid = run->pid;
    wait.record = &record;
    closed = WaitUntil(AllHandlesClosed, &wait, E2E_TIMEOUT_MS);
    Check(closed, "every handle it opened on the camera is closed (%u opens, %u closes)",
          CountEvents(&record, "open", run->pid), CountEvents(&record, "close", run->pid));
    if (!arm) {
        Check(CountEvents(&record, "disarm", run->pid) == 0,
              "it never disarmed a driver it never armed");
        return;
    }
    for (at = FindEvent(&record, "arm", run->pid, 0); at >= 0;
         at = FindEvent(&record, "arm", run->pid, at + 1))
        lastArm = at;
    disarm = FindEvent(&record, "disarm", run->pid, lastArm + 1);
    if (Check(disarm >= 0, "closing disarms the driver after its last arm"))
        Check(record.events[disarm].first == 0 && record.events[disarm].second == arm->second,
              "the disarm request is (0, picture event 0x%x) (got 0x%x, 0x%x)", arm->second,
              record.events[disarm].first, record.events[disarm].second);
}

int WaitForAllLaunches(unsigned count, LaunchLog *log)
{
    int ok = WaitForLaunches(count, log);

    ok &= WaitForStartedProgramsToEnd();
    ok &= ReadLaunchLog(log);
    return Check(ok && log->count == count, "exactly %u program(s) started (got %u)", count,
                 log->count);
}

void CheckPressStartsProgram(const MonitorRun *run)
{
    LaunchLog log;

    WaitForStartedProgramsToEnd();
    if (!Check(StartLaunchLog(LAUNCH_LOG), "the launch log starts empty"))
        return;
    Step("the snapshot button is pressed");
    Check(PressButton(), "the press reaches the camera");
    WaitForLaunches(1, &log);
    CheckStartedByMonitor(FindLaunch(&log, "hxAMCap.exe"), run, "hxAMCap.exe", "hxAMCap.exe");
    WaitForAllLaunches(1, &log);
}
