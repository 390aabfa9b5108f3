/* The contract the monitor relies on: IOCTL 0x8160205C, buffered, with
   exactly 8 bytes in (two 32-bit event handles) and nothing out. A first
   handle of 0 disarms. */
#include "camera_object.h"
#include "caller_events.h"
#include "driver_record.h"

#define IOCTL_CAMERA_SET_EVENTS 0x8160205CUL
#define CAMERA_DEVICE_TYPE 0x8160

static PDEVICE_OBJECT cameraDevice;
static KMUTEX armLock;
static PKEVENT snapEvent;
static PKEVENT pictureEvent;

static ULONG CallerId(void)
{
    return HandleToULong(PsGetCurrentProcessId());
}

static void LockArm(void)
{
    KeWaitForSingleObject(&armLock, Executive, KernelMode, FALSE, NULL);
}

static void UnlockArm(void)
{
    KeReleaseMutex(&armLock, FALSE);
}

static void ReleaseEventsLocked(void)
{
    ReleaseCallerEvent(&snapEvent);
    ReleaseCallerEvent(&pictureEvent);
}

NTSTATUS CameraObjectCreate(PDRIVER_OBJECT driver)
{
    UNICODE_STRING name;
    NTSTATUS status;

    KeInitializeMutex(&armLock, 0);
    snapEvent = NULL;
    pictureEvent = NULL;

    RtlInitUnicodeString(&name, CAMERA_OBJECT_NAME);
    status = IoCreateDevice(driver, 0, &name, CAMERA_DEVICE_TYPE, 0, FALSE,
                            &cameraDevice);
    if (!NT_SUCCESS(status)) {
        cameraDevice = NULL;
        return status;
    }
    cameraDevice->Flags |= DO_BUFFERED_IO;
    cameraDevice->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

void CameraObjectDelete(void)
{
    if (!cameraDevice)
        return;
    LockArm();
    ReleaseEventsLocked();
    UnlockArm();
    IoDeleteDevice(cameraDevice);
    cameraDevice = NULL;
}

BOOLEAN IsCameraObject(PDEVICE_OBJECT device)
{
    return cameraDevice != NULL && device == cameraDevice;
}

BOOLEAN CameraObjectArmed(void)
{
    BOOLEAN armed;

    LockArm();
    armed = snapEvent != NULL;
    UnlockArm();
    return armed;
}

static NTSTATUS Arm(ULONG snapHandle, ULONG pictureHandle)
{
    PKEVENT newSnap;
    PKEVENT newPicture;
    NTSTATUS status;

    status = ReferenceCallerEvent(snapHandle, &newSnap);
    if (NT_SUCCESS(status)) {
        status = ReferenceCallerEvent(pictureHandle, &newPicture);
        if (!NT_SUCCESS(status))
            ReleaseCallerEvent(&newSnap);
    }
    if (!NT_SUCCESS(status)) {
        RecordAdd(RecordArmFailed, snapHandle, pictureHandle, CallerId(), status);
        return status;
    }

    /* A new arm replaces whatever the last one left. */
    LockArm();
    ReleaseEventsLocked();
    snapEvent = newSnap;
    pictureEvent = newPicture;
    RecordAdd(RecordArm, snapHandle, pictureHandle, CallerId(), STATUS_SUCCESS);
    UnlockArm();
    return STATUS_SUCCESS;
}

static NTSTATUS Disarm(ULONG pictureHandle)
{
    LockArm();
    ReleaseEventsLocked();
    RecordAdd(RecordDisarm, 0, pictureHandle, CallerId(), STATUS_SUCCESS);
    UnlockArm();
    return STATUS_SUCCESS;
}

static NTSTATUS SetEvents(PIRP irp, PIO_STACK_LOCATION stack)
{
    ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG *input = irp->AssociatedIrp.SystemBuffer;
    ULONG first = 0, second = 0;

    if (input && inLength >= 8) {
        first = input[0];
        second = input[1];
    }
    if (code != IOCTL_CAMERA_SET_EVENTS || inLength != 8 || outLength != 0 || !input) {
        RecordAdd(RecordRejected, first, second, CallerId(), STATUS_INVALID_PARAMETER);
        return STATUS_INVALID_PARAMETER;
    }
    return first ? Arm(first, second) : Disarm(second);
}

NTSTATUS CameraObjectDispatch(PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status = STATUS_SUCCESS;

    irp->IoStatus.Information = 0;
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
        RecordAddOpen(CallerId(), stack->FileObject ? &stack->FileObject->FileName : NULL);
        break;
    case IRP_MJ_CLEANUP:
        break;
    case IRP_MJ_CLOSE:
        RecordAdd(RecordClose, 0, 0, CallerId(), STATUS_SUCCESS);
        break;
    case IRP_MJ_DEVICE_CONTROL:
        status = SetEvents(irp, stack);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

BOOLEAN CameraObjectSignal(BOOLEAN snapshot)
{
    PKEVENT event;
    BOOLEAN signalled = FALSE;

    LockArm();
    event = snapshot ? snapEvent : pictureEvent;
    if (event) {
        KeSetEvent(event, IO_NO_INCREMENT, FALSE);
        signalled = TRUE;
    }
    RecordAdd(snapshot ? RecordPress : RecordPicture, signalled, 0, CallerId(),
              STATUS_SUCCESS);
    UnlockArm();
    return signalled;
}
