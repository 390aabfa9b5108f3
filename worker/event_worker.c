#include "event_worker.h"
#include "camera_driver.h"
#include "launch_event.h"

/* The initial commit; the stack grows within the executable's reservation. */
#define WORKER_STACK_SIZE 2048

/* Index order of the worker's wait: a stop outranks pending camera events. */
#define WAIT_STOP (WAIT_OBJECT_0 + 0)
#define WAIT_SNAP (WAIT_OBJECT_0 + 1)
#define WAIT_PICTURE (WAIT_OBJECT_0 + 2)

int CreateStopEvent(DeviceMonitor *monitor)
{
    HANDLE hEvent;

    if (monitor->hStopEvent != NO_HANDLE)
        return -1;
    hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (hEvent == NULL) {
        /* Nothing held, so a later start tries again. */
        GetLastError();
        return -1;
    }
    LockMonitor();
    monitor->hStopEvent = hEvent;
    UnlockMonitor();
    return 0;
}

static void CloseStopEvent(DeviceMonitor *monitor)
{
    LockMonitor();
    if (monitor->hStopEvent != NO_HANDLE) {
        CloseHandle(monitor->hStopEvent);
        monitor->hStopEvent = NO_HANDLE;
    }
    UnlockMonitor();
}

void StartEventWorker(DeviceMonitor *monitor)
{
    HANDLE hThread;

    if (monitor->hThread != NO_HANDLE)
        return;
    if (monitor->hStopEvent == NO_HANDLE)
        CreateStopEvent(monitor);
    /* A worker that could not be told to stop is never started. */
    if (monitor->hStopEvent == NO_HANDLE)
        return;
    hThread = CreateThread(NULL, WORKER_STACK_SIZE, EventWorker, monitor, 0, NULL);
    if (hThread == NULL) {
        GetLastError();
        CloseStopEvent(monitor);
        return;
    }
    /* Under the lock like every field another thread may read. */
    LockMonitor();
    monitor->hThread = hThread;
    UnlockMonitor();
}

void StopEventWorker(DeviceMonitor *monitor)
{
    if (monitor->hThread == NO_HANDLE || monitor->hStopEvent == NO_HANDLE)
        return;
    SetEvent(monitor->hStopEvent);
    /* Bounded: a worker busy launching is left to finish on its own. */
    WaitForSingleObject(monitor->hThread, WORKER_STOP_TIMEOUT);
    CloseStopEvent(monitor);
}

void ReleaseWorkerAndKey(DeviceMonitor *monitor)
{
    LockMonitor();
    if (monitor->hThread != NO_HANDLE) {
        CloseHandle(monitor->hThread);
        monitor->hThread = NO_HANDLE;
    }
    if (monitor->hDriverKey != NO_KEY) {
        RegCloseKey(monitor->hDriverKey);
        monitor->hDriverKey = NO_KEY;
    }
    UnlockMonitor();
}

/* A handle of the worker's own to the object a record field holds now, so
   the main thread may close the field at any time; NO_HANDLE when none. */
static HANDLE DuplicateField(HANDLE *field)
{
    HANDLE copy = NO_HANDLE;

    LockMonitor();
    if (*field != NO_HANDLE &&
        !DuplicateHandle(GetCurrentProcess(), *field, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        GetLastError();
        copy = NO_HANDLE;
    }
    UnlockMonitor();
    return copy;
}

static void WaitAndLaunch(DeviceMonitor *monitor, HANDLE hStop, HANDLE snapEvent,
                          HANDLE pictureEvent)
{
    HANDLE waitObjects[3];
    DWORD result;

    waitObjects[0] = hStop;
    waitObjects[1] = snapEvent;
    waitObjects[2] = pictureEvent;
    for (;;) {
        result = WaitForMultipleObjects(3, waitObjects, FALSE, INFINITE);
        if (result == WAIT_SNAP)
            LaunchEventCommand(monitor, SnapButton);
        else if (result == WAIT_PICTURE)
            LaunchEventCommand(monitor, NewPicture);
        else
            break; /* the stop event, or a failed wait */
    }
}

DWORD WINAPI EventWorker(LPVOID parameter)
{
    DeviceMonitor *monitor = (DeviceMonitor *)parameter;
    HANDLE snapEvent;
    HANDLE pictureEvent;
    HANDLE hDevice;
    HANDLE hStop;

    snapEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (snapEvent == NULL)
        return 0;
    pictureEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (pictureEvent == NULL) {
        CloseHandle(snapEvent);
        return 0;
    }

    hDevice = DuplicateField(&monitor->hDevice);
    if (hDevice == NO_HANDLE || !SendCameraEvents(hDevice, snapEvent, pictureEvent)) {
        /* Never armed, so nothing to disarm. */
        GetLastError();
        if (hDevice != NO_HANDLE)
            CloseHandle(hDevice);
        CloseHandle(pictureEvent);
        CloseHandle(snapEvent);
        return 0;
    }
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);

    /* Already closed means a stop came before the worker got here. */
    hStop = DuplicateField(&monitor->hStopEvent);
    if (hStop != NO_HANDLE) {
        WaitAndLaunch(monitor, hStop, snapEvent, pictureEvent);
        CloseHandle(hStop);
    }

    SendCameraEvents(hDevice, NULL, pictureEvent);
    CloseHandle(hDevice);
    CloseHandle(pictureEvent);
    CloseHandle(snapEvent);
    return 0;
}
