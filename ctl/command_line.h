/* hxmonctl has no C runtime, so it splits its own command line into
   arguments, by the rules the C runtime uses for main()'s argv. */
#ifndef HX_COMMAND_LINE_H
#define HX_COMMAND_LINE_H

#include <windows.h>
#include "ctl_decls.h"

CTL_DECLS_BEGIN

/* Splits commandLine as the C runtime does:
   - the program name runs to the first blank (space or tab) outside quotes;
     its quotes only group, and backslashes in it are plain characters;
   - every later argument runs to the next blank outside quotes; quotes group
     and are dropped; 2n backslashes before a quote give n backslashes and
     the quote groups, 2n+1 give n backslashes and a literal quote; "" inside
     quotes is a literal quote; other backslashes are plain characters.
   Returns the number of arguments, with *argv pointing at them (and a NULL
   after the last) in one block on the process heap, which the caller frees
   with HeapFree; 0, with *argv NULL, when the block cannot be had. */
int SplitCommandLine(const char *commandLine, char ***argv);

/* The text of commandLine after its first `count` arguments (split as
   above) and the blanks after them, exactly as written, quotes and
   backslashes included: for `hxmonctl register NAME "C:\a b\x.exe" /p`,
   count 3 gives `"C:\a b\x.exe" /p`. The empty text when nothing follows. */
const char *CommandLineAfter(const char *commandLine, int count);

CTL_DECLS_END

#endif
