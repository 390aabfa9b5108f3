/* Where process creation would look for the program a command line starts,
   and whether it finds it there. */
#ifndef HX_PROGRAM_SEARCH_H
#define HX_PROGRAM_SEARCH_H

#include <windows.h>

/* The directories of the search, in its order:
   1. the folder the monitor runs from; hxmonctl is installed beside it, so
      this is hxmonctl's own folder;
   2. the current directory, taken to be the Windows directory, where the
      monitor starts its programs (the search itself uses the monitor's own
      current directory, which is whatever started it);
   3. the system directory;
   4. the 16-bit system directory, "<Windows directory>\System";
   5. the Windows directory;
   6. the directories on PATH, as hxmonctl sees it. */
typedef struct SearchPlaces {
    char monitorFolder[MAX_PATH];
    char windows[MAX_PATH];
    char system[MAX_PATH];
    char *path; /* all of them, ';'-separated, on the process heap */
} SearchPlaces;

#ifdef __cplusplus
extern "C" {
#endif

/* Returns 0 when the search path could not be put together. */
int OpenSearchPlaces(SearchPlaces *places);
void CloseSearchPlaces(SearchPlaces *places);

/* Looks for the program as process creation does when it is given only a
   command line: the text between a leading pair of quotes, or else the
   command line up to each blank in turn ("C:\Program Files\a.exe" tries
   "C:\Program" first), with ".exe" added to a name without an extension,
   and only a file, not a directory, counting as found. Returns 1 with the
   file's path in found; otherwise 0. Either way program receives the name
   looked for (MAX_PATH buffers). */
int FindCommandProgram(const SearchPlaces *places, const char *commandLine, char *program,
                       char *found);

/* Whether a program name carries a directory, so that no search is made. */
int NamesDirectory(const char *program);

#ifdef __cplusplus
}
#endif

#endif
