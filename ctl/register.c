#include "register.h"
#include "command_line.h"
#include "event_report.h"
#include "exit_codes.h"
#include "readers.h"
#include "registry_change.h"
#include "use.h"

#define ANYWAY_FLAG "--anyway"

/* The monitor reads text in the process code page, as hxmonctl does: UTF-8
   under their manifest from Windows 10 1903 on, where a letter outside
   ASCII takes several bytes. */
static const char *ByteNote(void)
{
    return GetACP() == CP_UTF8 ? " (UTF-8: a letter outside ASCII takes 2 to 4 bytes)" : "";
}

/* Whether the monitor can use the name as one application's name; says
   why not when it cannot. */
static int CheckName(Report *report, const char *name)
{
    const char *at;

    if (name[0] == '\0') {
        Say(report, "An application needs a name. Nothing was changed.");
        return 0;
    }
    for (at = name; *at; at++) {
        if (*at == ',') {
            Say(report, "%q holds a comma: the monitor does not split lists of names and"
                        " would look for one application of that whole name. Nothing was"
                        " changed.", name);
            return 0;
        }
    }
    if (IsDefaultApplication(name) || lstrcmpiA(name, DEFAULT_CHOICE) == 0) {
        Say(report, "%q stands for the default program and cannot name an application."
                    " Nothing was changed.", name);
        return 0;
    }
    if (lstrlenA(name) >= MAX_PATH) {
        Say(report, "The name is %u bytes long as the monitor reads it%s: with a terminator"
                    " LaunchApplications must fit in %u bytes. Nothing was changed.",
            (DWORD)lstrlenA(name), ByteNote(), (DWORD)MAX_PATH);
        return 0;
    }
    return 1;
}

static int FitsTheMonitor(Report *report, const char *command)
{
    if (lstrlenA(command) < MAX_PATH)
        return 1;
    Say(report, "The command line is %u bytes long as the monitor reads it%s: with a"
                " terminator it must fit in %u bytes, or the monitor cannot read it and starts"
                " the default program. Nothing was changed.",
        (DWORD)lstrlenA(command), ByteNote(), (DWORD)MAX_PATH);
    return 0;
}

static int HasBlank(const char *text)
{
    for (; *text; text++) {
        if (*text == ' ' || *text == '\t')
            return 1;
    }
    return 0;
}

int QuoteProgram(const char *command, const char *program, char *stored)
{
    int length = lstrlenA(program);

    if (command[0] == '"' || !HasBlank(program)) {
        lstrcpyA(stored, command);
        return 0;
    }
    stored[0] = '"';
    lstrcpynA(stored + 1, program, length + 1);
    stored[length + 1] = '"';
    lstrcpyA(stored + length + 2, command + length);
    return 1;
}

/* The name as Registered Applications spells it already, if it is there,
   and the command it replaces (empty when none). */
static void FindEarlierRegistration(const char *name, char *spelling, char *replaced)
{
    ApplicationList list;
    const RegisteredApplication *before;

    replaced[0] = '\0';
    lstrcpyA(spelling, name);
    if (!ListApplications(&list))
        return;
    before = FindApplication(&list, name);
    if (before != NULL) {
        lstrcpyA(replaced, before->command);
        lstrcpyA(spelling, before->name);
    }
    FreeApplications(&list);
}

/* Refuses a program that process creation would not find, unless asked to
   register it anyway; one that is no program at all is always refused. */
static int CheckProgram(Report *report, const SearchPlaces *places, const char *name,
                        const char *commandLine, const char *program, int isFound, int anyway)
{
    if (isFound || (program[0] != '\0' && anyway))
        return 1;
    Say(report, "%q cannot be registered with the command line: %e", name, commandLine);
    ReportProgram(report, places, commandLine);
    if (program[0] == '\0')
        Say(report, "Nothing was changed.");
    else
        Say(report, "Nothing was changed; to register it all the same, add --anyway"
                    " before the name.");
    return 0;
}

int RegisterCommandLine(Report *report, const char *name, const char *commandLine, int anyway)
{
    char stored[MAX_PATH + 2];
    char program[MAX_PATH];
    char found[MAX_PATH];
    /* Too large for the stack of a program without a C runtime. */
    static SearchPlaces places;
    char replaced[MAX_PATH];
    char spelling[MAX_PATH];
    int isFound;
    int quoted = 0;
    int result;

    if (!CheckName(report, name) || !FitsTheMonitor(report, commandLine))
        return CHOICE_REFUSED;
    FindSearchPlaces(&places);
    isFound = FindCommandProgram(&places, commandLine, program, found);
    if (!CheckProgram(report, &places, name, commandLine, program, isFound, anyway))
        return CHOICE_REFUSED;
    if (isFound)
        quoted = QuoteProgram(commandLine, program, stored);
    else
        lstrcpyA(stored, commandLine);
    if (!FitsTheMonitor(report, stored))
        return CHOICE_REFUSED;

    FindEarlierRegistration(name, spelling, replaced);
    /* The key is created when missing, and removed again when the value
       cannot be set. */
    result = WriteTextValue(report, HKEY_LOCAL_MACHINE, REGISTERED_APPLICATIONS_KEY,
                            REGISTERED_APPLICATIONS_KEY, spelling, stored);
    if (result != CHOICE_DONE)
        return result;

    Say(report, "%q is registered with the command line: %e", spelling, stored);
    if (quoted)
        Say(report, "  Its program's path holds blanks, so it is stored in quotes: unquoted,"
                    " process creation tries each text up to a blank first.");
    if (!isFound)
        Say(report, "  Its program %e is not found, and was registered as asked.", program);
    else
        Say(report, "  Its program is found: %e", found);
    SayPlaceholders(report, stored);
    if (replaced[0] != '\0')
        Say(report, "  It replaces: %e", replaced);
    ReportEventChoices(report);
    return CHOICE_DONE;
}

int RunRegister(int argc, char **argv, Report *report)
{
    int anyway = argc > 2 && lstrcmpiA(argv[2], ANYWAY_FLAG) == 0;
    int nameAt = anyway ? 3 : 2;

    if (argc < nameAt + 2)
        return CTL_USAGE;
    return RegisterCommandLine(report, argv[nameAt],
                               CommandLineAfter(GetCommandLineA(), nameAt + 1), anyway);
}
