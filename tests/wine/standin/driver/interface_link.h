/* The camera's image-class interface and the names behind it, so that
   "<interface path>\GLOBAL" opens the camera object. */
#ifndef HXCAMSIM_INTERFACE_LINK_H
#define HXCAMSIM_INTERFACE_LINK_H

#include <ntifs.h>

/* Registers the image interface for the device stack whose top is fdo
   (AddDevice). */
NTSTATUS InterfaceLinkRegister(PDEVICE_OBJECT fdo);

/* Makes the object directory whose "GLOBAL" entry leads to the camera
   object. */
NTSTATUS InterfaceLinkCreateNamespace(void);

/* Announces or withdraws the interface; both are recorded. */
NTSTATUS InterfaceLinkEnable(void);
NTSTATUS InterfaceLinkDisable(void);
BOOLEAN InterfaceLinkEnabled(void);

/* Withdraws the interface if needed and releases every name (removal). */
void InterfaceLinkRelease(void);

#endif
