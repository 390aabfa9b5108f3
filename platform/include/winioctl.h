/* Substitute platform: device I/O control codes. */
#ifndef HX_WINIOCTL_H
#define HX_WINIOCTL_H

#define CTL_CODE(DeviceType, Function, Method, Access) \
    (((DeviceType) << 16) | ((Access) << 14) | ((Function) << 2) | (Method))
#define METHOD_BUFFERED 0
#define FILE_ANY_ACCESS 0

#endif
