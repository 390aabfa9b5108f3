/* The settings window's icons. The icon file holds the camera at each size
   from 96 to 192 DPI; the window picks the one its DPI asks for, and picks
   again when it moves to a screen of another scale, instead of having a
   32x32 image stretched. */
#include "settings_icon.h"
#include "settings_ids.h"

typedef UINT(WINAPI *DpiForWindowFunction)(HWND window);
typedef int(WINAPI *MetricForDpiFunction)(int metric, UINT dpi);

/* What the window shows now; owned here, released when replaced or at the
   window's end. The big one is also the dialog's picture. */
static HICON g_Big;
static HICON g_Small;

/* Windows 10 (1607) knows a DPI per window, and the icon sizes of each
   DPI. Found at run time, so that the window starts on Windows 7 too. */
static FARPROC User32Function(const char *name)
{
    return GetProcAddress(GetModuleHandleA("user32.dll"), name);
}

/* 0 where the system has one DPI for all: Windows 7 and 8.1. */
static UINT WindowDpi(HWND window)
{
    DpiForWindowFunction dpiForWindow =
        (DpiForWindowFunction)(void (*)(void))User32Function("GetDpiForWindow");

    return dpiForWindow != NULL ? dpiForWindow(window) : 0;
}

/* Square icons of the size that the metric (SM_CXICON or SM_CXSMICON)
   gives at this DPI; at 0 the system's own. Windows 8.1 tells a window's
   new DPI only in WM_DPICHANGED and has no metrics for it: there the
   sizes of 96 DPI (at96) grow in proportion, as later systems' do. */
static HICON LoadIconForDpi(int metric, int at96, UINT dpi)
{
    MetricForDpiFunction metricForDpi =
        (MetricForDpiFunction)(void (*)(void))User32Function("GetSystemMetricsForDpi");
    int size;

    if (dpi == 0)
        size = GetSystemMetrics(metric);
    else if (metricForDpi != NULL)
        size = metricForDpi(metric, dpi);
    else
        size = MulDiv(at96, (int)dpi, USER_DEFAULT_SCREEN_DPI);
    return (HICON)LoadImageA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_HXMONITOR), IMAGE_ICON,
                             size, size, LR_DEFAULTCOLOR);
}

static void ShowIconsForDpi(HWND dialog, UINT dpi)
{
    HICON big = LoadIconForDpi(SM_CXICON, 32, dpi);
    HICON small = LoadIconForDpi(SM_CXSMICON, 16, dpi);

    SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)big);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)small);
    SendDlgItemMessageA(dialog, IDC_WINDOW_ICON, STM_SETICON, (WPARAM)big, 0);
    /* Nothing shows the earlier ones any more. */
    ReleaseWindowIcons();
    g_Big = big;
    g_Small = small;
}

void ShowWindowIcons(HWND dialog)
{
    ShowIconsForDpi(dialog, WindowDpi(dialog));
}

INT_PTR OnDpiChanged(HWND dialog, WPARAM dpi)
{
    /* The message's own DPI: Windows 8.1 has no other. */
    ShowIconsForDpi(dialog, LOWORD(dpi));
    /* Not handled: the dialog manager moves and scales the window. */
    return FALSE;
}

void ReleaseWindowIcons(void)
{
    if (g_Big != NULL)
        DestroyIcon(g_Big);
    if (g_Small != NULL)
        DestroyIcon(g_Small);
    g_Big = NULL;
    g_Small = NULL;
}
