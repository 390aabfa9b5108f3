#include "program_search.h"

/* Copies the text from `from` up to `end` into a MAX_PATH buffer, cut to fit. */
static void CopyPart(char *to, const char *from, const char *end)
{
    lstrcpynA(to, from, end - from < MAX_PATH ? (int)(end - from) + 1 : MAX_PATH);
}

/* A directory asked of the platform, or the empty text when it fails or
   does not fit. */
static void KeepDirectory(char *directory, UINT length)
{
    if (length == 0 || length >= MAX_PATH)
        directory[0] = '\0';
}

/* The folder of hxmonctl's own file, without a final backslash except in
   a drive's root ("C:\"). */
static void FindMonitorFolder(char *folder)
{
    char module[MAX_PATH];
    char *name = NULL;
    DWORD length = GetModuleFileNameA(NULL, module, MAX_PATH);

    if (length > 0 && length < MAX_PATH)
        length = GetFullPathNameA(module, MAX_PATH, folder, &name);
    if (length == 0 || length >= MAX_PATH || name == NULL || name == folder) {
        folder[0] = '\0';
        return;
    }
    /* The backslash before the name goes, except a drive root's. */
    if (name - folder != 3 || folder[1] != ':')
        name--;
    *name = '\0';
}

/* Adds a directory and its separator; an unknown (empty) one is left out. */
static void AddDirectory(char *list, const char *directory, const char *suffix)
{
    if (directory[0] == '\0')
        return;
    lstrcatA(list, directory);
    lstrcatA(list, suffix);
    lstrcatA(list, ";");
}

void FindSearchPlaces(SearchPlaces *places)
{
    char *list = places->path;
    DWORD used;

    FindMonitorFolder(places->monitorFolder);
    KeepDirectory(places->windows, GetWindowsDirectoryA(places->windows, MAX_PATH));
    KeepDirectory(places->system, GetSystemDirectoryA(places->system, MAX_PATH));
    list[0] = '\0';
    AddDirectory(list, places->monitorFolder, "");
    AddDirectory(list, places->windows, "");
    AddDirectory(list, places->system, "");
    AddDirectory(list, places->windows, "\\System");
    AddDirectory(list, places->windows, "");
    /* PATH holds at most 32767 characters, so it fits unless it is not set. */
    used = (DWORD)lstrlenA(list);
    if (GetEnvironmentVariableA("PATH", list + used, sizeof(places->path) - used) == 0)
        list[used] = '\0';
}

static int NamesDirectory(const char *program)
{
    for (; *program; program = CharNextA(program)) {
        if (*program == '\\' || *program == '/' || *program == ':')
            return 1;
    }
    return 0;
}

/* A file found by the platform's own search, as process creation makes it:
   ".exe" added when the name has no extension, and directories passed by. */
static int FindProgramFile(const SearchPlaces *places, const char *name, char *found)
{
    DWORD length;
    DWORD attributes;

    if (name[0] == '\0')
        return 0;
    length = SearchPathA(places->path, name, ".exe", MAX_PATH, found, NULL);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    attributes = GetFileAttributesA(found);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static const char *NextBlank(const char *text)
{
    while (*text && *text != ' ' && *text != '\t')
        text = CharNextA(text);
    return text;
}

/* "C:\Program Files\a.exe" tries "C:\Program" first. */
int FindCommandProgram(const SearchPlaces *places, const char *commandLine, char *program,
                       char *found)
{
    const char *end;

    found[0] = '\0';
    if (commandLine[0] == '"') {
        for (end = commandLine + 1; *end && *end != '"'; end = CharNextA(end))
            ;
        if (*end == '"') {
            CopyPart(program, commandLine + 1, end);
            return FindProgramFile(places, program, found);
        }
    }
    for (end = NextBlank(commandLine);; end = NextBlank(end + 1)) {
        if (end - commandLine < MAX_PATH) {
            CopyPart(program, commandLine, end);
            if (FindProgramFile(places, program, found))
                return 1;
        }
        if (*end == '\0')
            break;
    }
    CopyPart(program, commandLine, NextBlank(commandLine));
    return 0;
}

void FindProgram(const SearchPlaces *places, const char *commandLine, ProgramFinding *finding)
{
    if (FindCommandProgram(places, commandLine, finding->program, finding->found))
        finding->state = PROGRAM_FOUND;
    else if (finding->program[0] == '\0')
        finding->state = PROGRAM_NOT_NAMED;
    else if (NamesDirectory(finding->program))
        finding->state = PROGRAM_MISSING;
    else
        finding->state = PROGRAM_NOT_FOUND;
}

int ReportProgram(Report *report, const SearchPlaces *places, const char *command)
{
    ProgramFinding finding;

    FindProgram(places, command, &finding);
    switch (finding.state) {
    case PROGRAM_FOUND:
        Say(report, "  Its program is found: %e", finding.found);
        return 1;
    case PROGRAM_NOT_NAMED:
        Say(report, "  The command line names no program: nothing can start.");
        return 0;
    case PROGRAM_MISSING:
        Say(report, "  Its program %e does not exist: nothing starts.", finding.program);
        return 0;
    default:
        Say(report, "  Its program %e is not found in the monitor's folder (%e), the current"
                    " directory (taken as the Windows directory), %e, %e\\System, %e or"
                    " on PATH: nothing starts.",
            finding.program, places->monitorFolder, places->system, places->windows,
            places->windows);
        return 0;
    }
}
