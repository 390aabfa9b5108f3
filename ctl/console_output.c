#include "console_output.h"

/* The text as UTF-16 with "\r\n" line ends (a last line without its "\n"
   gets one too), in one block from the process heap (a report runs to
   32 KiB, too much for the stack), its length in *length. NULL when it
   cannot be converted. */
static WCHAR *WideLines(const char *text, int *length)
{
    const int bytes = lstrlenA(text);
    const int open = text[bytes - 1] != '\n';
    int added = open ? 2 : 0, converted, from, at;
    WCHAR *wide;

    for (from = 0; from < bytes; from++)
        added += text[from] == '\n';
    converted = MultiByteToWideChar(CP_ACP, 0, text, bytes, NULL, 0);
    if (converted <= 0)
        return NULL;
    wide = (WCHAR *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)(converted + added) * sizeof(WCHAR));
    if (wide == NULL)
        return NULL;
    /* Converted into the block's end, then moved to its start with a '\r'
       before each '\n'; what is moved is never overwritten unread. */
    if (MultiByteToWideChar(CP_ACP, 0, text, bytes, wide + added, converted) != converted) {
        HeapFree(GetProcessHeap(), 0, wide);
        return NULL;
    }
    for (from = added, at = 0; from < added + converted; from++) {
        const WCHAR c = wide[from];
        if (c == '\n')
            wide[at++] = '\r';
        wide[at++] = c;
    }
    if (open) {
        wide[at++] = '\r';
        wide[at++] = '\n';
    }
    *length = at;
    return wide;
}

/* One write per line: consoles of older systems refuse long writes. */
static void WriteConsoleLines(HANDLE out, const WCHAR *wide, int length)
{
    DWORD written;
    int start = 0, i;

    for (i = 0; i < length; i++) {
        if (wide[i] == '\n' || i + 1 == length) {
            WriteConsoleW(out, wide + start, (DWORD)(i + 1 - start), &written, NULL);
            start = i + 1;
        }
    }
}

/* The whole text in one write, so that no empty write reaches a pipe,
   where the reader could take it for the end. Returns 0 when it cannot be
   converted. */
static int WriteUtf8(HANDLE out, const WCHAR *wide, int length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, NULL, 0, NULL, NULL);
    char *bytes = size > 0 ? (char *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size) : NULL;
    int converted;
    DWORD written;

    if (bytes == NULL)
        return 0;
    converted = WideCharToMultiByte(CP_UTF8, 0, wide, length, bytes, size, NULL, NULL) == size;
    if (converted)
        WriteFile(out, bytes, (DWORD)size, &written, NULL);
    HeapFree(GetProcessHeap(), 0, bytes);
    return converted;
}

/* The bytes as they are, each line followed by "\r\n". */
static void WriteBytes(HANDLE out, const char *text)
{
    const char *end;
    DWORD written;

    while (*text) {
        for (end = text; *end && *end != '\n'; end++)
            ;
        if (end > text)
            WriteFile(out, text, (DWORD)(end - text), &written, NULL);
        WriteFile(out, "\r\n", 2, &written, NULL);
        text = *end ? end + 1 : end;
    }
}

void WriteOutputText(HANDLE out, const char *text)
{
    WCHAR *wide;
    DWORD mode;
    int length, written = 0;

    if (out == NULL || out == INVALID_HANDLE_VALUE || *text == '\0')
        return;
    wide = WideLines(text, &length);
    if (wide != NULL) {
        if (GetConsoleMode(out, &mode)) {
            WriteConsoleLines(out, wide, length);
            written = 1;
        } else {
            written = WriteUtf8(out, wide, length);
        }
        HeapFree(GetProcessHeap(), 0, wide);
    }
    if (!written)
        WriteBytes(out, text);
}
