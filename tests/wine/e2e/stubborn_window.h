/* A window of the monitor's class that will not close: what an installer
   meets when the running copy hangs. */
#ifndef HXE2E_STUBBORN_WINDOW_H
#define HXE2E_STUBBORN_WINDOW_H

#include <windows.h>

typedef struct StubbornWindow {
    HANDLE thread;
    DWORD threadId;
    HANDLE ready;
    HWND window;
    LONG closeRequests;  /* WM_CLOSE messages it ignored */
} StubbornWindow;

/* Creates the window on a thread of its own that keeps answering messages
   and ignores WM_CLOSE. Returns 1 when the window exists. */
int OpenStubbornWindow(StubbornWindow *stubborn);

/* Destroys the window and ends its thread. */
void CloseStubbornWindow(StubbornWindow *stubborn);

#endif
