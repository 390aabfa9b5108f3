/* hxmonctl's verbs that choose what each event starts. */
#include "hxmonctl.h"
#include "registration.h"
#include "command_line.h"

#define ANYWAY_FLAG "--anyway"

/* register [--anyway] NAME COMMAND-LINE: the command line is the raw rest
   of the line, so that its quotes stay as typed. */
static int RunRegister(int argc, char **argv, Report *report)
{
    int anyway = argc > 2 && lstrcmpiA(argv[2], ANYWAY_FLAG) == 0;
    int nameAt = anyway ? 3 : 2;

    if (argc < nameAt + 2)
        return -1;
    return RegisterCommandLine(report, argv[nameAt],
                               CommandLineAfter(GetCommandLineA(), nameAt + 1), anyway);
}

static int RunUse(char **argv, Report *report)
{
    CameraEvent event;

    if (!ParseEventName(argv[2], &event)) {
        Say(report, "%q is no camera event: use SnapButton or NewPicture. Nothing was"
                    " changed.", argv[2]);
        return CHOICE_REFUSED;
    }
    return UseApplication(report, event, argv[3]);
}

int RunRegistrationVerb(int argc, char **argv, Report *report)
{
    if (argc < 2)
        return -1;
    if (argc == 2 && lstrcmpiA(argv[1], "apps") == 0)
        return ReportApplications(report);
    if (lstrcmpiA(argv[1], "register") == 0)
        return RunRegister(argc, argv, report);
    if (argc == 4 && lstrcmpiA(argv[1], "use") == 0)
        return RunUse(argv, report);
    if (argc == 3 && lstrcmpiA(argv[1], "unregister") == 0)
        return UnregisterApplication(report, argv[2]);
    return -1;
}
