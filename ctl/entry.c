/* Process entry of hxmonctl.exe. Like the monitor it needs nothing from a C
   runtime, so it has none: the loader calls this directly, the command line
   is split here as the runtime would split it for main(), and the command's
   result becomes the exit code. */
#include "hxmonctl.h"
#include "command_line.h"
#include "console_output.h"

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
    WriteOutputText(GetStdHandle(STD_OUTPUT_HANDLE), report.text);
    ExitProcess((UINT)code);
}
