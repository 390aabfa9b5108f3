/* The settings window's icons at the size of the window's DPI. */
#ifndef HX_SETTINGS_ICON_H
#define HX_SETTINGS_ICON_H

#include <windows.h>

/* The title bar's small and big icons and the dialog's picture, loaded at
   the sizes the window's DPI asks for. */
void ShowWindowIcons(HWND dialog);

/* WM_DPICHANGED: the window moved to a screen of another scale. The icons
   follow; the dialog manager scales the rest (the dialog-unit layout). */
INT_PTR OnDpiChanged(HWND dialog, WPARAM dpi);

/* At the window's end: the icons it showed. */
void ReleaseWindowIcons(void);

#endif
