/* The interface's symbolic link leads to an object directory of ours,
   "\HxCamSim", whose "GLOBAL" entry links to the camera object. Wine cannot
   open a device with a path left over after its name, so the plain link to
   the device would make every "\GLOBAL" open fail.

   The interface is registered on our own unnamed function device rather
   than on the PDO. Enabling it then finds no device name to link to and
   leaves the link we created beforehand in place, so the camera can be
   opened before its arrival is announced. Linking to the PDO and re-pointing
   afterwards would race with a quick listener. */
#include <initguid.h>
#include "interface_link.h"
#include "camera_object.h"
#include "driver_record.h"

DEFINE_GUID(HXCAMSIM_GUID_DEVINTERFACE_IMAGE, 0x6bdd1fc6, 0x810f, 0x11d0,
            0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f);

#define OBJECT_DIRECTORY_NAME L"\\HxCamSim"
#define CONTROL_ENTRY_NAME L"GLOBAL"

static UNICODE_STRING interfaceName;  /* "\??\ROOT#IMAGE#0000#{...}" */
static HANDLE objectDirectory;
static HANDLE controlEntry;
static BOOLEAN enabled;

static ULONG CallerId(void)
{
    return HandleToULong(PsGetCurrentProcessId());
}

NTSTATUS InterfaceLinkRegister(PDEVICE_OBJECT fdo)
{
    /* Wine only reads device properties of bus-enumerated devices. The flag
       lets it take our device's (empty) name instead of the PDO's. */
    fdo->Flags |= DO_BUS_ENUMERATED_DEVICE;
    return IoRegisterDeviceInterface(fdo, &HXCAMSIM_GUID_DEVINTERFACE_IMAGE,
                                     NULL, &interfaceName);
}

NTSTATUS InterfaceLinkCreateNamespace(void)
{
    OBJECT_ATTRIBUTES attributes;
    UNICODE_STRING name, target;
    NTSTATUS status;

    RtlInitUnicodeString(&name, OBJECT_DIRECTORY_NAME);
    InitializeObjectAttributes(&attributes, &name,
                               OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    status = ZwCreateDirectoryObject(&objectDirectory, DIRECTORY_ALL_ACCESS, &attributes);
    if (!NT_SUCCESS(status)) {
        objectDirectory = NULL;
        return status;
    }

    RtlInitUnicodeString(&name, CONTROL_ENTRY_NAME);
    RtlInitUnicodeString(&target, CAMERA_OBJECT_NAME);
    InitializeObjectAttributes(&attributes, &name,
                               OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               objectDirectory, NULL);
    status = ZwCreateSymbolicLinkObject(&controlEntry, SYMBOLIC_LINK_ALL_ACCESS,
                                        &attributes, &target);
    if (!NT_SUCCESS(status))
        controlEntry = NULL;
    return status;
}

/* The link must outlive our handle: disabling the interface deletes it by
   name, as it deletes the link it would have made itself. */
static NTSTATUS CreateInterfaceLink(void)
{
    OBJECT_ATTRIBUTES attributes;
    UNICODE_STRING target;
    HANDLE link;
    NTSTATUS status;

    RtlInitUnicodeString(&target, OBJECT_DIRECTORY_NAME);
    InitializeObjectAttributes(&attributes, &interfaceName,
                               OBJ_CASE_INSENSITIVE | OBJ_PERMANENT | OBJ_KERNEL_HANDLE,
                               NULL, NULL);
    status = ZwCreateSymbolicLinkObject(&link, SYMBOLIC_LINK_ALL_ACCESS, &attributes, &target);
    if (NT_SUCCESS(status))
        ZwClose(link);
    return status;
}

NTSTATUS InterfaceLinkEnable(void)
{
    NTSTATUS status;

    if (!interfaceName.Buffer)
        status = STATUS_INVALID_DEVICE_STATE;
    else if (enabled)
        status = STATUS_SUCCESS;
    else {
        status = CreateInterfaceLink();
        if (NT_SUCCESS(status)) {
            status = IoSetDeviceInterfaceState(&interfaceName, TRUE);
            if (NT_SUCCESS(status))
                enabled = TRUE;
            else
                IoDeleteSymbolicLink(&interfaceName);
        }
    }
    RecordAdd(RecordInterfaceOn, 0, 0, CallerId(), status);
    return status;
}

NTSTATUS InterfaceLinkDisable(void)
{
    NTSTATUS status = STATUS_SUCCESS;

    if (enabled) {
        status = IoSetDeviceInterfaceState(&interfaceName, FALSE);
        enabled = FALSE;
        /* Normally gone with the interface; make sure, so that the next
           enable can create it again. */
        IoDeleteSymbolicLink(&interfaceName);
    }
    RecordAdd(RecordInterfaceOff, 0, 0, CallerId(), status);
    return status;
}

BOOLEAN InterfaceLinkEnabled(void)
{
    return enabled;
}

void InterfaceLinkRelease(void)
{
    if (enabled)
        InterfaceLinkDisable();
    if (controlEntry) {
        ZwClose(controlEntry);
        controlEntry = NULL;
    }
    if (objectDirectory) {
        ZwClose(objectDirectory);
        objectDirectory = NULL;
    }
    if (interfaceName.Buffer)
        RtlFreeUnicodeString(&interfaceName);
    interfaceName.Buffer = NULL;
}
