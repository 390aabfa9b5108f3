// Counts the processes started from this test program, so that a test can
// tell that a launch started nothing at all, not even a fallback.
#ifndef HX_TESTS_WINDOWS_PROCESS_STARTS_H
#define HX_TESTS_WINDOWS_PROCESS_STARTS_H

#include <windows.h>

// Processes that joined this program's job since it was made; this program
// and its first descendants included. Fails the calling test when the job
// cannot be made or read.
DWORD ProcessesStartedSoFar();

#endif
