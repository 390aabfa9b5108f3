/* hxcamsim.sys: a stand-in for the still camera's kernel driver, for tests
   under Wine. One root-enumerated device of the image class; its function
   device owns the camera object, the control device and the interface. */
#include <ntifs.h>
#include "camera_object.h"
#include "control_device.h"
#include "interface_link.h"
#include "driver_record.h"

static PDEVICE_OBJECT functionDevice;
static PDEVICE_OBJECT lowerDevice;

static void TearDownCamera(void)
{
    InterfaceLinkRelease();
    ControlDeviceDelete();
    CameraObjectDelete();
}

static NTSTATUS NTAPI AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo)
{
    NTSTATUS status;

    if (functionDevice)
        return STATUS_DEVICE_ALREADY_ATTACHED;  /* one camera at a time */

    /* Unnamed on purpose: see interface_link.c. */
    status = IoCreateDevice(driver, 0, NULL, FILE_DEVICE_UNKNOWN, 0, FALSE,
                            &functionDevice);
    if (!NT_SUCCESS(status)) {
        functionDevice = NULL;
        return status;
    }
    lowerDevice = IoAttachDeviceToDeviceStack(functionDevice, pdo);

    status = CameraObjectCreate(driver);
    if (NT_SUCCESS(status))
        status = ControlDeviceCreate(driver);
    if (NT_SUCCESS(status))
        status = InterfaceLinkCreateNamespace();
    if (NT_SUCCESS(status))
        status = InterfaceLinkRegister(functionDevice);
    if (!NT_SUCCESS(status)) {
        TearDownCamera();
        if (lowerDevice)
            IoDetachDevice(lowerDevice);
        IoDeleteDevice(functionDevice);
        functionDevice = NULL;
        lowerDevice = NULL;
        return status;
    }

    functionDevice->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static NTSTATUS PassDown(PIRP irp)
{
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(lowerDevice, irp);
}

static NTSTATUS FunctionDevicePnp(PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    PDEVICE_OBJECT device = functionDevice;
    PDEVICE_OBJECT lower = lowerDevice;
    NTSTATUS status;

    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
        irp->IoStatus.Status = InterfaceLinkEnable();
        return PassDown(irp);
    case IRP_MN_SURPRISE_REMOVAL:
        InterfaceLinkDisable();
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(irp);
    case IRP_MN_REMOVE_DEVICE:
        TearDownCamera();
        irp->IoStatus.Status = STATUS_SUCCESS;
        status = PassDown(irp);
        functionDevice = NULL;
        lowerDevice = NULL;
        IoDetachDevice(lower);
        IoDeleteDevice(device);
        return status;
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_STOP_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(irp);
    default:
        return PassDown(irp);
    }
}

static NTSTATUS CompleteWith(PIRP irp, NTSTATUS status)
{
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT device, PIRP irp)
{
    if (functionDevice && device == functionDevice)
        return FunctionDevicePnp(irp);
    return CompleteWith(irp, irp->IoStatus.Status);
}

static NTSTATUS NTAPI DispatchIo(PDEVICE_OBJECT device, PIRP irp)
{
    if (IsCameraObject(device))
        return CameraObjectDispatch(irp);
    if (IsControlDevice(device))
        return ControlDeviceDispatch(irp);
    return CompleteWith(irp, STATUS_INVALID_DEVICE_REQUEST);
}

static void NTAPI Unload(PDRIVER_OBJECT driver)
{
    (void)driver;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    (void)registryPath;
    RecordInitialize();
    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = Unload;
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchIo;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchIo;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchIo;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchIo;
    return STATUS_SUCCESS;
}
