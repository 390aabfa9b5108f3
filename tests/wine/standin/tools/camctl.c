/* camctl: plays the camera's user against the stand-in driver.

     camctl press     press the snapshot button
     camctl picture   report that a new picture is ready
     camctl unplug    take the image interface away (removal is announced)
     camctl plug      bring it back (arrival is announced)
     camctl record    print what the driver received, as key=value lines
     camctl reset     forget the record

   Exit code 0 on success, 1 when the camera is missing or refuses, 2 on bad
   usage. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "camera_control.h"
#include "../hxcamsim_control.h"

static const struct {
    const char *verb;
    DWORD code;
} requests[] = {
    { "press", IOCTL_HXCAMSIM_PRESS_BUTTON },
    { "picture", IOCTL_HXCAMSIM_NEW_PICTURE },
    { "unplug", IOCTL_HXCAMSIM_INTERFACE_OFF },
    { "plug", IOCTL_HXCAMSIM_INTERFACE_ON },
    { "reset", IOCTL_HXCAMSIM_RESET_RECORD },
};

static int PrintRecord(void)
{
    static char text[HXCAMSIM_RECORD_TEXT_MAX];

    if (!ReadCameraRecord(text, sizeof(text))) {
        fprintf(stderr, "camctl: cannot read the record, error %lu\n", GetLastError());
        return 1;
    }
    fputs(text, stdout);
    return 0;
}

int main(int argc, char **argv)
{
    size_t i;

    if (argc == 2 && strcmp(argv[1], "record") == 0)
        return PrintRecord();
    for (i = 0; argc == 2 && i < sizeof(requests) / sizeof(requests[0]); i++) {
        if (strcmp(argv[1], requests[i].verb) == 0) {
            if (SendCameraControl(requests[i].code))
                return 0;
            fprintf(stderr, "camctl: %s failed, error %lu\n", argv[1], GetLastError());
            return 1;
        }
    }
    fprintf(stderr, "usage: camctl press | picture | unplug | plug | record | reset\n");
    return 2;
}
