/* Turning the event handles a caller passes into references the driver
   can keep and set later, from any process. */
#ifndef HXCAMSIM_CALLER_EVENTS_H
#define HXCAMSIM_CALLER_EVENTS_H

#include <ntifs.h>

/* Must run inside the caller's request. On success *event holds a
   reference that ReleaseCallerEvent gives back. */
NTSTATUS ReferenceCallerEvent(ULONG handleValue, PKEVENT *event);

/* Drops the reference, if any, and clears *event. */
void ReleaseCallerEvent(PKEVENT *event);

#endif
