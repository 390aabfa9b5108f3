/* What a polling button daemon costs at rest: it wakes every 500 ms to look
   at a flag and goes back to sleep. Its wake-ups are the yardstick the
   monitor's idle wake-ups are set against.

     hxpoll500.exe SECONDS    poll for that long, then exit 0

   The check touches no kernel object, so each wake-up is the poll itself. */
#include <windows.h>
#include <stdlib.h>

static volatile LONG buttonDown;

int main(int argc, char **argv)
{
    DWORD seconds = argc > 1 ? strtoul(argv[1], NULL, 10) : 0;
    DWORD start = GetTickCount();
    unsigned long presses = 0;

    if (seconds == 0)
        return 2;
    while (GetTickCount() - start < seconds * 1000) {
        Sleep(500);
        if (InterlockedExchange(&buttonDown, 0))
            presses++;
    }
    return presses ? 1 : 0;
}
