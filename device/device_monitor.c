#include "device_monitor.h"

/* {6BDD1FC6-810F-11D0-BEC7-08002BE2092F}: the image device interface class. */
static const GUID ImageInterfaceClass = {
    0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};

DeviceMonitor g_Monitor;

/* The worker may outlive the main thread's bounded wait for it (a launch can
   take longer than that), and the main thread then closes the stop event, the
   driver key and the device. This lock makes each of those releases atomic
   with the worker's uses of the same fields: the worker duplicates the stop
   event and the device handle under it (so it waits and disarms on handles of
   its own), and opens event subkeys under the driver key under it. It is never
   held across a wait or a process creation, so neither thread is held long. */
static SRWLOCK MonitorLock = SRWLOCK_INIT;

int InitDeviceMonitor(DeviceMonitor *monitor)
{
    monitor->hDevInfo = NO_HANDLE;
    monitor->hDevNotify = NO_HANDLE;
    monitor->classGuid = ImageInterfaceClass;
    monitor->hThread = NO_HANDLE;
    monitor->hDevice = NO_HANDLE;
    monitor->hDriverKey = NO_KEY;
    monitor->hStopEvent = NO_HANDLE;
    monitor->devicePath[0] = '\0';
    return 0;
}

void LockMonitor(void)
{
    AcquireSRWLockExclusive(&MonitorLock);
}

void UnlockMonitor(void)
{
    ReleaseSRWLockExclusive(&MonitorLock);
}
