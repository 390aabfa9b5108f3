/* The record the tests assert on. Counters answer "how many", the ordered
   entries answer "in which order and with which payload". */
#include "driver_record.h"

#define RECORD_ENTRIES_MAX 160
#define OPEN_NAME_MAX 48

typedef struct RECORD_ENTRY {
    RECORD_KIND kind;
    ULONG first;
    ULONG second;
    ULONG processId;
    NTSTATUS status;
    char name[OPEN_NAME_MAX];
} RECORD_ENTRY;

static KMUTEX recordLock;
static RECORD_ENTRY entries[RECORD_ENTRIES_MAX];
static ULONG entryCount;
static ULONG lostCount;
static ULONG kindCount[RecordInterfaceOn + 1];

static const char *const kindNames[RecordInterfaceOn + 1] = {
    "open", "close", "arm", "disarm", "arm-failed", "rejected",
    "press", "picture", "interface-off", "interface-on"
};
static const char *const countKeys[RecordInterfaceOn + 1] = {
    "opens", "closes", "arms", "disarms", "arm_failures", "rejected",
    "presses", "pictures", "interface_offs", "interface_ons"
};

static void LockRecord(void)
{
    KeWaitForSingleObject(&recordLock, Executive, KernelMode, FALSE, NULL);
}

static void UnlockRecord(void)
{
    KeReleaseMutex(&recordLock, FALSE);
}

void RecordInitialize(void)
{
    KeInitializeMutex(&recordLock, 0);
    entryCount = 0;
    lostCount = 0;
    RtlZeroMemory(kindCount, sizeof(kindCount));
}

void RecordReset(void)
{
    LockRecord();
    entryCount = 0;
    lostCount = 0;
    RtlZeroMemory(kindCount, sizeof(kindCount));
    UnlockRecord();
}

static RECORD_ENTRY *Append(RECORD_KIND kind)
{
    RECORD_ENTRY *entry;

    kindCount[kind]++;
    if (entryCount == RECORD_ENTRIES_MAX) {
        lostCount++;
        return NULL;
    }
    entry = &entries[entryCount++];
    RtlZeroMemory(entry, sizeof(*entry));
    entry->kind = kind;
    return entry;
}

void RecordAdd(RECORD_KIND kind, ULONG first, ULONG second, ULONG processId,
               NTSTATUS status)
{
    RECORD_ENTRY *entry;

    LockRecord();
    entry = Append(kind);
    if (entry) {
        entry->first = first;
        entry->second = second;
        entry->processId = processId;
        entry->status = status;
    }
    UnlockRecord();
}

void RecordAddOpen(ULONG processId, const UNICODE_STRING *fileName)
{
    RECORD_ENTRY *entry;
    ULONG i, length;

    LockRecord();
    entry = Append(RecordOpen);
    if (entry) {
        entry->processId = processId;
        length = fileName && fileName->Buffer ? fileName->Length / sizeof(WCHAR) : 0;
        /* Names are plain ASCII here; anything else is shown as '?'. */
        for (i = 0; i < length && i < OPEN_NAME_MAX - 1; i++) {
            WCHAR c = fileName->Buffer[i];
            entry->name[i] = (c >= 0x20 && c < 0x7f) ? (char)c : '?';
        }
    }
    UnlockRecord();
}

/* A tiny writer: the kernel has no formatted output we can rely on here. */
typedef struct TEXT_OUT {
    char *text;
    ULONG size;
    ULONG used;
} TEXT_OUT;

static void Put(TEXT_OUT *out, const char *s)
{
    while (*s && out->used + 1 < out->size)
        out->text[out->used++] = *s++;
}

static void PutDecimal(TEXT_OUT *out, ULONG value)
{
    char digits[12];
    int n = 0;

    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    while (n && out->used + 1 < out->size)
        out->text[out->used++] = digits[--n];
}

static void PutHex(TEXT_OUT *out, ULONG value)
{
    static const char hex[] = "0123456789abcdef";
    int shift;

    Put(out, "0x");
    for (shift = 28; shift >= 0; shift -= 4) {
        if (out->used + 1 < out->size)
            out->text[out->used++] = hex[(value >> shift) & 0xf];
    }
}

static void PutCount(TEXT_OUT *out, const char *key, ULONG value)
{
    Put(out, key);
    Put(out, "=");
    PutDecimal(out, value);
    Put(out, "\n");
}

static void PutEntry(TEXT_OUT *out, ULONG index, const RECORD_ENTRY *entry)
{
    Put(out, "event");
    PutDecimal(out, index + 1);
    Put(out, "=");
    Put(out, kindNames[entry->kind]);
    switch (entry->kind) {
    case RecordOpen:
        Put(out, " name=");
        Put(out, entry->name);
        break;
    case RecordArm:
    case RecordDisarm:
    case RecordArmFailed:
    case RecordRejected:
        Put(out, " first=");
        PutHex(out, entry->first);
        Put(out, " second=");
        PutHex(out, entry->second);
        break;
    case RecordPress:
    case RecordPicture:
        Put(out, " signalled=");
        PutDecimal(out, entry->first);
        break;
    default:
        break;
    }
    Put(out, " pid=");
    PutDecimal(out, entry->processId);
    Put(out, " status=");
    PutHex(out, (ULONG)entry->status);
    Put(out, "\n");
}

ULONG RecordFormat(char *text, ULONG size, BOOLEAN armed, BOOLEAN interfaceOn)
{
    TEXT_OUT out;
    ULONG i;

    if (size == 0)
        return 0;
    out.text = text;
    out.size = size;
    out.used = 0;

    LockRecord();
    Put(&out, interfaceOn ? "interface=on\n" : "interface=off\n");
    PutCount(&out, "armed", armed ? 1 : 0);
    for (i = 0; i <= RecordInterfaceOn; i++)
        PutCount(&out, countKeys[i], kindCount[i]);
    PutCount(&out, "events", entryCount);
    PutCount(&out, "lost", lostCount);
    for (i = 0; i < entryCount; i++)
        PutEntry(&out, i, &entries[i]);
    UnlockRecord();

    out.text[out.used] = '\0';
    return out.used;
}
