/* Requests from camctl and the scenario runner: act like the camera's user
   (press, new picture, unplug, plug) and read the driver's record. */
#include "control_device.h"
#include "camera_object.h"
#include "interface_link.h"
#include "driver_record.h"
#include "../hxcamsim_control.h"

#define CONTROL_DEVICE_NAME L"\\Device\\HxCamSimCtl"
#define CONTROL_LINK_NAME L"\\??\\HxCamSimCtl"

static PDEVICE_OBJECT controlDevice;
static BOOLEAN linkCreated;

NTSTATUS ControlDeviceCreate(PDRIVER_OBJECT driver)
{
    UNICODE_STRING name, link;
    NTSTATUS status;

    RtlInitUnicodeString(&name, CONTROL_DEVICE_NAME);
    status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE,
                            &controlDevice);
    if (!NT_SUCCESS(status)) {
        controlDevice = NULL;
        return status;
    }
    controlDevice->Flags |= DO_BUFFERED_IO;
    controlDevice->Flags &= ~DO_DEVICE_INITIALIZING;

    RtlInitUnicodeString(&link, CONTROL_LINK_NAME);
    status = IoCreateSymbolicLink(&link, &name);
    linkCreated = NT_SUCCESS(status);
    return status;
}

void ControlDeviceDelete(void)
{
    UNICODE_STRING link;

    if (linkCreated) {
        RtlInitUnicodeString(&link, CONTROL_LINK_NAME);
        IoDeleteSymbolicLink(&link);
        linkCreated = FALSE;
    }
    if (controlDevice) {
        IoDeleteDevice(controlDevice);
        controlDevice = NULL;
    }
}

BOOLEAN IsControlDevice(PDEVICE_OBJECT device)
{
    return controlDevice != NULL && device == controlDevice;
}

static NTSTATUS ReadRecord(PIRP irp, PIO_STACK_LOCATION stack)
{
    ULONG size = stack->Parameters.DeviceIoControl.OutputBufferLength;

    if (!irp->AssociatedIrp.SystemBuffer || size < 2)
        return STATUS_BUFFER_TOO_SMALL;
    irp->IoStatus.Information =
        RecordFormat(irp->AssociatedIrp.SystemBuffer, size,
                     CameraObjectArmed(), InterfaceLinkEnabled()) + 1;
    return STATUS_SUCCESS;
}

static NTSTATUS Control(PIRP irp, PIO_STACK_LOCATION stack)
{
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_HXCAMSIM_PRESS_BUTTON:
        CameraObjectSignal(TRUE);
        return STATUS_SUCCESS;
    case IOCTL_HXCAMSIM_NEW_PICTURE:
        CameraObjectSignal(FALSE);
        return STATUS_SUCCESS;
    case IOCTL_HXCAMSIM_INTERFACE_OFF:
        return InterfaceLinkDisable();
    case IOCTL_HXCAMSIM_INTERFACE_ON:
        return InterfaceLinkEnable();
    case IOCTL_HXCAMSIM_READ_RECORD:
        return ReadRecord(irp, stack);
    case IOCTL_HXCAMSIM_RESET_RECORD:
        RecordReset();
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

NTSTATUS ControlDeviceDispatch(PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status;

    irp->IoStatus.Information = 0;
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLEANUP:
    case IRP_MJ_CLOSE:
        status = STATUS_SUCCESS;
        break;
    case IRP_MJ_DEVICE_CONTROL:
        status = Control(irp, stack);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}
