/* hxmonctl's verbs: one table of what each is called, how many arguments it
   takes, what runs it and what its usage says. */
#include "hxmonctl.h"
#include "apps.h"
#include "close.h"
#include "register.h"
#include "status.h"
#include "unregister.h"
#include "use.h"

/* A constant's digits, for the usage text. */
#define DIGITS(code) #code
#define CODE(code) DIGITS(code)

typedef struct Verb {
    const char *name;
    int fewest;       /* arguments after the verb's name */
    int most;
    int (*run)(int argc, char **argv, Report *report);
    const char *synopsis;
    const char *purpose;
} Verb;

static const Verb Verbs[] = {
    {"status", 0, 0, RunStatus, "status",
     "what the monitor would start for each camera event, and why (exit " CODE(STATUS_READY)
     " when the camera is there and both programs are found, " CODE(STATUS_NOT_READY)
     " otherwise)"},
    {"close", 0, 0, RunClose, "close",
     "ask the running monitor to close (exit " CODE(CLOSE_DONE) " closed, "
     CODE(CLOSE_NONE_RUNNING) " none running, " CODE(CLOSE_STILL_RUNNING)
     " still running after " CODE(CLOSE_TIMEOUT_S) " s, " CODE(CLOSE_REFUSED)
     " it runs with higher rights: use an elevated prompt, or log off)"},
    {"apps", 0, 0, RunApps, "apps",
     "the registered applications, whether their programs are found, and which events of"
     " the camera name them (exit " CODE(CHOICE_DONE) ")"},
    {"register", 2, 0x7FFF, RunRegister, "register [--anyway] NAME COMMAND-LINE",
     "register NAME to start COMMAND-LINE, taken as typed; --anyway registers a program that"
     " is not found"},
    {"use", 2, 2, RunUse, "use EVENT NAME|default",
     "make the camera's EVENT (SnapButton or NewPicture) start NAME, or its default program"},
    {"unregister", 1, 1, RunUnregister, "unregister NAME",
     "remove NAME, unless an event of the camera names it"},
};

#define VERB_COUNT (sizeof(Verbs) / sizeof(Verbs[0]))

/* Each purpose starts in the same column. */
static const char Padding[] = "            ";

static int SayUsage(Report *report)
{
    char line[512];
    DWORD i;

    lstrcpyA(line, "usage: hxmonctl [");
    for (i = 0; i < VERB_COUNT; i++) {
        lstrcatA(line, i > 0 ? " | " : "");
        lstrcatA(line, Verbs[i].synopsis);
    }
    Say(report, "%s]", line);
    for (i = 0; i < VERB_COUNT; i++)
        Say(report, "  %s%s%s", Verbs[i].name, &Padding[lstrlenA(Verbs[i].name)],
            Verbs[i].purpose);
    Say(report, "  register, use and unregister exit with " CODE(CHOICE_DONE) " when changed, "
                CODE(CHOICE_REFUSED) " when refused, " CODE(CHOICE_NO_CAMERA) " when no camera"
                " is present (use), " CODE(CHOICE_NOT_ADMIN) " without administrator rights, "
                CODE(CHOICE_FAILED) " when the registry refused the change (it is undone)");
    Say(report, "  anything else shows this and exits with " CODE(CTL_USAGE));
    return CTL_USAGE;
}

int RunCtl(int argc, char **argv, Report *report)
{
    const char *name = argc < 2 ? "status" : argv[1];
    int result;
    DWORD i;

    ClearReport(report);
    for (i = 0; i < VERB_COUNT; i++) {
        if (lstrcmpiA(name, Verbs[i].name) != 0)
            continue;
        if (argc > 1 && (argc - 2 < Verbs[i].fewest || argc - 2 > Verbs[i].most))
            break;
        result = Verbs[i].run(argc, argv, report);
        if (result != CTL_USAGE)
            return result;
        break;
    }
    return SayUsage(report);
}
