/* The settings window: a dialog that shows the monitor's state and lets
   the user choose what each camera event starts. */
#ifndef HX_SETTINGS_WINDOW_H
#define HX_SETTINGS_WINDOW_H

#include <windows.h>

#define SETTINGS_TITLE "hxMonitor Settings"

#ifdef __cplusplus
extern "C" {
#endif

/* Shows the window until it is closed; returns the process exit code. */
int SettingsMain(HINSTANCE hInstance);

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* The "Add Program" dialog over the settings window: an .exe chosen in the
   Open dialog, a name confirmed, then registered. Returns 1 when an
   application was registered; its name is left in name (MAX_PATH). */
int AddProgram(HWND owner, char *name);

#ifdef __cplusplus
}
#endif

#endif
