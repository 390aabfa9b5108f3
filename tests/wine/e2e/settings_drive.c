#include "settings_drive.h"
#include "monitor_process.h"
#include "harness.h"
#include "settings_ids.h"

#include <stdio.h>
#include <string.h>

#define SETTINGS_TITLE "hxMonitor Settings"

static int SettingsPath(char *path, size_t size)
{
    const char *monitor = MonitorPath();
    const char *slash = strrchr(monitor, '\\');

    if (!slash || (size_t)(slash - monitor) + sizeof("\\hxMonitorSettings.exe") > size)
        return 0;
    memcpy(path, monitor, slash - monitor);
    strcpy(path + (slash - monitor), "\\hxMonitorSettings.exe");
    return 1;
}

/* Its dialog, once the drop-downs are filled (the end of WM_INITDIALOG). */
static int DialogReady(void *context)
{
    SettingsRun *run = context;
    HWND dialog = FindWindowA("#32770", SETTINGS_TITLE);
    DWORD pid = 0;

    if (!dialog || !GetWindowThreadProcessId(dialog, &pid) || pid != GetProcessId(run->process))
        return 0;
    run->dialog = dialog;
    return SendDlgItemMessageW(dialog, IDC_SNAP_CHOICE, CB_GETCOUNT, 0, 0) > 0;
}

int OpenSettings(SettingsRun *run)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION info;
    char path[MAX_PATH];
    char commandLine[MAX_PATH + 2];

    run->process = NULL;
    run->dialog = NULL;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!SettingsPath(path, sizeof(path)))
        return 0;
    _snprintf(commandLine, sizeof(commandLine), "\"%s\"", path);
    commandLine[sizeof(commandLine) - 1] = '\0';
    if (!CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, WindowsDirectory(),
                        &startup, &info))
        return 0;
    CloseHandle(info.hThread);
    run->process = info.hProcess;
    return WaitUntil(DialogReady, run, E2E_TIMEOUT_MS);
}

/* settings_probe.dll, beside this program, is hooked into the window's
   thread and answers a message sent there. */
int ProbeSettings(const SettingsRun *run, UINT dpiChange, SettingsProbe *probe)
{
    HMODULE dll = LoadLibraryA("settings_probe.dll");
    FARPROC hook = dll ? GetProcAddress(dll, "SettingsProbeHook") : NULL;
    HHOOK hooked = hook ? SetWindowsHookExA(WH_CALLWNDPROC, (HOOKPROC)(void (*)(void))hook, dll,
                                            GetWindowThreadProcessId(run->dialog, NULL))
                        : NULL;
    DWORD size = sizeof(*probe);
    DWORD_PTR ignored;
    int answered;

    if (hooked) {
        SendMessageTimeoutA(run->dialog, RegisterWindowMessageA(SETTINGS_PROBE_KEY), dpiChange, 0,
                            SMTO_NORMAL, E2E_TIMEOUT_MS, &ignored);
        UnhookWindowsHookEx(hooked);
    }
    if (dll)
        FreeLibrary(dll);
    answered = RegGetValueA(HKEY_CURRENT_USER, SETTINGS_PROBE_KEY, NULL, RRF_RT_REG_BINARY, NULL,
                            probe, &size) == ERROR_SUCCESS;
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_PROBE_KEY);
    return answered;
}

void SettingsText(const SettingsRun *run, int id, char *text, int size)
{
    WCHAR wide[1024];

    wide[0] = 0;
    SendDlgItemMessageW(run->dialog, id, WM_GETTEXT, 1024, (LPARAM)wide);
    if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, NULL, NULL))
        text[0] = '\0';
}

int ChooseItem(const SettingsRun *run, int comboId, const char *item)
{
    WCHAR wanted[MAX_PATH];
    WCHAR text[MAX_PATH];
    LRESULT count = SendDlgItemMessageW(run->dialog, comboId, CB_GETCOUNT, 0, 0);
    LRESULT index;

    MultiByteToWideChar(CP_ACP, 0, item, -1, wanted, MAX_PATH);
    for (index = 0; index < count; index++) {
        if (SendDlgItemMessageW(run->dialog, comboId, CB_GETLBTEXTLEN, index, 0) >= MAX_PATH)
            continue;
        SendDlgItemMessageW(run->dialog, comboId, CB_GETLBTEXT, index, (LPARAM)text);
        if (lstrcmpW(text, wanted) == 0) {
            SendDlgItemMessageW(run->dialog, comboId, CB_SETCURSEL, index, 0);
            SendMessageW(run->dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                         (LPARAM)GetDlgItem(run->dialog, comboId));
            return 1;
        }
    }
    return 0;
}

void ClickButton(const SettingsRun *run, int id)
{
    SendMessageW(run->dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 (LPARAM)GetDlgItem(run->dialog, id));
}

void PressKey(const SettingsRun *run, int id, WPARAM key)
{
    HWND control = GetDlgItem(run->dialog, id);

    PostMessageW(control, WM_KEYDOWN, key, 1);
    PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}

long WaitForSettingsToEnd(SettingsRun *run)
{
    DWORD exitCode = (DWORD)-1;

    if (!run->process)
        return -1;
    if (WaitForSingleObject(run->process, E2E_TIMEOUT_MS) != WAIT_OBJECT_0)
        TerminateProcess(run->process, (UINT)-1);
    else
        GetExitCodeProcess(run->process, &exitCode);
    CloseHandle(run->process);
    run->process = NULL;
    return (long)exitCode;
}
