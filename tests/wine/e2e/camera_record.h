/* The stand-in driver's record, parsed, and waiting on it. */
#ifndef HXE2E_CAMERA_RECORD_H
#define HXE2E_CAMERA_RECORD_H

#include <windows.h>

#define RECORD_EVENTS_MAX 200

typedef struct RecordEvent {
    char kind[16];       /* open, close, arm, disarm, press, interface-off, ... */
    unsigned first;      /* set-events requests: first handle */
    unsigned second;     /* set-events requests: second handle */
    unsigned signalled;  /* press/picture: whether an event was set */
    unsigned pid;        /* the requesting process */
    unsigned status;     /* what the driver answered */
} RecordEvent;

typedef struct CameraRecord {
    int interfaceOn;
    unsigned armed, opens, closes, arms, disarms, armFailures, rejected;
    unsigned presses, pictures;
    unsigned eventCount;
    RecordEvent events[RECORD_EVENTS_MAX];
} CameraRecord;

/* Returns 1 when the record could be read. */
int ReadRecord(CameraRecord *record);

/* Index of the first event of this kind at or after start, from pid (0 for
   any process); -1 if none. */
int FindEvent(const CameraRecord *record, const char *kind, unsigned pid, int start);

/* Counts events of a kind from pid (0 for any). */
unsigned CountEvents(const CameraRecord *record, const char *kind, unsigned pid);

/* Whether the kinds occur in this order among the events (others may come
   between). The list ends with NULL. */
int EventsInOrder(const CameraRecord *record, const char *const *kinds);

/* Waits until at least `atLeast` events of `kind` from pid (0: any) are
   recorded; leaves the last record read in *record. */
int WaitForEvents(const char *kind, unsigned pid, unsigned atLeast, CameraRecord *record);

/* Press, picture, unplug, plug, reset: 1 when the driver accepted it. */
int PressButton(void);
int ReportNewPicture(void);
int UnplugCamera(void);
int PlugCamera(void);
int ResetRecord(void);

#endif
