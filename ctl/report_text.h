/* The report: the lines hxmonctl prints, gathered in one fixed buffer, which
   the console entry writes out and the tests read. */
#ifndef HX_REPORT_TEXT_H
#define HX_REPORT_TEXT_H

#include <windows.h>
#include "ctl_decls.h"

#define REPORT_SIZE 32768

typedef struct Report {
    char text[REPORT_SIZE];
    DWORD used;
} Report;

CTL_DECLS_BEGIN

void ClearReport(Report *report);

/* Appends one line. In the format, %s is our own text as it is; %e is text
   from the platform or the registry, with control characters written as
   \xNN so that nothing it holds can break a line; %q is the same in quotes;
   %u is a DWORD. A line that does not fit is cut short, and the report
   stays terminated. */
void Say(Report *report, const char *format, ...);

CTL_DECLS_END

#endif
