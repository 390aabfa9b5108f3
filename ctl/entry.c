/* Process entry of hxmonctl.exe. Like the monitor it needs nothing from a C
   runtime, so it has none: the loader calls this directly, the command line
   is split here as the runtime would split it for main(), and the command's
   result becomes the exit code. */
#include "hxmonctl.h"
#include "command_line.h"

/* Report lines end in "\n"; the console and files get "\r\n". */
static void WriteReport(const Report *report)
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const char *line = report->text;
    const char *end;
    DWORD written;

    if (out == NULL || out == INVALID_HANDLE_VALUE)
        return;
    while (*line) {
        for (end = line; *end && *end != '\n'; end++)
            ;
        WriteFile(out, line, (DWORD)(end - line), &written, NULL);
        WriteFile(out, "\r\n", 2, &written, NULL);
        line = *end ? end + 1 : end;
    }
}

void CtlEntry(void)
{
    static Report report;
    char **argv;
    int argc = SplitCommandLine(GetCommandLineA(), &argv);
    int code = 1;

    if (argv != NULL) {
        code = RunCtl(argc, argv, &report);
        HeapFree(GetProcessHeap(), 0, argv);
    } else {
        ClearReport(&report);
        Say(&report, "Out of memory.");
    }
    WriteReport(&report);
    ExitProcess((UINT)code);
}
