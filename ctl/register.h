/* hxmonctl register: adds an application to Registered Applications, or
   replaces its command. */
#ifndef HX_REGISTER_H
#define HX_REGISTER_H

#include "report_text.h"

CTL_DECLS_BEGIN
/* Stores the command line as given, but for an unquoted program path with
   blanks, which it quotes. Refuses (CHOICE_REFUSED, nothing written) a name
   the monitor cannot use, a command longer than it reads and, unless
   anyway, a program that process creation would not find. */
int RegisterCommandLine(Report *report, const char *name, const char *commandLine, int anyway);
/* The command line with its program quoted when that holds a blank and the
   line does not start with a quote, into lstrlenA(command) + 3 bytes.
   Returns 1 when it quoted. */
int QuoteProgram(const char *command, const char *program, char *stored);
/* register [--anyway] NAME COMMAND-LINE, the command line taken from the
   process's own, as typed. */
int RunRegister(int argc, char **argv, Report *report);
CTL_DECLS_END

#endif
