/* Where process creation would find a command line's program, searched as
   the monitor's own CreateProcessA searches. */
#ifndef HX_PROGRAM_SEARCH_H
#define HX_PROGRAM_SEARCH_H

#include "report_text.h"

/* The directories of the program search, in its order: the monitor's folder
   (hxmonctl is installed beside it); the current directory, taken to be the
   Windows directory, where the monitor starts its programs (the search
   itself uses the monitor's own, whatever started it); the system
   directory; "<Windows directory>\System"; the Windows directory; PATH. */
typedef struct SearchPlaces {
    char monitorFolder[MAX_PATH];
    char windows[MAX_PATH];
    char system[MAX_PATH];
    char path[6 * MAX_PATH + 32768]; /* all of them, ';'-separated */
} SearchPlaces;

/* What the search found for a command line. */
typedef enum ProgramState {
    PROGRAM_FOUND = 0,
    PROGRAM_NOT_NAMED,  /* the command line names no program */
    PROGRAM_MISSING,    /* it names a file by its folder, and there is none */
    PROGRAM_NOT_FOUND   /* a bare name that the search does not find */
} ProgramState;

typedef struct ProgramFinding {
    ProgramState state;
    char program[MAX_PATH]; /* the name looked for, as the command line writes it */
    char found[MAX_PATH];   /* the file, when found */
} ProgramFinding;

CTL_DECLS_BEGIN

void FindSearchPlaces(SearchPlaces *places);

/* As process creation finds the program of a command line alone: the text
   between a leading pair of quotes, or else the command line up to each
   blank in turn. Returns 1 with the file in found; either way program
   receives the name looked for, as written in the command line (MAX_PATH
   buffers). */
int FindCommandProgram(const SearchPlaces *places, const char *commandLine, char *program,
                       char *found);

/* The same, told as one of the states above. */
void FindProgram(const SearchPlaces *places, const char *commandLine, ProgramFinding *finding);

/* Says whether process creation would find the command line's program, and
   where. Returns 1 when it is found. */
int ReportProgram(Report *report, const SearchPlaces *places, const char *command);

CTL_DECLS_END

#endif
