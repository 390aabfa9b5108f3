/* A real driver references the caller's handle with UserMode access checks.
   Wine does not implement that, and runs the driver in its own process, so
   there the handle is first copied out of the calling process and the copy
   is referenced in kernel mode. */
#include "caller_events.h"

static NTSTATUS ReferenceThroughCopy(HANDLE handle, PKEVENT *event)
{
    OBJECT_ATTRIBUTES attributes;
    CLIENT_ID client;
    HANDLE process;
    HANDLE copy;
    NTSTATUS status;

    InitializeObjectAttributes(&attributes, NULL, OBJ_KERNEL_HANDLE, NULL, NULL);
    client.UniqueProcess = PsGetCurrentProcessId();
    client.UniqueThread = NULL;
    status = ZwOpenProcess(&process, PROCESS_DUP_HANDLE, &attributes, &client);
    if (!NT_SUCCESS(status))
        return status;

    status = ZwDuplicateObject(process, handle, NtCurrentProcess(), &copy,
                               EVENT_MODIFY_STATE, 0, 0);
    ZwClose(process);
    if (!NT_SUCCESS(status))
        return status;

    /* wdm.h declares ExEventObjectType one indirection too deep. */
    status = ObReferenceObjectByHandle(copy, EVENT_MODIFY_STATE,
                                       (POBJECT_TYPE)ExEventObjectType,
                                       KernelMode, (PVOID *)event, NULL);
    ZwClose(copy);
    return status;
}

NTSTATUS ReferenceCallerEvent(ULONG handleValue, PKEVENT *event)
{
    /* Handle values are sign-extended from 32 bits, as between a 32-bit
       and a 64-bit process: 0xffffffff is (HANDLE)-1, not 0x00000000ffffffff. */
    HANDLE handle = LongToHandle((LONG)handleValue);
    NTSTATUS status;

    *event = NULL;
    if (handleValue == 0)
        return STATUS_INVALID_HANDLE;

    status = ObReferenceObjectByHandle(handle, EVENT_MODIFY_STATE,
                                       (POBJECT_TYPE)ExEventObjectType,
                                       UserMode, (PVOID *)event, NULL);
    if (status == STATUS_NOT_IMPLEMENTED)
        status = ReferenceThroughCopy(handle, event);
    if (!NT_SUCCESS(status))
        *event = NULL;
    return status;
}

void ReleaseCallerEvent(PKEVENT *event)
{
    if (*event) {
        ObDereferenceObject(*event);
        *event = NULL;
    }
}
