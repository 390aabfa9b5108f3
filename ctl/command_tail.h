/* The text of a command line after its first arguments, exactly as typed. */
#ifndef HX_COMMAND_TAIL_H
#define HX_COMMAND_TAIL_H

#ifdef __cplusplus
extern "C" {
#endif

/* Skips `count` arguments (the program's name first) as the C runtime
   splits them, and the blanks after them; returns the rest of the line,
   quotes and blanks within it untouched. */
const char *CommandLineTail(const char *commandLine, int count);

#ifdef __cplusplus
}
#endif

#endif
