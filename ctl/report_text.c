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

/* Control characters as \xNN when `escaped`. */
static void PutText(Report *report, const char *text, int escaped)
{
    static const char digits[] = "0123456789ABCDEF";

    for (; *text; text++) {
        unsigned char c = (unsigned char)*text;
        if (escaped && (c < 0x20 || c == 0x7F)) {
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
    if (number >= 10)
        PutNumber(report, number / 10);
    Put(report, (char)('0' + number % 10));
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
            PutText(report, va_arg(args, const char *), 0);
            break;
        case 'e':
            PutText(report, va_arg(args, const char *), 1);
            break;
        case 'q':
            Put(report, '"');
            PutText(report, va_arg(args, const char *), 1);
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
