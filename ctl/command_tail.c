#include "command_tail.h"

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

static const char *SkipBlanks(const char *at)
{
    while (IsBlank(*at))
        at++;
    return at;
}

/* One argument after the program's name: quotes group blanks, a quote after
   an odd number of backslashes is a literal one, and "" inside quotes
   stands for one quote. */
static const char *SkipArgument(const char *at)
{
    int inQuotes = 0;
    unsigned slashes;

    while (*at != '\0' && (inQuotes || !IsBlank(*at))) {
        for (slashes = 0; *at == '\\'; at++)
            slashes++;
        if (*at != '"') {
            if (slashes == 0)
                at++;
            continue;
        }
        if (slashes % 2 == 0) {
            if (inQuotes && at[1] == '"')
                at++;
            else
                inQuotes = !inQuotes;
        }
        at++;
    }
    return at;
}

const char *CommandLineTail(const char *commandLine, int count)
{
    const char *at = commandLine;

    if (count <= 0)
        return commandLine;
    /* The program's name knows no escapes: a quoted part, then up to a blank. */
    if (*at == '"') {
        for (at++; *at != '\0' && *at != '"'; at++)
            ;
        if (*at == '"')
            at++;
    }
    while (*at != '\0' && !IsBlank(*at))
        at++;
    while (--count > 0)
        at = SkipArgument(SkipBlanks(at));
    return SkipBlanks(at);
}
