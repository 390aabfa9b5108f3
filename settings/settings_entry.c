/* Process entry of hxMonitorSettings.exe. Like the monitor it has no C
   runtime: the loader calls this, and SettingsMain's result becomes the
   exit code. */
#include "settings_window.h"

void SettingsEntry(void)
{
    ExitProcess((UINT)SettingsMain(GetModuleHandleA(NULL)));
}
