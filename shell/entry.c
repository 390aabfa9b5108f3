/* Process entry of hxMonitor.exe. The monitor needs nothing from a C
   runtime, so the exe has none: the loader calls this directly, and
   MonitorMain's result becomes the exit code. The previous instance,
   command line and show state a WinMain would get are not used. */
#include <windows.h>
#include "monitor.h"

void MonitorEntry(void)
{
    ExitProcess((UINT)MonitorMain(GetModuleHandleA(NULL)));
}
