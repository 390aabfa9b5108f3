// DefWindowProcA: the platform's default answers to the messages of this
// world.

#include <windows.h>

extern "C" LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM, LPARAM lParam) {
    switch (Msg) {
    case WM_NCCREATE:
        // Creation goes on only when there is a CREATESTRUCT to take the
        // window text from.
        return lParam ? TRUE : FALSE;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    default:
        // WM_DEVICECHANGE included: the default grants every query by
        // returning 0, which is not BROADCAST_QUERY_DENY.
        return 0;
    }
}
