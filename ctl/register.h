/* hxmonctl register: adds an application to Registered Applications, or
   replaces its command, in the registry view this build's monitor reads. */
#ifndef HX_REGISTER_H
#define HX_REGISTER_H

#include "report_text.h"

CTL_DECLS_BEGIN

/* The command line is stored as given, except that an unquoted program
   path with blanks in it is stored quoted (and the report says so).
   Refused (CHOICE_REFUSED, nothing written): an empty name or one the
   monitor cannot use as a single name, a command longer than the monitor
   reads, and (unless anyway is nonzero) a program that process creation
   would not find. Otherwise a CHOICE_ code of the write. */
int RegisterCommandLine(Report *report, const char *name, const char *commandLine, int anyway);

/* The command line with its program, the text at its start, quoted when
   that holds a blank and the line does not start with a quote. stored
   holds lstrlenA(command) + 3 bytes. Returns 1 when it quoted. */
int QuoteProgram(const char *command, const char *program, char *stored);

/* register [--anyway] NAME COMMAND-LINE: the command line is the raw rest
   of the process's command line, so that its quotes stay as typed. */
int RunRegister(int argc, char **argv, Report *report);

CTL_DECLS_END

#endif
