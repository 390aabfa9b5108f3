/* An installer's pages, driven as a person drives them: its window, a
   control on the page it shows, and its buttons. */
#ifndef HXE2E_SETUP_PAGES_H
#define HXE2E_SETUP_PAGES_H

#include <windows.h>

/* The installer's own window: a visible top-level dialog of process pid.
   NULL when none shows within timeoutMs. */
HWND WaitForSetupWindow(DWORD pid, DWORD timeoutMs);

/* A visible control of that window (on whichever page it shows) whose text
   is `text`. NULL when none shows within timeoutMs. */
HWND WaitForSetupControl(HWND setup, const char *text, DWORD timeoutMs);

/* Clicks the window's button `id` (IDOK is Next, Install and Finish). */
void PressSetupButton(HWND setup, int id);

#endif
