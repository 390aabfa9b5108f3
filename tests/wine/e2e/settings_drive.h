/* Driving hxMonitorSettings.exe, shipped beside the monitor, from outside
   with window messages, as a user's clicks would. */
#ifndef HXE2E_SETTINGS_DRIVE_H
#define HXE2E_SETTINGS_DRIVE_H

#include <windows.h>

typedef struct SettingsRun {
    HANDLE process;
    HWND dialog;
} SettingsRun;

/* Starts it and waits until its window shows the state it read. */
int OpenSettings(SettingsRun *run);

/* Measured inside its process (after a move to a screen of dpiChange, when
   not 0) and handed back in the registry. Returns 1 when it was measured. */
typedef struct SettingsProbe {
    int measured, clippedId, bigIcon, smallIcon; /* labels and buttons; icons' widths */
} SettingsProbe;
#define SETTINGS_PROBE_KEY "Software\\hxSettingsProbe"

int ProbeSettings(const SettingsRun *run, UINT dpiChange, SettingsProbe *probe);

/* A control's text, read as UTF-16 (an ANSI read across processes is not
   converted under Wine 8) and given back in the ANSI code page. */
void SettingsText(const SettingsRun *run, int id, char *text, int size);

/* Selects the drop-down's item of this text, as the user would. */
int ChooseItem(const SettingsRun *run, int comboId, const char *item);

/* Clicks a button (its WM_COMMAND); returns when the window has handled it. */
void ClickButton(const SettingsRun *run, int id);

/* A key pressed while the control has the focus: it goes through the
   window's own message loop, where the dialog manager sees it. */
void PressKey(const SettingsRun *run, int id, WPARAM key);

/* Waits for the program to end after OK or Cancel; its exit code, or -1. */
long WaitForSettingsToEnd(SettingsRun *run);

#endif
