#include "settings_window.h"
#include "settings_ids.h"

#include <commctrl.h>

#define DIALOG_CLASS "#32770"

int SettingsMain(HINSTANCE hInstance)
{
    INITCOMMONCONTROLSEX controls;
    HWND open = FindWindowA(DIALOG_CLASS, SETTINGS_TITLE);

    /* One window is enough: a second start shows the first. */
    if (open != NULL) {
        ShowWindow(open, SW_RESTORE);
        SetForegroundWindow(open);
        return 0;
    }
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&controls);
    return DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_SETTINGS), NULL, SettingsDialogProc,
                           0) == -1
               ? 1
               : 0;
}
