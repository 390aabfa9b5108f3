/* Substitute platform: the subset of the Win32 API that hxMonitor uses,
   under the platform's own names, types and values. Host builds only. */
#ifndef HX_WINDOWS_H
#define HX_WINDOWS_H

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winuser.h"
#include "winreg.h"
#include "winioctl.h"

#endif
