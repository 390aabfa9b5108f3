#include "setup_pages.h"
#include "harness.h"

#include <string.h>

typedef struct Search {
    DWORD pid;
    HWND parent;
    const char *text;
    HWND found;
} Search;

static BOOL CALLBACK MatchSetupWindow(HWND window, LPARAM context)
{
    Search *search = (Search *)context;
    char className[32];
    DWORD pid = 0;

    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) ||
        !GetClassNameA(window, className, sizeof(className)) || strcmp(className, "#32770") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

static int SetupWindowShown(void *context)
{
    Search *search = context;

    EnumWindows(MatchSetupWindow, (LPARAM)search);
    return search->found != NULL;
}

HWND WaitForSetupWindow(DWORD pid, DWORD timeoutMs)
{
    Search search = { pid, NULL, NULL, NULL };

    WaitUntil(SetupWindowShown, &search, timeoutMs);
    return search.found;
}

/* Children of children too: a page is a dialog inside the window. */
static BOOL CALLBACK MatchControl(HWND control, LPARAM context)
{
    Search *search = (Search *)context;
    char text[128];

    if (!IsWindowVisible(control) || GetWindowTextA(control, text, sizeof(text)) <= 0 ||
        strcmp(text, search->text) != 0)
        return TRUE;
    search->found = control;
    return FALSE;
}

static int ControlShown(void *context)
{
    Search *search = context;

    EnumChildWindows(search->parent, MatchControl, (LPARAM)search);
    return search->found != NULL;
}

HWND WaitForSetupControl(HWND setup, const char *text, DWORD timeoutMs)
{
    Search search = { 0, setup, text, NULL };

    WaitUntil(ControlShown, &search, timeoutMs);
    return search.found;
}

void PressSetupButton(HWND setup, int id)
{
    PostMessageA(setup, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(setup, id));
}
