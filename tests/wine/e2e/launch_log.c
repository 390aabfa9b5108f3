#include "launch_log.h"
#include "harness.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static char logPath[MAX_PATH];

int StartLaunchLog(const char *path)
{
    if (strlen(path) >= sizeof(logPath))
        return 0;
    strcpy(logPath, path);
    if (!DeleteFileA(logPath) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return 0;
    return SetEnvironmentVariableA("HXSIM_LOG", logPath) != 0;
}

static void CopyField(char *out, size_t size, const char *line, const char *key)
{
    char pattern[24];
    const char *at;
    size_t length;

    out[0] = '\0';
    _snprintf(pattern, sizeof(pattern), "%s=", key);
    for (at = line; at; at = strchr(at, '\t')) {
        if (*at == '\t')
            at++;
        if (strncmp(at, pattern, strlen(pattern)) == 0)
            break;
    }
    if (!at)
        return;
    at += strlen(pattern);
    /* The command line comes last and is taken whole, tabs included. */
    length = strcmp(key, "cmdline") == 0 ? strcspn(at, "\r\n") : strcspn(at, "\t\r\n");
    if (length >= size)
        length = size - 1;
    memcpy(out, at, length);
    out[length] = '\0';
}

static void ParseLaunch(Launch *launch, const char *line)
{
    char number[16];

    CopyField(launch->program, sizeof(launch->program), line, "program");
    CopyField(number, sizeof(number), line, "pid");
    launch->pid = (unsigned)strtoul(number, NULL, 10);
    CopyField(number, sizeof(number), line, "parent");
    launch->parent = (unsigned)strtoul(number, NULL, 10);
    CopyField(launch->console, sizeof(launch->console), line, "console");
    CopyField(launch->inherited, sizeof(launch->inherited), line, "inherited");
    CopyField(launch->cwd, sizeof(launch->cwd), line, "cwd");
    CopyField(launch->cmdline, sizeof(launch->cmdline), line, "cmdline");
}

int ReadLaunchLog(LaunchLog *log)
{
    char line[2048];
    FILE *file;

    memset(log, 0, sizeof(*log));
    file = fopen(logPath, "r");
    if (!file)
        return GetLastError() == ERROR_FILE_NOT_FOUND || errno == ENOENT;
    while (log->count < LAUNCHES_MAX && fgets(line, sizeof(line), file)) {
        /* A line still being written has no newline yet: not a launch yet. */
        if (strchr(line, '\n'))
            ParseLaunch(&log->launches[log->count++], line);
    }
    fclose(file);
    return 1;
}

typedef struct LAUNCH_WAIT {
    unsigned count;
    LaunchLog *log;
} LAUNCH_WAIT;

static int EnoughLaunches(void *context)
{
    LAUNCH_WAIT *wait = context;

    return ReadLaunchLog(wait->log) && wait->log->count >= wait->count;
}

int WaitForLaunches(unsigned count, LaunchLog *log)
{
    LAUNCH_WAIT wait;

    wait.count = count;
    wait.log = log;
    return WaitUntil(EnoughLaunches, &wait, E2E_TIMEOUT_MS);
}

unsigned CountLaunches(const LaunchLog *log, const char *program)
{
    unsigned i, count = 0;

    for (i = 0; i < log->count; i++)
        count += lstrcmpiA(log->launches[i].program, program) == 0;
    return count;
}

const Launch *FindLaunch(const LaunchLog *log, const char *program)
{
    unsigned i;

    for (i = 0; i < log->count; i++) {
        if (lstrcmpiA(log->launches[i].program, program) == 0)
            return &log->launches[i];
    }
    return NULL;
}

static int IsStandInProgram(const char *name)
{
    return lstrcmpiA(name, "hxAMCap.exe") == 0 || lstrcmpiA(name, "hxCap.exe") == 0 ||
           lstrcmpiA(name, "hxTestApp.exe") == 0;
}

static int NoteStandIn(const PROCESSENTRY32 *entry, void *running)
{
    *(int *)running |= IsStandInProgram(entry->szExeFile);
    return !*(int *)running;
}

static int NoStandInRunning(void *context)
{
    int running = 0;

    (void)context;
    return ForEachProcess(NoteStandIn, &running) && !running;
}

int WaitForStartedProgramsToEnd(void)
{
    return WaitUntil(NoStandInRunning, NULL, E2E_TIMEOUT_MS);
}
