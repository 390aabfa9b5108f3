/* hxmonctl's output: its report text, in the process code page, made
   readable wherever standard output leads. */
#ifndef HX_CONSOLE_OUTPUT_H
#define HX_CONSOLE_OUTPUT_H

#include <windows.h>
#include "ctl_decls.h"

CTL_DECLS_BEGIN

/* Writes the text (lines ending in "\n", read in the process code page)
   to `out` with lines ending in "\r\n". A console shows its own code page,
   not the process's, so it gets the text as UTF-16 (WriteConsoleW); a pipe
   or a file gets it as UTF-8. Text that cannot be converted goes out as its
   bytes. Nothing is written to a NULL or invalid handle. */
void WriteOutputText(HANDLE out, const char *text);

CTL_DECLS_END

#endif
