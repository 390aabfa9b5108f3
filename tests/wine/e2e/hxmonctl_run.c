#include "hxmonctl_run.h"
#include "monitor_process.h"
#include "harness.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#define CTL_OUTPUT "C:\\hxsim\\hxmonctl-%u.out"

/* "<the monitor's folder>\hxmonctl.exe". */
static int CtlPath(char *path, size_t size)
{
    const char *monitor = MonitorPath();
    const char *slash = strrchr(monitor, '\\');

    if (!slash || (size_t)(slash - monitor) + sizeof("\\hxmonctl.exe") > size)
        return 0;
    memcpy(path, monitor, slash - monitor);
    strcpy(path + (slash - monitor), "\\hxmonctl.exe");
    return 1;
}

/* The file's text with "\r\n" made "\n". */
static void ReadOutput(HANDLE file, CtlRun *run)
{
    DWORD got = 0;
    DWORD i, used = 0;

    SetFilePointer(file, 0, NULL, FILE_BEGIN);
    if (!ReadFile(file, run->output, sizeof(run->output) - 1, &got, NULL))
        got = 0;
    for (i = 0; i < got; i++) {
        if (run->output[i] != '\r')
            run->output[used++] = run->output[i];
    }
    run->output[used] = '\0';
}

int RunHxmonctl(const char *command, CtlRun *run)
{
    SECURITY_ATTRIBUTES inheritable = { sizeof(SECURITY_ATTRIBUTES), NULL, TRUE };
    STARTUPINFOA startup;
    PROCESS_INFORMATION info;
    char path[MAX_PATH];
    char commandLine[2 * MAX_PATH];
    char outputPath[MAX_PATH];
    static unsigned runs;
    HANDLE file;
    int ended;

    run->exitCode = (DWORD)-2;
    run->pid = 0;
    run->output[0] = '\0';
    if (!CtlPath(path, sizeof(path)))
        return 0;
    /* A file of its own for each run, however long another one stays open. */
    _snprintf(outputPath, sizeof(outputPath), CTL_OUTPUT, ++runs);
    file = CreateFileA(outputPath, GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        Step("cannot create %s (error %lu)", outputPath, GetLastError());
        return 0;
    }
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    _snprintf(commandLine, sizeof(commandLine), "\"%s\" %s", path, command);
    commandLine[sizeof(commandLine) - 1] = '\0';
    /* No console: what it prints goes to the file alone. */
    if (!CreateProcessA(path, commandLine, NULL, NULL, TRUE, DETACHED_PROCESS, NULL, NULL,
                        &startup, &info)) {
        Step("cannot start %s (error %lu)", path, GetLastError());
        CloseHandle(file);
        return 0;
    }
    run->pid = info.dwProcessId;
    ended = WaitForSingleObject(info.hProcess, E2E_TIMEOUT_MS) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(info.hProcess, 99);
    GetExitCodeProcess(info.hProcess, &run->exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    ReadOutput(file, run);
    CloseHandle(file);
    return ended;
}

int HasLine(const CtlRun *run, const char *format, ...)
{
    char line[1024];
    va_list args;
    const char *at;
    size_t length;

    va_start(args, format);
    _vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    line[sizeof(line) - 1] = '\0';
    length = strlen(line);
    for (at = run->output; *at; at = strchr(at, '\n') + 1) {
        if (strncmp(at, line, length) == 0 && (at[length] == '\n' || at[length] == '\0'))
            return 1;
        if (!strchr(at, '\n'))
            break;
    }
    return 0;
}

void ShowOutput(const CtlRun *run)
{
    const char *at = run->output;
    const char *end;

    while (*at) {
        end = strchr(at, '\n');
        if (!end)
            end = at + strlen(at);
        printf("# | %.*s\n", (int)(end - at), at);
        at = *end ? end + 1 : end;
    }
    fflush(stdout);
}
