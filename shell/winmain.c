/* Process entry of hxMonitor.exe. All the work is in MonitorMain; the
   previous instance, command line and show state are not used. */
#include <windows.h>
#include "monitor.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd)
{
    (void)hPrevInstance;
    (void)lpCmdLine;
    (void)nShowCmd;
    return MonitorMain(hInstance);
}
