/* closemon: finds the running monitor's hidden window and asks it to close,
   as an outside program would.

     closemon [--wait SECONDS] [--find]

   --wait  keep looking for up to SECONDS for the window to appear
   --find  only report whether the window exists; send nothing

   Exit code: 0 the window was found (and, without --find, took WM_CLOSE),
   1 no window, 2 bad arguments, 3 the window did not take the message. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MONITOR_CLASS "hxMonitor"
#define POLL_INTERVAL_MS 100
#define CLOSE_TIMEOUT_MS 10000

static HWND FindMonitorWindow(DWORD waitMs)
{
    DWORD started = GetTickCount();
    for (;;) {
        HWND hwnd = FindWindowA(MONITOR_CLASS, NULL);
        if (hwnd != NULL || GetTickCount() - started >= waitMs)
            return hwnd;
        Sleep(POLL_INTERVAL_MS);
    }
}

static int Usage(void)
{
    fprintf(stderr, "usage: closemon [--wait SECONDS] [--find]\n");
    return 2;
}

int main(int argc, char **argv)
{
    DWORD waitMs = 0;
    int findOnly = 0;
    int i;

    for (i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--find") == 0) {
            findOnly = 1;
        } else if (strcmp(argv[i], "--wait") == 0 && i + 1 < argc) {
            char *end;
            long seconds = strtol(argv[++i], &end, 10);
            if (*end != '\0' || seconds < 0 || seconds > 3600)
                return Usage();
            waitMs = (DWORD)seconds * 1000;
        } else {
            return Usage();
        }
    }

    HWND hwnd = FindMonitorWindow(waitMs);
    if (hwnd == NULL) {
        printf("closemon: no window of class \"%s\"\n", MONITOR_CLASS);
        return 1;
    }
    if (findOnly) {
        printf("closemon: found window %p\n", (void *)hwnd);
        return 0;
    }

    /* Sent rather than posted: returning means the monitor has run its close
       handling, so the caller may go straight on to wait for its exit. */
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, CLOSE_TIMEOUT_MS,
                             &result)) {
        printf("closemon: WM_CLOSE to window %p failed (error %lu)\n", (void *)hwnd,
               GetLastError());
        return 3;
    }
    printf("closemon: closed window %p\n", (void *)hwnd);
    return 0;
}
