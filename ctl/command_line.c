#include "command_line.h"

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

static const char *SkipBlanks(const char *text)
{
    while (IsBlank(*text))
        text++;
    return text;
}

/* Writes one character of an argument; with no output only its end is
   being looked for. */
static void Put(char **out, char c)
{
    if (*out != NULL)
        *(*out)++ = c;
}

static const char *ReadProgramName(const char *text, char **out)
{
    int quoted = 0;

    for (; *text != '\0' && (quoted || !IsBlank(*text)); text++) {
        if (*text == '"')
            quoted = !quoted;
        else
            Put(out, *text);
    }
    return text;
}

static const char *ReadArgument(const char *text, char **out)
{
    int quoted = 0;
    DWORD slashes;

    while (*text != '\0' && (quoted || !IsBlank(*text))) {
        for (slashes = 0; *text == '\\'; text++)
            slashes++;
        if (*text == '"') {
            for (; slashes >= 2; slashes -= 2)
                Put(out, '\\');
            if (slashes == 1)
                Put(out, '"');
            else if (quoted && text[1] == '"')
                Put(out, *++text);
            else
                quoted = !quoted;
            text++;
        } else if (slashes > 0) {
            for (; slashes > 0; slashes--)
                Put(out, '\\');
        } else {
            Put(out, *text++);
        }
    }
    return text;
}

int SplitCommandLine(const char *commandLine, char ***argv)
{
    /* Every argument after the name takes at least one character and one
       blank, and none is longer than its text: an upper bound, in one block. */
    const int length = lstrlenA(commandLine);
    const int most = length / 2 + 2;
    const char *text = commandLine;
    char **args;
    char *out;
    int count = 0;

    *argv = NULL;
    args = (char **)HeapAlloc(GetProcessHeap(), 0,
                              (SIZE_T)(most + 1) * sizeof(char *) + (SIZE_T)(length + most));
    if (args == NULL)
        return 0;
    out = (char *)(args + most + 1);
    for (;;) {
        args[count++] = out;
        text = count == 1 ? ReadProgramName(text, &out) : ReadArgument(text, &out);
        *out++ = '\0';
        text = SkipBlanks(text);
        if (*text == '\0')
            break;
    }
    args[count] = NULL;
    *argv = args;
    return count;
}

const char *CommandLineAfter(const char *commandLine, int count)
{
    const char *text = commandLine;
    char *none = NULL;
    int i;

    for (i = 0; i < count && *text != '\0'; i++)
        text = SkipBlanks(i == 0 ? ReadProgramName(text, &none) : ReadArgument(text, &none));
    return text;
}
