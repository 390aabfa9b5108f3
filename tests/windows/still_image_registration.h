// The still-image registration that a camera's installer and imaging programs
// write, and the monitor only reads: the event entries under the camera's
// driver key and the platform's list of registered applications.
#ifndef HX_TESTS_WINDOWS_STILL_IMAGE_REGISTRATION_H
#define HX_TESTS_WINDOWS_STILL_IMAGE_REGISTRATION_H

#include <string>

#include "launch_event.h"
#include "registry_scratch.h"
#include "win_owned.h"

// "Events\SnapButton" or "Events\NewPicture", under the driver key.
const char *EventSubkey(CameraEvent event);

class StillImageRegistration {
public:
    StillImageRegistration();

    // "LaunchApplications" of the event, as a text (terminator stored) or as
    // the raw bytes of a REG_BINARY value.
    void SetLaunchApplications(CameraEvent event, const std::string &text);
    void SetLaunchApplicationsBytes(CameraEvent event, const std::string &bytes);
    // The event's subkey exists but holds no "LaunchApplications".
    void AddEventWithoutLaunchApplications(CameraEvent event);

    void RegisterApplication(const std::string &name, const std::string &commandLine);
    void RegisterApplicationBytes(const std::string &name, const std::string &bytes);

    // The driver key as the monitor holds it: opened with KEY_READ.
    UniqueKey OpenDriverKey() const { return driverKey_.OpenForReading(); }

private:
    ScratchKey driverKey_;
    ScratchKey applications_;
};

#endif
