#include "monitor.h"
#include "device.h"
#include "event_worker.h"

/* How long after a device change, with no camera held, the monitor looks
   at the interfaces present. The platform's arrival follows its tree-change
   message within milliseconds, so by then only a lost one is left to
   catch. One-shot: set by each such change, killed when it fires. */
#define SETTLE_DELAY 1000

/* Sets up the device watch. Every failure leaves an idle window behind. */
static LRESULT OnCreate(HWND hwnd)
{
    HDEVNOTIFY hDevNotify;
    SP_DEVICE_INTERFACE_DATA interfaceData;

    InitDeviceMonitor(&g_Monitor);
    g_Monitor.hDevInfo = SetupDiGetClassDevsA(&g_Monitor.classGuid, NULL, NULL,
                                              DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (g_Monitor.hDevInfo == NO_HANDLE)
        return 0;

    hDevNotify = WatchInterfaceClass(hwnd, &g_Monitor.classGuid);
    /* A failed registration holds nothing to unregister. */
    g_Monitor.hDevNotify = hDevNotify != NULL ? hDevNotify : NO_HANDLE;

    /* The camera present at start is served like one that arrives: its own
       driver key is held before the worker can look anything up under it. A
       key that cannot be opened leaves the camera on the default programs. */
    if (OpenFirstDevice(g_Monitor.hDevInfo, &g_Monitor.classGuid, &g_Monitor.hDevice,
                        &interfaceData)) {
        GetInterfacePath(g_Monitor.hDevInfo, &interfaceData, g_Monitor.devicePath);
        OpenDriverKey(&g_Monitor, &interfaceData);
        StartEventWorker(&g_Monitor);
    }
    return 0;
}

/* Takes the watch down; the default handling then destroys the window. */
static LRESULT OnClose(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (g_Monitor.hDevNotify != NO_HANDLE)
        UnregisterDeviceNotification(g_Monitor.hDevNotify);
    if (g_Monitor.hDevInfo != NO_HANDLE)
        SetupDiDestroyDeviceInfoList(g_Monitor.hDevInfo);
    KillTimer(hwnd, MONITOR_SETTLE_TIMER);
    StopEventWorker(&g_Monitor);
    ReleaseWorkerAndKey(&g_Monitor);
    /* Only after the worker was told to stop: it disarms on its own copy. */
    ReleaseDevice(&g_Monitor);
    return DefWindowProcA(hwnd, WM_CLOSE, wParam, lParam);
}

/* Device broadcasts carry a record; only image-interface arrivals and
   removals are ours, everything else gets the default handling. A change
   of the device tree, which carries none, is also a moment to check that
   the record still agrees with the devices present. */
static LRESULT OnDeviceChange(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    const DEV_BROADCAST_HDR *broadcast = (const DEV_BROADCAST_HDR *)lParam;

    if (wParam == DBT_DEVNODES_CHANGED) {
        if (OnDeviceNodesChanged(&g_Monitor))
            SetTimer(hwnd, MONITOR_SETTLE_TIMER, SETTLE_DELAY, NULL);
        return DefWindowProcA(hwnd, WM_DEVICECHANGE, wParam, lParam);
    }
    if ((wParam & 0xC000) != 0x8000 || broadcast == NULL ||
        broadcast->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return DefWindowProcA(hwnd, WM_DEVICECHANGE, wParam, lParam);

    switch (wParam) {
    case DBT_DEVICEARRIVAL:
        OnDeviceArrival(&g_Monitor, broadcast);
        return TRUE;
    case DBT_DEVICEREMOVEPENDING:
    case DBT_DEVICEREMOVECOMPLETE:
        OnDeviceRemoval(&g_Monitor, broadcast);
        return TRUE;
    default:
        return DefWindowProcA(hwnd, WM_DEVICECHANGE, wParam, lParam);
    }
}

LRESULT CALLBACK MonitorWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(hwnd);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        return OnClose(hwnd, wParam, lParam);
    case WM_COMMAND:
        return 0;
    case WM_DEVICECHANGE:
        return OnDeviceChange(hwnd, wParam, lParam);
    case WM_TIMER:
        if (wParam != MONITOR_SETTLE_TIMER)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        KillTimer(hwnd, MONITOR_SETTLE_TIMER);
        OnDeviceNodesSettled(&g_Monitor);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
