/* The thread that turns the driver's signals into launches. */
#ifndef HX_EVENT_WORKER_H
#define HX_EVENT_WORKER_H

#include <windows.h>
#include "device_monitor.h"

/* How long the main thread waits for the worker to end. */
#define WORKER_STOP_TIMEOUT 400

#ifdef __cplusplus
extern "C" {
#endif

void StartEventWorker(DeviceMonitor *monitor);
void StopEventWorker(DeviceMonitor *monitor);
void ReleaseWorkerAndKey(DeviceMonitor *monitor);
int CreateStopEvent(DeviceMonitor *monitor);
DWORD WINAPI EventWorker(LPVOID parameter);

#ifdef __cplusplus
}
#endif

#endif
