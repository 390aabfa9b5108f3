#include "program_search.h"

/* Copies `length` bytes of text into a MAX_PATH buffer, cut to fit. */
static void CopyPart(char *to, const char *from, DWORD length)
{
    DWORD i;

    if (length >= MAX_PATH)
        length = MAX_PATH - 1;
    for (i = 0; i < length; i++)
        to[i] = from[i];
    to[length] = '\0';
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
    DWORD length = GetModuleFileNameA(NULL, folder, MAX_PATH);
    DWORD end = 0;
    DWORD i;

    if (length == 0 || length >= MAX_PATH) {
        folder[0] = '\0';
        return;
    }
    for (i = 0; i < length; i++) {
        if (folder[i] == '\\' || folder[i] == '/')
            end = i;
    }
    if (end == 2 && folder[1] == ':')
        end = 3;
    folder[end] = '\0';
}

/* Adds a directory and its separator; an unknown (empty) one is left out. */
static void AppendDirectory(char *path, DWORD *used, const char *directory, const char *suffix)
{
    if (directory[0] == '\0')
        return;
    for (; *directory; directory++)
        path[(*used)++] = *directory;
    for (; *suffix; suffix++)
        path[(*used)++] = *suffix;
    path[(*used)++] = ';';
    path[*used] = '\0';
}

int OpenSearchPlaces(SearchPlaces *places)
{
    DWORD pathVariable;
    DWORD used = 0;
    SIZE_T size;

    FindMonitorFolder(places->monitorFolder);
    KeepDirectory(places->windows, GetWindowsDirectoryA(places->windows, MAX_PATH));
    KeepDirectory(places->system, GetSystemDirectoryA(places->system, MAX_PATH));
    /* Zero when PATH is not set; its size with the terminator otherwise. */
    pathVariable = GetEnvironmentVariableA("PATH", NULL, 0);

    /* Five directories of up to MAX_PATH bytes (one with "\System" added),
       their separators, and PATH. */
    size = 6 * MAX_PATH + pathVariable + 1;
    places->path = (char *)HeapAlloc(GetProcessHeap(), 0, size);
    if (places->path == NULL)
        return 0;
    places->path[0] = '\0';
    AppendDirectory(places->path, &used, places->monitorFolder, "");
    AppendDirectory(places->path, &used, places->windows, "");
    AppendDirectory(places->path, &used, places->system, "");
    AppendDirectory(places->path, &used, places->windows, "\\System");
    AppendDirectory(places->path, &used, places->windows, "");
    if (pathVariable > 0 &&
        GetEnvironmentVariableA("PATH", places->path + used, (DWORD)(size - used)) >= size - used)
        places->path[used] = '\0'; /* PATH grew meanwhile: searched without it */
    return 1;
}

void CloseSearchPlaces(SearchPlaces *places)
{
    if (places->path != NULL)
        HeapFree(GetProcessHeap(), 0, places->path);
    places->path = NULL;
}

int NamesDirectory(const char *program)
{
    for (; *program; program++) {
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

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int FindCommandProgram(const SearchPlaces *places, const char *commandLine, char *program,
                       char *found)
{
    const char *end;
    char candidate[MAX_PATH];

    found[0] = '\0';
    if (commandLine[0] == '"') {
        for (end = commandLine + 1; *end && *end != '"'; end++)
            ;
        if (*end == '"') {
            CopyPart(program, commandLine + 1, (DWORD)(end - commandLine - 1));
            return FindProgramFile(places, program, found);
        }
    }

    /* Without quotes every blank may belong to the name or end it. */
    for (end = commandLine;; end++) {
        while (*end && !IsBlank(*end))
            end++;
        if (end - commandLine < MAX_PATH) {
            CopyPart(candidate, commandLine, (DWORD)(end - commandLine));
            if (FindProgramFile(places, candidate, found)) {
                CopyPart(program, candidate, (DWORD)(end - commandLine));
                return 1;
            }
        }
        if (*end == '\0')
            break;
    }
    for (end = commandLine; *end && !IsBlank(*end); end++)
        ;
    CopyPart(program, commandLine, (DWORD)(end - commandLine));
    return 0;
}
