/* What the stand-in driver was asked to do, in order, for tests to read. */
#ifndef HXCAMSIM_DRIVER_RECORD_H
#define HXCAMSIM_DRIVER_RECORD_H

#include <ntifs.h>

typedef enum RECORD_KIND {
    RecordOpen,          /* a create of the camera object */
    RecordClose,         /* its last handle went away */
    RecordArm,           /* set-events request with a snapshot event */
    RecordDisarm,        /* set-events request whose first handle is 0 */
    RecordArmFailed,     /* well-formed arm whose handles could not be used */
    RecordRejected,      /* wrong control code, input or output size */
    RecordPress,         /* the snapshot button was pressed */
    RecordPicture,       /* a new picture was reported */
    RecordInterfaceOff,  /* the image interface was taken away */
    RecordInterfaceOn    /* the image interface was (re)announced */
} RECORD_KIND;

void RecordInitialize(void);
void RecordReset(void);

/* One entry. "first"/"second" are the request's two 32-bit fields, or for
   press/picture whether an event was set (first) and nothing (second);
   "status" is the NTSTATUS the driver answered with. */
void RecordAdd(RECORD_KIND kind, ULONG first, ULONG second, ULONG processId,
               NTSTATUS status);

/* An open also keeps the name the create carried after the device. */
void RecordAddOpen(ULONG processId, const UNICODE_STRING *fileName);

/* Renders the record as "key=value" lines; returns the bytes written,
   without a terminator, never more than size - 1. */
ULONG RecordFormat(char *text, ULONG size, BOOLEAN armed, BOOLEAN interfaceOn);

#endif
