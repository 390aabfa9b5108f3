/* Stands in for a program the monitor starts (hxAMCap.exe, hxCap.exe, a
   registered application). It appends one line describing how it was
   started to the file named by HXSIM_LOG, then exits:

     program=<exe name>  pid=  parent=  console=yes|no  inherited=yes|no|unknown
     time=<UTC>  cwd=<directory>  cmdline=<command line, last, verbatim>

   fields separated by tabs, texts in UTF-8 from the wide calls, so that a
   program or command line in any language is logged intact, whatever this
   process's code page. "inherited" tells whether the handle named by
   HXSIM_PROBE_HANDLE, a mapping that holds the text HXSIM_PROBE_MAGIC in
   the starter's process, is usable here. The monitor passes its own
   environment on, which is how these settings reach us. */
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static DWORD ParentProcessId(void)
{
    PROCESSENTRY32 entry;
    HANDLE snapshot;
    DWORD self = GetCurrentProcessId();
    DWORD parent = 0;

    snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    entry.dwSize = sizeof(entry);
    if (Process32First(snapshot, &entry)) {
        do {
            if (entry.th32ProcessID == self)
                parent = entry.th32ParentProcessID;
        } while (!parent && Process32Next(snapshot, &entry));
    }
    CloseHandle(snapshot);
    return parent;
}

/* A console is attached when its output buffer can be opened. */
static const char *HasConsole(void)
{
    HANDLE output = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, 0, NULL);
    if (output == INVALID_HANDLE_VALUE)
        return "no";
    CloseHandle(output);
    return "yes";
}

static const char *ProbeInherited(void)
{
    char value[64], magic[128];
    HANDLE mapping;
    const char *view;
    const char *answer;

    if (!GetEnvironmentVariableA("HXSIM_PROBE_HANDLE", value, sizeof(value)) ||
        !GetEnvironmentVariableA("HXSIM_PROBE_MAGIC", magic, sizeof(magic)))
        return "unknown";
    /* A handle value travels as 32 bits and is sign-extended back. */
    mapping = LongToHandle((LONG)strtoul(value, NULL, 16));
    view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view)
        return "no";
    answer = strncmp(view, magic, sizeof(magic)) == 0 ? "yes" : "no";
    UnmapViewOfFile(view);
    return answer;
}

static const char *Utf8(const WCHAR *text, char *buffer, int size)
{
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, size, NULL, NULL))
        buffer[0] = '\0';
    return buffer;
}

static const char *ProgramName(char *buffer, int size)
{
    WCHAR module[MAX_PATH];
    char *slash;

    if (!GetModuleFileNameW(NULL, module, MAX_PATH))
        return "?";
    slash = strrchr(Utf8(module, buffer, size), '\\');
    return slash ? slash + 1 : buffer;
}

int main(void)
{
    static char line[4096], commandLine[4096];
    char logPath[MAX_PATH], module[3 * MAX_PATH], cwd[3 * MAX_PATH];
    WCHAR directory[MAX_PATH];
    SYSTEMTIME now;
    HANDLE log;
    DWORD written;
    int length;

    if (!GetEnvironmentVariableA("HXSIM_LOG", logPath, sizeof(logPath)))
        return 1;
    if (!GetCurrentDirectoryW(MAX_PATH, directory))
        directory[0] = 0;
    GetSystemTime(&now);

    length = _snprintf(line, sizeof(line) - 2,
        "program=%s\tpid=%lu\tparent=%lu\tconsole=%s\tinherited=%s\t"
        "time=%04u-%02u-%02uT%02u:%02u:%02u.%03uZ\tcwd=%s\tcmdline=%s",
        ProgramName(module, sizeof(module)), GetCurrentProcessId(), ParentProcessId(),
        HasConsole(), ProbeInherited(),
        now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
        now.wMilliseconds, Utf8(directory, cwd, sizeof(cwd)),
        Utf8(GetCommandLineW(), commandLine, sizeof(commandLine)));
    if (length < 0)
        length = sizeof(line) - 2;
    line[length++] = '\n';

    /* One write of the whole line, so that lines of programs started at
       the same moment do not interleave. */
    log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE)
        return 1;
    WriteFile(log, line, (DWORD)length, &written, NULL);
    CloseHandle(log);
    return 0;
}
