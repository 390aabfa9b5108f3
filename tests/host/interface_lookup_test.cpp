// Wine's device installer has no SetupDiOpenDeviceInterfaceA: it fails
// without saying why. The monitor must still follow the camera there, by
// finding the broadcast's interface in its set by path.
#include "monitor_fixture.h"

namespace {

using hxtest::RunningMonitor;
using hxtest::WaitUntil;
using hxtest::WorldTest;

class InterfaceLookupTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        // As Wine's stub: every call fails, leaving the last error alone.
        hxsim::FailCall("SetupDiOpenDeviceInterfaceA", ERROR_SUCCESS, 0, 0);
    }
};

TEST_F(InterfaceLookupTest, CameraPluggedInUnderWineIsFollowedThroughItsLife) {
    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);
    const auto handles = hxsim::OpenHandles().total();

    const auto desc = hxsim::CameraDesc(3);
    hxtest::RegisterEventApplication(hxtest::DriverKeyOf(desc), "SnapButton", "Viewer");
    hxtest::RegisterApplication("Viewer", "viewer.exe /snap");
    const auto camera = hxsim::PlugIn(desc, hxsim::NameForm::Wide);
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera); }));

    ASSERT_TRUE(hxsim::PressSnapButton(camera));
    ASSERT_TRUE(hxsim::WaitForLaunches(1));
    EXPECT_EQ(hxtest::LaunchedCommands(), std::vector<std::string>{"viewer.exe /snap"});

    hxsim::Unplug(camera, false, hxsim::NameForm::Wide);
    EXPECT_FALSE(hxsim::IsArmed(camera));
    EXPECT_EQ(hxsim::ControlOpenNow(camera), 0);
    EXPECT_TRUE(WaitUntil([&] { return hxsim::OpenHandles().total() == handles; }));

    // Plugged in again, it is found and armed anew.
    const auto again = hxsim::PlugIn(desc, hxsim::NameForm::Ansi);
    EXPECT_TRUE(WaitUntil([&] { return hxsim::IsArmed(again); }));
    EXPECT_EQ(monitor.Close(), 0);
}

TEST_F(InterfaceLookupTest, RemovalOfAnInterfaceTheSetNeverHeldChangesNothing) {
    const auto camera = hxsim::AddDevice(hxsim::CameraDesc(0));
    RunningMonitor monitor;
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera); }));

    const std::string stranger = "\\\\?\\root#image#0042#{6bdd1fc6-810f-11d0-bec7-08002be2092f}";
    EXPECT_EQ(hxsim::SendInterfaceEvent(DBT_DEVICEREMOVECOMPLETE, stranger), 1);

    EXPECT_TRUE(hxsim::IsArmed(camera));
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 1u);
    EXPECT_EQ(monitor.Close(), 0);
}

}  // namespace
