/* Running hxmonctl.exe, shipped beside the monitor, and reading what it
   printed. */
#ifndef HXE2E_HXMONCTL_RUN_H
#define HXE2E_HXMONCTL_RUN_H

#include <windows.h>

typedef struct CtlRun {
    DWORD exitCode;
    unsigned pid;
    char output[16384]; /* its standard output, with "\n" line ends */
} CtlRun;

/* Runs "hxmonctl <command>" to its end. Returns 1 when it ran. */
int RunHxmonctl(const char *command, CtlRun *run);

/* Whether a line of the output is exactly this text (printf-style). */
int HasLine(const CtlRun *run, const char *format, ...);

/* Copies the output into the scenario's log, each line as "# | ...". */
void ShowOutput(const CtlRun *run);

#endif
