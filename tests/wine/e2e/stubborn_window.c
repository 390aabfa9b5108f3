#include "stubborn_window.h"
#include "harness.h"

#define STUBBORN_CLASS "hxMonitor"

static LRESULT CALLBACK StubbornProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    StubbornWindow *stubborn = (StubbornWindow *)GetWindowLongPtrA(window, GWLP_USERDATA);

    if (message == WM_CLOSE) {
        if (stubborn)
            InterlockedIncrement(&stubborn->closeRequests);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static DWORD WINAPI StubbornThread(void *context)
{
    StubbornWindow *stubborn = context;
    WNDCLASSEXA windowClass;
    MSG message;

    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = StubbornProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = STUBBORN_CLASS;
    RegisterClassExA(&windowClass);
    stubborn->window = CreateWindowExA(0, STUBBORN_CLASS, "stubborn copy", WS_OVERLAPPEDWINDOW,
                                       CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, NULL, NULL,
                                       windowClass.hInstance, NULL);
    if (stubborn->window)
        SetWindowLongPtrA(stubborn->window, GWLP_USERDATA, (LONG_PTR)stubborn);
    SetEvent(stubborn->ready);
    while (stubborn->window && GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    if (stubborn->window)
        DestroyWindow(stubborn->window);
    UnregisterClassA(STUBBORN_CLASS, windowClass.hInstance);
    return 0;
}

int OpenStubbornWindow(StubbornWindow *stubborn)
{
    ZeroMemory(stubborn, sizeof(*stubborn));
    stubborn->ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (!stubborn->ready)
        return 0;
    stubborn->thread = CreateThread(NULL, 0, StubbornThread, stubborn, 0, &stubborn->threadId);
    if (!stubborn->thread)
        return 0;
    WaitForSingleObject(stubborn->ready, E2E_TIMEOUT_MS);
    return stubborn->window != NULL;
}

void CloseStubbornWindow(StubbornWindow *stubborn)
{
    if (stubborn->thread) {
        PostThreadMessageA(stubborn->threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(stubborn->thread, E2E_TIMEOUT_MS);
        CloseHandle(stubborn->thread);
        stubborn->thread = NULL;
    }
    if (stubborn->ready) {
        CloseHandle(stubborn->ready);
        stubborn->ready = NULL;
    }
}
