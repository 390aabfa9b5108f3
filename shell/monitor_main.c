#include "monitor.h"

HINSTANCE g_hInstance;

/* Registers the window class; a failure shows up as a failed creation. */
static void RegisterMonitorClass(void)
{
    WNDCLASSEXA windowClass;

    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MonitorWndProc;
    windowClass.hInstance = g_hInstance;
    windowClass.lpszClassName = MONITOR_CLASS_NAME;
    RegisterClassExA(&windowClass);
}

int MonitorMain(HINSTANCE hInstance)
{
    HWND hwnd;
    MSG msg;
    BOOL result;
    DWORD error;

    if (FindWindowA(MONITOR_CLASS_NAME, NULL) != NULL) {
        OutputDebugStringA(MONITOR_ALREADY_RUNNING);
        return 0;
    }
    /* Windows reports "no such window" with 2; Wine with 1407. Anything
       else means the lookup itself failed. */
    error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_CANNOT_FIND_WND_CLASS)
        return -1;

    g_hInstance = hInstance;
    RegisterMonitorClass();

    /* WM_CREATE sets up the whole device watch before this returns. */
    hwnd = CreateWindowExA(0, MONITOR_CLASS_NAME, MONITOR_WINDOW_TITLE, WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, NULL, NULL, g_hInstance, NULL);
    if (hwnd == NULL)
        return -1;

    while ((result = GetMessageA(&msg, NULL, 0, 0)) != 0) {
        /* On an error there is no message to pass on; keep listening. */
        if (result == -1)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
