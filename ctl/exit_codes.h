/* hxmonctl's exit codes, per verb. The usage text is built from these, and
   the installer and the settings window act on them. Plain numbers, so that
   the usage text can spell them. */
#ifndef HX_EXIT_CODES_H
#define HX_EXIT_CODES_H

/* The arguments fit no verb: the usage is shown. */
#define CTL_USAGE 3

/* status */
#define STATUS_READY 0      /* the camera is there and both programs are found */
#define STATUS_NOT_READY 1

/* close */
#define CLOSE_DONE 0
#define CLOSE_NONE_RUNNING 1
#define CLOSE_STILL_RUNNING 2
#define CLOSE_REFUSED 4     /* it runs with higher rights: Windows refused the message */
/* How long close waits for the monitor's process to end. */
#define CLOSE_TIMEOUT_S 10
#define CLOSE_TIMEOUT_MS (CLOSE_TIMEOUT_S * 1000)

/* apps, register, use, unregister */
#define CHOICE_DONE 0       /* changed (or, for apps, read) */
#define CHOICE_REFUSED 4    /* the request cannot be used as given; nothing written */
#define CHOICE_NO_CAMERA 5  /* no camera present, or it has no driver key; nothing written */
#define CHOICE_NOT_ADMIN 6  /* a key does not open for writing: no administrator rights */
#define CHOICE_FAILED 7     /* the registry refused a change; what was done is undone */

#endif
