#include "camera_record.h"
#include "harness.h"
#include "camera_control.h"
#include "hxcamsim_control.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned Field(const char *line, const char *key)
{
    char pattern[24];
    const char *at;

    _snprintf(pattern, sizeof(pattern), " %s=", key);
    at = strstr(line, pattern);
    return at ? (unsigned)strtoul(at + strlen(pattern), NULL, 0) : 0;
}

static void ParseEvent(RecordEvent *event, const char *value)
{
    size_t kindLength = strcspn(value, " \n");

    memset(event, 0, sizeof(*event));
    if (kindLength >= sizeof(event->kind))
        kindLength = sizeof(event->kind) - 1;
    memcpy(event->kind, value, kindLength);
    event->first = Field(value, "first");
    event->second = Field(value, "second");
    event->signalled = Field(value, "signalled");
    event->pid = Field(value, "pid");
    event->status = Field(value, "status");
}

static void ParseLine(CameraRecord *record, const char *line)
{
    static const struct {
        const char *key;
        size_t offset;
    } counters[] = {
        { "armed", offsetof(CameraRecord, armed) },
        { "opens", offsetof(CameraRecord, opens) },
        { "closes", offsetof(CameraRecord, closes) },
        { "arms", offsetof(CameraRecord, arms) },
        { "disarms", offsetof(CameraRecord, disarms) },
        { "arm_failures", offsetof(CameraRecord, armFailures) },
        { "rejected", offsetof(CameraRecord, rejected) },
        { "presses", offsetof(CameraRecord, presses) },
        { "pictures", offsetof(CameraRecord, pictures) },
    };
    const char *equals = strchr(line, '=');
    size_t keyLength, i;

    if (!equals)
        return;
    keyLength = (size_t)(equals - line);
    if (strncmp(line, "interface=", 10) == 0) {
        record->interfaceOn = strncmp(equals + 1, "on", 2) == 0;
        return;
    }
    if (strncmp(line, "event", 5) == 0 && line[5] >= '0' && line[5] <= '9') {
        if (record->eventCount < RECORD_EVENTS_MAX)
            ParseEvent(&record->events[record->eventCount++], equals + 1);
        return;
    }
    for (i = 0; i < sizeof(counters) / sizeof(counters[0]); i++) {
        if (strlen(counters[i].key) == keyLength &&
            strncmp(line, counters[i].key, keyLength) == 0)
            *(unsigned *)((char *)record + counters[i].offset) =
                (unsigned)strtoul(equals + 1, NULL, 10);
    }
}

int ReadRecord(CameraRecord *record)
{
    static char text[HXCAMSIM_RECORD_TEXT_MAX];
    char *line, *next;

    memset(record, 0, sizeof(*record));
    if (!ReadCameraRecord(text, sizeof(text)))
        return 0;
    for (line = text; line && *line; line = next) {
        next = strchr(line, '\n');
        if (next)
            *next++ = '\0';
        ParseLine(record, line);
    }
    return 1;
}

int FindEvent(const CameraRecord *record, const char *kind, unsigned pid, int start)
{
    unsigned i;

    for (i = start < 0 ? 0 : (unsigned)start; i < record->eventCount; i++) {
        if (strcmp(record->events[i].kind, kind) == 0 &&
            (pid == 0 || record->events[i].pid == pid))
            return (int)i;
    }
    return -1;
}

unsigned CountEvents(const CameraRecord *record, const char *kind, unsigned pid)
{
    unsigned count = 0;
    int at = -1;

    while ((at = FindEvent(record, kind, pid, at + 1)) >= 0)
        count++;
    return count;
}

int EventsInOrder(const CameraRecord *record, const char *const *kinds)
{
    int at = -1;

    for (; *kinds; kinds++) {
        at = FindEvent(record, *kinds, 0, at + 1);
        if (at < 0)
            return 0;
    }
    return 1;
}

typedef struct EVENT_WAIT {
    const char *kind;
    unsigned pid;
    unsigned atLeast;
    CameraRecord *record;
} EVENT_WAIT;

static int EnoughEvents(void *context)
{
    EVENT_WAIT *wait = context;

    return ReadRecord(wait->record) &&
           CountEvents(wait->record, wait->kind, wait->pid) >= wait->atLeast;
}

int WaitForEvents(const char *kind, unsigned pid, unsigned atLeast, CameraRecord *record)
{
    EVENT_WAIT wait;

    wait.kind = kind;
    wait.pid = pid;
    wait.atLeast = atLeast;
    wait.record = record;
    return WaitUntil(EnoughEvents, &wait, E2E_TIMEOUT_MS);
}

int PressButton(void)
{
    return SendCameraControl(IOCTL_HXCAMSIM_PRESS_BUTTON);
}

int ReportNewPicture(void)
{
    return SendCameraControl(IOCTL_HXCAMSIM_NEW_PICTURE);
}

int UnplugCamera(void)
{
    return SendCameraControl(IOCTL_HXCAMSIM_INTERFACE_OFF);
}

int PlugCamera(void)
{
    return SendCameraControl(IOCTL_HXCAMSIM_INTERFACE_ON);
}

int ResetRecord(void)
{
    return SendCameraControl(IOCTL_HXCAMSIM_RESET_RECORD);
}
