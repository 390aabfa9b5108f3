/* Running the real hxMonitor.exe the way a user's session would, and
   ending it the way other programs do: with WM_CLOSE. */
#ifndef HXE2E_MONITOR_PROCESS_H
#define HXE2E_MONITOR_PROCESS_H

#include <windows.h>

typedef struct MonitorRun {
    HANDLE process;
    unsigned pid;
} MonitorRun;

/* The monitor's Windows path; set once by the runner. */
void SetMonitorPath(const char *path);
const char *MonitorPath(void);

/* Starts a copy in the given directory. The copy inherits the runner's
   inheritable handles and environment. Returns 1 when it started. */
int StartMonitor(const char *workingDirectory, MonitorRun *run);

/* Waits for the single-copy window of class "hxMonitor". */
int WaitForMonitorWindow(void);

/* Takes hold of the copy that someone else started (an installer, the
   logon): waits for its window and opens its process. Returns 1 when it
   runs. */
int AttachToRunningMonitor(MonitorRun *run);

/* How many hxMonitor.exe processes run, whatever their window. */
unsigned CountMonitorProcesses(void);

/* A monitor process as a process snapshot shows it. */
typedef struct MonitorParent {
    DWORD pid;
    DWORD parentPid;  /* the process that created it, which may have ended */
} MonitorParent;

/* Polls process snapshots until an hxMonitor.exe appears, and notes it from
   the first snapshot that shows it. Returns 1 when one appeared in time. */
int WaitForMonitorProcess(DWORD timeoutMs, MonitorParent *seen);

/* The exe file the copy runs from. */
int MonitorImagePath(const MonitorRun *run, char *path, DWORD size);

/* Posts WM_CLOSE to the window and waits for the process to end. */
int CloseMonitor(MonitorRun *run, DWORD *exitCode);

/* Ends a copy that is still running (after a failed scenario) and releases
   the run's handle. */
void EndMonitor(MonitorRun *run);

/* Closes copies left by an earlier scenario. */
void CloseStrayMonitors(void);

/* Starts a copy under the debugger API and collects its debugger output
   until it exits. Returns 1 when it ran to its end. */
int RunMonitorUnderDebugger(const char *workingDirectory, DWORD *exitCode,
                            char *debugText, DWORD debugTextSize);

#endif
