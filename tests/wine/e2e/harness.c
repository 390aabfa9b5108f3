#include "harness.h"

#include <stdarg.h>
#include <stdio.h>

static int failures;

int Check(int cond, const char *format, ...)
{
    va_list args;

    printf(cond ? "ok - " : "FAIL - ");
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
    if (!cond)
        failures++;
    return cond;
}

void Step(const char *format, ...)
{
    va_list args;

    printf("# ");
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

int FailureCount(void)
{
    return failures;
}

int WaitUntil(int (*done)(void *context), void *context, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    int result;

    while (!(result = done(context)) && GetTickCount() - start < timeoutMs)
        Sleep(20);
    return result;
}

void ToWindowsPath(const char *path, char *out, size_t size)
{
    size_t i;

    if (path[0] == '/')
        _snprintf(out, size, "Z:%s", path);
    else
        _snprintf(out, size, "%s", path);
    out[size - 1] = '\0';
    for (i = 0; out[i]; i++) {
        if (out[i] == '/')
            out[i] = '\\';
    }
}

int ForEachProcess(int (*visit)(const PROCESSENTRY32 *entry, void *context), void *context)
{
    PROCESSENTRY32 entry;
    HANDLE snapshot;

    snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    entry.dwSize = sizeof(entry);
    if (Process32First(snapshot, &entry)) {
        while (visit(&entry, context) && Process32Next(snapshot, &entry))
            ;
    }
    CloseHandle(snapshot);
    return 1;
}

const char *WindowsDirectory(void)
{
    static char directory[MAX_PATH];

    if (!directory[0] && !GetWindowsDirectoryA(directory, sizeof(directory)))
        directory[0] = '\0';
    return directory;
}
