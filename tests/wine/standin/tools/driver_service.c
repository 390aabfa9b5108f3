#include "driver_service.h"
#include "../hxcamsim_control.h"

static SC_HANDLE OpenDriverService(SC_HANDLE manager, DWORD access)
{
    return manager ? OpenServiceA(manager, HXCAMSIM_SERVICE_NAME, access) : NULL;
}

int StartCameraDriver(void)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenDriverService(manager, SERVICE_START);
    DWORD error = GetLastError();
    int running = 0;

    if (service) {
        running = StartServiceA(service, 0, NULL) ||
                  GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
        error = GetLastError();
        CloseServiceHandle(service);
    }
    if (manager)
        CloseServiceHandle(manager);
    if (!running)
        SetLastError(error);
    return running;
}

int QueryCameraDriver(SERVICE_STATUS *status)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenDriverService(manager, SERVICE_QUERY_STATUS);
    int known = service && QueryServiceStatus(service, status);
    DWORD error = GetLastError();

    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    SetLastError(error);
    return known;
}

int CameraDriverStopped(DWORD *exitCode)
{
    SERVICE_STATUS status;

    if (!QueryCameraDriver(&status) || status.dwCurrentState != SERVICE_STOPPED)
        return 0;
    *exitCode = status.dwWin32ExitCode;
    return 1;
}
