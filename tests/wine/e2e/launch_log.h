/* What the stand-in programs (hxAMCap.exe, hxCap.exe, hxTestApp.exe)
   wrote about how they were started. */
#ifndef HXE2E_LAUNCH_LOG_H
#define HXE2E_LAUNCH_LOG_H

#include <windows.h>

#define LAUNCHES_MAX 32

typedef struct Launch {
    char program[64];    /* exe file name */
    unsigned pid;
    unsigned parent;     /* the process that started it */
    char console[8];     /* "yes" / "no" */
    char inherited[8];   /* "yes" / "no" / "unknown" */
    char cwd[MAX_PATH];
    char cmdline[1024];
} Launch;

typedef struct LaunchLog {
    unsigned count;
    Launch launches[LAUNCHES_MAX];
} LaunchLog;

/* Points the stand-in programs at a fresh, empty log (HXSIM_LOG). */
int StartLaunchLog(const char *path);

int ReadLaunchLog(LaunchLog *log);

/* Waits for at least count lines; leaves the last log read in *log. */
int WaitForLaunches(unsigned count, LaunchLog *log);

unsigned CountLaunches(const LaunchLog *log, const char *program);

/* The first launch of this program, or NULL. */
const Launch *FindLaunch(const LaunchLog *log, const char *program);

/* Waits until no stand-in program is still running, so that a log read
   afterwards is final. */
int WaitForStartedProgramsToEnd(void);

#endif
