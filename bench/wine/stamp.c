/* A stand-in for a program the monitor starts, made for timing: the first
   thing it does is read the performance counter, a clock every process of
   the machine shares, so its start can be set against a time another
   process took. Then it appends one line to the file named by
   HXBENCH_STAMP_LOG,

     qpc=<counter at start>\tpid=<its id>\tparent=<the id of its starter>

   and sets the named event HXBENCH_STAMP_EVENT (when set and present), so a
   waiting bench need not poll the file. */
#include <windows.h>
#include <stdio.h>

typedef LONG(WINAPI *QueryInformationProcessFn)(HANDLE, ULONG, PVOID, ULONG, PULONG);

/* The first fields of PROCESS_BASIC_INFORMATION, as ntdll fills them. */
typedef struct BasicInformation {
    LONG exitStatus;
    PVOID peb;
    ULONG_PTR affinity;
    LONG basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR inheritedFromUniqueProcessId;
} BasicInformation;

/* Asked of ntdll rather than a process snapshot: cheaper, and the starter's
   id stays answerable after the starter has gone. */
static unsigned long StarterId(void)
{
    QueryInformationProcessFn query = (QueryInformationProcessFn)(void (*)(void))GetProcAddress(
        GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    BasicInformation info;

    if (!query || query(GetCurrentProcess(), 0 /* ProcessBasicInformation */, &info,
                        sizeof(info), NULL) != 0)
        return 0;
    return (unsigned long)info.inheritedFromUniqueProcessId;
}

int main(void)
{
    LARGE_INTEGER started;
    char logPath[MAX_PATH], eventName[128], line[128];
    HANDLE log, done;
    DWORD written;
    int length;

    QueryPerformanceCounter(&started);

    if (!GetEnvironmentVariableA("HXBENCH_STAMP_LOG", logPath, sizeof(logPath)))
        return 1;
    length = _snprintf(line, sizeof(line), "qpc=%I64d\tpid=%lu\tparent=%lu\n",
                       started.QuadPart, GetCurrentProcessId(), StarterId());
    if (length <= 0)
        return 1;
    /* One appending write per line, so concurrent starts never interleave. */
    log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE)
        return 1;
    WriteFile(log, line, (DWORD)length, &written, NULL);
    CloseHandle(log);

    if (GetEnvironmentVariableA("HXBENCH_STAMP_EVENT", eventName, sizeof(eventName))) {
        done = OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
        if (done) {
            SetEvent(done);
            CloseHandle(done);
        }
    }
    return written == (DWORD)length ? 0 : 1;
}
