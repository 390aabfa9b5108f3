#include "report_text.h"

#include <stdarg.h>

void ClearReport(Report *report)
{
    report->used = 0;
    report->text[0] = '\0';
}

/* One byte, keeping room for the terminator. */
static void Put(Report *report, char c)
{
    if (report->used + 1 < REPORT_SIZE)
        report->text[report->used++] = c;
}

static void PutText(Report *report, const char *text)
{
    for (; *text; text++)
        Put(report, *text);
}

static void PutEscaped(Report *report, const char *text)
{
    static const char digits[] = "0123456789ABCDEF";

    for (; *text; text++) {
        unsigned char c = (unsigned char)*text;
        if (c < 0x20 || c == 0x7F) {
            Put(report, '\\');
            Put(report, 'x');
            Put(report, digits[c >> 4]);
            Put(report, digits[c & 0x0F]);
        } else {
            Put(report, (char)c);
        }
    }
}

static void PutNumber(Report *report, DWORD number)
{
    char digits[16];
    int count = 0;

    do {
        digits[count++] = (char)('0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (count > 0)
        Put(report, digits[--count]);
}

void Say(Report *report, const char *format, ...)
{
    va_list args;

    va_start(args, format);
    for (; *format; format++) {
        if (*format != '%' || format[1] == '\0') {
            Put(report, *format);
            continue;
        }
        switch (*++format) {
        case 's':
            PutText(report, va_arg(args, const char *));
            break;
        case 'e':
            PutEscaped(report, va_arg(args, const char *));
            break;
        case 'q':
            Put(report, '"');
            PutEscaped(report, va_arg(args, const char *));
            Put(report, '"');
            break;
        case 'u':
            PutNumber(report, va_arg(args, DWORD));
            break;
        default:
            Put(report, *format);
            break;
        }
    }
    va_end(args);
    Put(report, '\n');
    report->text[report->used] = '\0';
}
