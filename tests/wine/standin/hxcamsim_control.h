/* The stand-in camera's control device: how test programs reach the
   stand-in driver to press the button, report a picture, unplug the camera
   and read back what the driver was asked to do. Shared by the driver and
   the user-mode tools. */
#ifndef HXCAMSIM_CONTROL_H
#define HXCAMSIM_CONTROL_H

/* Win32 name of the control device; the driver makes "\??\HxCamSimCtl". */
#define HXCAMSIM_CONTROL_WIN32_NAME "\\\\.\\HxCamSimCtl"

/* The camera is served by this service and seen through this hardware id. */
#define HXCAMSIM_SERVICE_NAME "RUdiDOVUDIRUR"
#define HXCAMSIM_HARDWARE_ID "root\\hxcamsim"
#define HXCAMSIM_INSTANCE_ID "ROOT\\IMAGE\\0000"

/* FILE_DEVICE_UNKNOWN (0x22), METHOD_BUFFERED, FILE_ANY_ACCESS. Written out
   so that user-mode tools need no DDK headers. */
#define HXCAMSIM_CTL_CODE(function) ((0x22UL << 16) | ((function) << 2))

#define IOCTL_HXCAMSIM_PRESS_BUTTON   HXCAMSIM_CTL_CODE(0x900)
#define IOCTL_HXCAMSIM_NEW_PICTURE    HXCAMSIM_CTL_CODE(0x901)
#define IOCTL_HXCAMSIM_INTERFACE_OFF  HXCAMSIM_CTL_CODE(0x902)
#define IOCTL_HXCAMSIM_INTERFACE_ON   HXCAMSIM_CTL_CODE(0x903)
#define IOCTL_HXCAMSIM_READ_RECORD    HXCAMSIM_CTL_CODE(0x904)
#define IOCTL_HXCAMSIM_RESET_RECORD   HXCAMSIM_CTL_CODE(0x905)

/* The record is text, one "key=value" per line, at most this long. */
#define HXCAMSIM_RECORD_TEXT_MAX 16384

#endif
