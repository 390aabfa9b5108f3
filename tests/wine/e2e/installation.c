#include "installation.h"
#include "harness.h"

#include <shlobj.h>
#include <stdio.h>
#include <string.h>

/* Installing takes a second or two under Wine; an installer that waits for
   a copy that will not close takes its 10 s bound on top. */
#define SETUP_TIMEOUT_MS 60000

static int ReadVariable(const char *prefix, const char *suffix, char *out, DWORD size)
{
    char name[64];
    DWORD length;

    _snprintf(name, sizeof(name), "%s_%s", prefix, suffix);
    name[sizeof(name) - 1] = '\0';
    length = GetEnvironmentVariableA(name, out, size);
    return length > 0 && length < size;
}

int ReadPackage(const char *prefix, Package *package)
{
    char host[MAX_PATH];

    if (!ReadVariable(prefix, "SETUP", host, sizeof(host)))
        return 0;
    ToWindowsPath(host, package->setup, sizeof(package->setup));
    if (!ReadVariable(prefix, "EXE", host, sizeof(host)))
        return 0;
    ToWindowsPath(host, package->exe, sizeof(package->exe));
    package->ctl[0] = '\0';
    if (ReadVariable(prefix, "CTL", host, sizeof(host)))
        ToWindowsPath(host, package->ctl, sizeof(package->ctl));
    package->settings[0] = '\0';
    if (ReadVariable(prefix, "SETTINGS", host, sizeof(host)))
        ToWindowsPath(host, package->settings, sizeof(package->settings));
    return ReadVariable(prefix, "VERSION", package->version, sizeof(package->version));
}

int StartSetup(const char *commandLine, PROCESS_INFORMATION *info)
{
    STARTUPINFOA startup;
    char line[1024];

    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    lstrcpynA(line, commandLine, sizeof(line));
    /* As Explorer starts a program: nothing of ours is handed down. */
    return CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, info) != 0;
}

/* The programs that one process started from the temporary folder, opened
   for waiting: an uninstaller runs from a copy of itself there. Other
   children are not its work (Wine starts its desktop, explorer.exe, from
   the first program of a session that needs one), and Wine hands a process
   id out again soon after its process ended, so a child also counts only
   when it was created during its parent's life. */
typedef struct Copies {
    DWORD parent;
    ULONGLONG born, ended;  /* the parent's life, as FILETIME values */
    char folder[MAX_PATH];  /* the temporary folder, long form */
    HANDLE handles[8];
    unsigned count;
} Copies;

static ULONGLONG Ticks(const FILETIME *time)
{
    return ((ULONGLONG)time->dwHighDateTime << 32) | time->dwLowDateTime;
}

static int RunsFromTemporaryFolder(HANDLE process, const char *folder)
{
    char image[MAX_PATH];
    DWORD length = sizeof(image);

    return QueryFullProcessImageNameA(process, 0, image, &length) &&
           _strnicmp(image, folder, strlen(folder)) == 0;
}

static int OpenCopy(const PROCESSENTRY32 *entry, void *context)
{
    Copies *copies = context;
    FILETIME created, exited, kernel, user;
    HANDLE child;

    if (entry->th32ParentProcessID != copies->parent ||
        copies->count >= sizeof(copies->handles) / sizeof(copies->handles[0]))
        return 1;
    child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                        entry->th32ProcessID);
    if (!child)
        return 1;
    if (GetProcessTimes(child, &created, &exited, &kernel, &user) &&
        Ticks(&created) >= copies->born && Ticks(&created) <= copies->ended &&
        RunsFromTemporaryFolder(child, copies->folder))
        copies->handles[copies->count++] = child;
    else
        CloseHandle(child);
    return 1;
}

/* Finds the copies that `process`, now ended, started. */
static int FindCopies(HANDLE process, DWORD pid, Copies *copies)
{
    FILETIME created, exited, kernel, user;
    char temporary[MAX_PATH];

    copies->parent = pid;
    copies->count = 0;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user) ||
        !GetTempPathA(sizeof(temporary), temporary) ||
        !GetLongPathNameA(temporary, copies->folder, sizeof(copies->folder)))
        return 0;
    copies->born = Ticks(&created);
    copies->ended = Ticks(&exited);
    return ForEachProcess(OpenCopy, copies);
}

static int SayRunning(const PROCESSENTRY32 *entry, void *context)
{
    (void)context;
    Step("running: %s (pid %lu, parent %lu)", entry->szExeFile,
         (unsigned long)entry->th32ProcessID, (unsigned long)entry->th32ParentProcessID);
    return 1;
}

int RunAndWait(const char *commandLine, int temporaryCopy, DWORD *exitCode)
{
    PROCESS_INFORMATION info;
    Copies copies;
    unsigned i;
    int ended;

    *exitCode = (DWORD)-2;
    copies.count = 0;
    if (!StartSetup(commandLine, &info))
        return 0;
    CloseHandle(info.hThread);
    ended = WaitForSingleObject(info.hProcess, SETUP_TIMEOUT_MS) == WAIT_OBJECT_0;
    GetExitCodeProcess(info.hProcess, exitCode);
    /* Its copy exists by now: it was started before the process ended. */
    if (ended && temporaryCopy) {
        ended = FindCopies(info.hProcess, info.dwProcessId, &copies) && copies.count > 0;
        if (!ended)
            Step("no copy of it runs from the temporary folder");
    }
    CloseHandle(info.hProcess);
    for (i = 0; i < copies.count; i++) {
        ended &= WaitForSingleObject(copies.handles[i], SETUP_TIMEOUT_MS) == WAIT_OBJECT_0;
        GetExitCodeProcess(copies.handles[i], exitCode);
        CloseHandle(copies.handles[i]);
    }
    /* What is still running tells what hangs. */
    if (!ended)
        ForEachProcess(SayRunning, NULL);
    return ended;
}

void DefaultInstallFolder(int x86Side, char *folder, DWORD size)
{
    char programFiles[MAX_PATH];
    const char *variable = x86Side ? "ProgramFiles(x86)" : "ProgramFiles";

    if (!GetEnvironmentVariableA(variable, programFiles, sizeof(programFiles)))
        strcpy(programFiles, "?");
    _snprintf(folder, size, "%s\\hxMonitor", programFiles);
    folder[size - 1] = '\0';
}

void SettingsShortcutPath(char *path, DWORD size)
{
    char folder[MAX_PATH];

    if (SHGetFolderPathA(NULL, CSIDL_COMMON_PROGRAMS, NULL, SHGFP_TYPE_CURRENT, folder) != S_OK)
        folder[0] = '\0';
    _snprintf(path, size, "%s\\hxMonitor Settings.lnk", folder);
    path[size - 1] = '\0';
}

int FileExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);

    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int DirectoryExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);

    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD FileSize(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;

    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    return data.nFileSizeLow;
}

int SameFileContents(const char *a, const char *b)
{
    FILE *first = fopen(a, "rb"), *second = fopen(b, "rb");
    int same = first && second;
    int x, y;

    while (same) {
        x = fgetc(first);
        y = fgetc(second);
        same = x == y;
        if (x == EOF)
            break;
    }
    if (first)
        fclose(first);
    if (second)
        fclose(second);
    return same;
}
