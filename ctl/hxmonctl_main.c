/* Process entry of hxmonctl.exe: runs the command and prints its report. */
#include "hxmonctl.h"

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

int main(int argc, char **argv)
{
    static Report report;
    int code = RunCtl(argc, argv, &report);

    WriteReport(&report);
    return code;
}
