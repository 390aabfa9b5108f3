/* settings_probe.dll, hooked into hxMonitorSettings.exe by ProbeSettings:
   there the controls' fonts and the window's icons can be measured. */
#include "settings_drive.h"

static int IconWidth(HICON icon)
{
    ICONINFO info;
    BITMAP image = { 0 };

    if (icon != NULL && GetIconInfo(icon, &info)) {
        GetObjectW(info.hbmColor, sizeof(image), &image);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    return image.bmWidth;
}

/* In the control's own font, wrapped at word breaks within its client
   area (a button's less its edges). */
static int TextFits(HWND control, const WCHAR *text, int edge)
{
    HDC dc = GetDC(control);
    HGDIOBJ font = SelectObject(dc, (HGDIOBJ)SendMessageW(control, WM_GETFONT, 0, 0));
    RECT room, needed;

    GetClientRect(control, &room);
    InflateRect(&room, -edge, -edge);
    needed = room;
    DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, font);
    ReleaseDC(control, dc);
    return needed.bottom <= room.bottom && needed.right <= room.right;
}

/* Every label (a text static) and push button that shows a text. */
static void Measure(HWND dialog, SettingsProbe *probe)
{
    HWND control = GetWindow(dialog, GW_CHILD);
    WCHAR kind[16], text[256];
    int button;

    for (; control != NULL; control = GetWindow(control, GW_HWNDNEXT)) {
        GetClassNameW(control, kind, 16);
        button = lstrcmpiW(kind, L"Button") == 0;
        if ((!button && (lstrcmpiW(kind, L"Static") != 0 ||
                         (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) > SS_RIGHT)) ||
            GetWindowTextW(control, text, 256) == 0)
            continue;
        probe->measured++;
        if (probe->clippedId == 0 &&
            !TextFits(control, text, button ? GetSystemMetrics(SM_CXEDGE) : 0))
            probe->clippedId = GetDlgCtrlID(control);
    }
    probe->bigIcon = IconWidth((HICON)SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
    probe->smallIcon = IconWidth((HICON)SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
}

__declspec(dllexport) LRESULT CALLBACK SettingsProbeHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *sent = (const CWPSTRUCT *)lParam;
    SettingsProbe probe = { 0 };
    RECT place;

    if (code == HC_ACTION && sent->message == RegisterWindowMessageA(SETTINGS_PROBE_KEY)) {
        GetWindowRect(sent->hwnd, &place);
        if (sent->wParam != 0) /* a move to a screen of this DPI */
            SendMessageW(sent->hwnd, WM_DPICHANGED, MAKEWPARAM(sent->wParam, sent->wParam),
                         (LPARAM)&place);
        Measure(sent->hwnd, &probe);
        RegSetKeyValueA(HKEY_CURRENT_USER, SETTINGS_PROBE_KEY, NULL, REG_BINARY, &probe,
                        sizeof(probe));
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
