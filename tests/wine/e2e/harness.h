/* The scenario runner's bookkeeping: checks that report and count, and
   waiting for something to become true. */
#ifndef HXE2E_HARNESS_H
#define HXE2E_HARNESS_H

#include <windows.h>
#include <tlhelp32.h>

/* Generous: these bound waits for things that normally take milliseconds,
   on a loaded machine under Wine. */
#define E2E_TIMEOUT_MS 15000

/* Reports "ok - ..." or "FAIL - ..." and counts failures. Returns cond. */
int Check(int cond, const char *format, ...);

/* Prints a "# ..." line: what the scenario is doing now. */
void Step(const char *format, ...);

int FailureCount(void);

/* Polls done(context) every 20 ms until it returns nonzero or timeoutMs
   passes. Returns the last result. */
int WaitUntil(int (*done)(void *context), void *context, DWORD timeoutMs);

/* A host path as the prefix sees it: ctest passes host paths, and the
   prefix sees the host's root as drive Z: ("/x/y" becomes "Z:\x\y"). */
void ToWindowsPath(const char *path, char *out, size_t size);

/* Calls visit(entry, context) for each running process until it returns
   0. Returns 0 when the processes could not be listed. */
int ForEachProcess(int (*visit)(const PROCESSENTRY32 *entry, void *context), void *context);

/* The Windows directory, e.g. "C:\windows". */
const char *WindowsDirectory(void);

#endif
