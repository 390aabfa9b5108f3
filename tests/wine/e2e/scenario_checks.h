/* Checks several scenarios share: how the monitor arms, closes, and what a
   program it started looks like. */
#ifndef HXE2E_SCENARIO_CHECKS_H
#define HXE2E_SCENARIO_CHECKS_H

#include "camera_record.h"
#include "launch_log.h"
#include "monitor_process.h"

/* Waits for the monitor's count-th arm request and checks its payload: two
   distinct, nonzero handles. Copies it to *arm. */
int CheckArmed(const MonitorRun *run, unsigned count, RecordEvent *arm);

/* The program was started by the monitor, with exactly this command line,
   in the Windows directory, detached, inheriting nothing. */
void CheckStartedByMonitor(const Launch *launch, const MonitorRun *run,
                           const char *program, const char *commandLine);

/* WM_CLOSE: exit code 0, the driver disarmed with (0, the armed picture
   event) after its last arm, and every handle the monitor opened on the
   camera closed once it is gone. arm may be NULL when it never armed. */
void CheckClosesCleanly(MonitorRun *run, const RecordEvent *arm);

/* The part of the above that follows the monitor's end, however it was
   asked to close. */
void CheckLeftTheCameraClean(const MonitorRun *run, const RecordEvent *arm);

/* The snapshot button, pressed once with a fresh launch log, starts the
   default program from this copy of the monitor, and only that. */
void CheckPressStartsProgram(const MonitorRun *run);

/* Waits for exactly `count` launches in total and for those programs to
   finish, so that the log read into *log is final. */
int WaitForAllLaunches(unsigned count, LaunchLog *log);

#endif
