#include "scenario.h"
#include "harness.h"
#include "camera_record.h"
#include "launch_log.h"
#include "still_image_registry.h"
#include "inheritance_probe.h"
#include "camera_lookup.h"

#define LISTEN_SETTLE_MS 500

static int SetCameraPlugged(int plugged)
{
    CameraRecord record;

    if (!ReadRecord(&record))
        return 0;
    if (record.interfaceOn == plugged)
        return 1;
    return plugged ? PlugCamera() : UnplugCamera();
}

int BeginScenario(int cameraPlugged)
{
    int ok = 1;

    CloseStrayMonitors();
    CreateDirectoryA("C:\\hxsim", NULL);
    CreateDirectoryA(START_DIRECTORY, NULL);
    ok &= Check(WaitForCamera(0, E2E_TIMEOUT_MS), "the stand-in camera is installed");
    ok &= Check(SetCameraPlugged(cameraPlugged) && WaitForCamera(cameraPlugged, E2E_TIMEOUT_MS),
                "the camera is %s", cameraPlugged ? "plugged in" : "unplugged");
    ok &= Check(ResetRecord(), "the driver's record starts empty");
    ok &= Check(StartLaunchLog(LAUNCH_LOG), "the launch log starts empty");
    ok &= Check(ClearStillImageRegistration(), "no still-image registration is left");
    ok &= Check(CreateInheritanceProbe(), "the inheritance probe is ready");
    return ok;
}

void EndScenario(MonitorRun *run)
{
    EndMonitor(run);
    WaitForStartedProgramsToEnd();
}

void LetNotificationsRegister(void)
{
    Sleep(LISTEN_SETTLE_MS);
}
