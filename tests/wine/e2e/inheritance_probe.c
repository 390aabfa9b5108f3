#include "inheritance_probe.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

static HANDLE probe;

int CreateInheritanceProbe(void)
{
    SECURITY_ATTRIBUTES inheritable = { sizeof(inheritable), NULL, TRUE };
    char magic[64], value[32];
    char *view;

    if (probe)
        return 1;
    probe = CreateFileMappingA(INVALID_HANDLE_VALUE, &inheritable, PAGE_READWRITE,
                               0, 4096, NULL);
    if (!probe)
        return 0;
    view = MapViewOfFile(probe, FILE_MAP_WRITE, 0, 0, 0);
    if (!view)
        return 0;
    _snprintf(magic, sizeof(magic), "hxsim-probe-%lu-%lu", GetCurrentProcessId(),
              GetTickCount());
    strcpy(view, magic);
    UnmapViewOfFile(view);
    _snprintf(value, sizeof(value), "%lx", HandleToULong(probe));
    return SetEnvironmentVariableA("HXSIM_PROBE_HANDLE", value) &&
           SetEnvironmentVariableA("HXSIM_PROBE_MAGIC", magic);
}
