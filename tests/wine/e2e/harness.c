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

const char *WindowsDirectory(void)
{
    static char directory[MAX_PATH];

    if (!directory[0] && !GetWindowsDirectoryA(directory, sizeof(directory)))
        directory[0] = '\0';
    return directory;
}
