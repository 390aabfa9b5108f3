#include "monitor_process.h"
#include "harness.h"

#include <stdio.h>
#include <string.h>

static char monitorPath[MAX_PATH];

void SetMonitorPath(const char *path)
{
    lstrcpynA(monitorPath, path, sizeof(monitorPath));
}

const char *MonitorPath(void)
{
    return monitorPath;
}

static int Start(const char *workingDirectory, DWORD flags, PROCESS_INFORMATION *info)
{
    STARTUPINFOA startup;
    char commandLine[MAX_PATH + 2];

    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    _snprintf(commandLine, sizeof(commandLine), "\"%s\"", monitorPath);
    commandLine[sizeof(commandLine) - 1] = '\0';
    return CreateProcessA(monitorPath, commandLine, NULL, NULL, TRUE, flags, NULL,
                          workingDirectory, &startup, info) != 0;
}

int StartMonitor(const char *workingDirectory, MonitorRun *run)
{
    PROCESS_INFORMATION info;

    run->process = NULL;
    run->pid = 0;
    if (!Start(workingDirectory, 0, &info))
        return 0;
    CloseHandle(info.hThread);
    run->process = info.hProcess;
    run->pid = info.dwProcessId;
    return 1;
}

static int WindowExists(void *context)
{
    (void)context;
    return FindWindowA("hxMonitor", NULL) != NULL;
}

static int NoWindow(void *context)
{
    (void)context;
    return FindWindowA("hxMonitor", NULL) == NULL;
}

int WaitForMonitorWindow(void)
{
    return WaitUntil(WindowExists, NULL, E2E_TIMEOUT_MS);
}

int AttachToRunningMonitor(MonitorRun *run)
{
    HWND window;
    DWORD pid = 0;

    run->process = NULL;
    run->pid = 0;
    if (!WaitForMonitorWindow())
        return 0;
    window = FindWindowA("hxMonitor", NULL);
    if (!window || !GetWindowThreadProcessId(window, &pid))
        return 0;
    run->process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION |
                               PROCESS_TERMINATE, FALSE, pid);
    run->pid = pid;
    return run->process != NULL;
}

static int CountMonitor(const PROCESSENTRY32 *entry, void *count)
{
    *(unsigned *)count += lstrcmpiA(entry->szExeFile, "hxMonitor.exe") == 0;
    return 1;
}

unsigned CountMonitorProcesses(void)
{
    unsigned count = 0;

    /* Not knowing is not "none". */
    return ForEachProcess(CountMonitor, &count) ? count : (unsigned)-1;
}

/* The first hxMonitor.exe of a snapshot, and the process that created it. */
static int NoteMonitor(const PROCESSENTRY32 *entry, void *context)
{
    MonitorParent *seen = context;

    if (lstrcmpiA(entry->szExeFile, "hxMonitor.exe") != 0)
        return 1;
    seen->pid = entry->th32ProcessID;
    seen->parentPid = entry->th32ParentProcessID;
    return 0;
}

static int MonitorInSnapshot(void *context)
{
    MonitorParent *seen = context;

    seen->pid = 0;
    ForEachProcess(NoteMonitor, seen);
    return seen->pid != 0;
}

int WaitForMonitorProcess(DWORD timeoutMs, MonitorParent *seen)
{
    return WaitUntil(MonitorInSnapshot, seen, timeoutMs);
}

int MonitorImagePath(const MonitorRun *run, char *path, DWORD size)
{
    DWORD length = size;

    path[0] = '\0';
    return run->process && QueryFullProcessImageNameA(run->process, 0, path, &length);
}

int CloseMonitor(MonitorRun *run, DWORD *exitCode)
{
    HWND window = FindWindowA("hxMonitor", NULL);

    *exitCode = (DWORD)-2;
    if (!run->process || !window || !PostMessageA(window, WM_CLOSE, 0, 0))
        return 0;
    if (WaitForSingleObject(run->process, E2E_TIMEOUT_MS) != WAIT_OBJECT_0)
        return 0;
    return GetExitCodeProcess(run->process, exitCode) != 0;
}

void EndMonitor(MonitorRun *run)
{
    if (!run->process)
        return;
    if (WaitForSingleObject(run->process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(run->process, 99);
        WaitForSingleObject(run->process, E2E_TIMEOUT_MS);
    }
    CloseHandle(run->process);
    run->process = NULL;
}

void CloseStrayMonitors(void)
{
    HWND window;

    while ((window = FindWindowA("hxMonitor", NULL)) != NULL) {
        Step("closing a monitor left running by an earlier scenario");
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (!WaitUntil(NoWindow, NULL, E2E_TIMEOUT_MS))
            break;
    }
}

static void AppendDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO *info,
                              char *text, DWORD size)
{
    char chunk[512];
    WCHAR wide[256];
    SIZE_T got = 0;
    size_t used = strlen(text);

    if (info->fUnicode) {
        SIZE_T bytes = info->nDebugStringLength * sizeof(WCHAR);
        if (bytes > sizeof(wide) - sizeof(WCHAR))
            bytes = sizeof(wide) - sizeof(WCHAR);
        if (!ReadProcessMemory(process, info->lpDebugStringData, wide, bytes, &got))
            return;
        wide[got / sizeof(WCHAR)] = 0;
        WideCharToMultiByte(CP_ACP, 0, wide, -1, chunk, sizeof(chunk), NULL, NULL);
    } else {
        SIZE_T bytes = info->nDebugStringLength;
        if (bytes > sizeof(chunk) - 1)
            bytes = sizeof(chunk) - 1;
        if (!ReadProcessMemory(process, info->lpDebugStringData, chunk, bytes, &got))
            return;
        chunk[got] = '\0';
    }
    lstrcpynA(text + used, chunk, (int)(size - used));
}

int RunMonitorUnderDebugger(const char *workingDirectory, DWORD *exitCode,
                            char *debugText, DWORD debugTextSize)
{
    PROCESS_INFORMATION info;
    DEBUG_EVENT event;
    DWORD start = GetTickCount();
    int ended = 0;

    debugText[0] = '\0';
    *exitCode = (DWORD)-2;
    if (!Start(workingDirectory, DEBUG_ONLY_THIS_PROCESS, &info))
        return 0;

    while (!ended && GetTickCount() - start < E2E_TIMEOUT_MS &&
           WaitForDebugEvent(&event, E2E_TIMEOUT_MS)) {
        DWORD answer = DBG_CONTINUE;

        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile)
                CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile)
                CloseHandle(event.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            AppendDebugString(info.hProcess, &event.u.DebugString, debugText, debugTextSize);
            break;
        case EXCEPTION_DEBUG_EVENT:
            /* Only the loader's initial breakpoint is ours to swallow. */
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                answer = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            *exitCode = event.u.ExitProcess.dwExitCode;
            ended = 1;
            break;
        default:
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
    }
    if (!ended)
        TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ended;
}
