#include "still_image_registration.h"

namespace {

// A driver key of the image class that no installed device uses.
const char kDriverKeyPath[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\9999";
const char kRegisteredApplicationsPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\StillImage\\Registered Applications";
const char kLaunchApplications[] = "LaunchApplications";

}  // namespace

const char *EventSubkey(CameraEvent event)
{
    return event == SnapButton ? "Events\\SnapButton" : "Events\\NewPicture";
}

StillImageRegistration::StillImageRegistration()
    : driverKey_(kDriverKeyPath, ScratchKey::Leftover::Remove),
      // Other software's registrations may live here: only our values go.
      applications_(kRegisteredApplicationsPath, ScratchKey::Leftover::Keep)
{
}

void StillImageRegistration::SetLaunchApplications(CameraEvent event, const std::string &text)
{
    driverKey_.SetText(EventSubkey(event), kLaunchApplications, text);
}

void StillImageRegistration::SetLaunchApplicationsBytes(CameraEvent event,
                                                        const std::string &bytes)
{
    driverKey_.SetValue(EventSubkey(event), kLaunchApplications, REG_BINARY, bytes);
}

void StillImageRegistration::AddEventWithoutLaunchApplications(CameraEvent event)
{
    driverKey_.SetText(EventSubkey(event), "Description", "no launch entry");
}

void StillImageRegistration::RegisterApplication(const std::string &name,
                                                 const std::string &commandLine)
{
    applications_.SetText("", name, commandLine);
}

void StillImageRegistration::RegisterApplicationBytes(const std::string &name,
                                                      const std::string &bytes)
{
    applications_.SetValue("", name, REG_BINARY, bytes);
}
