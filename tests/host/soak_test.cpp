// Thousands of plug, press, unplug cycles with the monitor running: nothing
// may pile up, nothing may be used after it was closed, and every press
// starts exactly one program.
#include "monitor_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using hxsim::DeviceId;
using hxsim::NameForm;
using hxtest::RunningMonitor;
using hxtest::WorldTest;

// HX_SOAK_CYCLES overrides the count, for a longer soak or a quick look.
size_t SoakCycles() {
    if (const char* text = std::getenv("HX_SOAK_CYCLES"))
        return std::strtoul(text, nullptr, 10);
    return 10000;
}

// Presses as soon as the freshly started worker has armed the camera. Polls
// without sleeping: a millisecond's sleep per cycle would dominate the soak.
bool PressOnceArmed(DeviceId camera) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!hxsim::PressSnapButton(camera)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

class SoakTest : public WorldTest {};

TEST_F(SoakTest, PlugPressUnplugCyclesLeaveNothingBehind) {
    const size_t cycles = SoakCycles();
    const auto camera = hxsim::CameraDesc();
    const std::string command = "C:\\Camera\\snap.exe";
    hxtest::RegisterEventApplication(hxtest::DriverKeyOf(camera), "SnapButton", "Camera Snap");
    hxtest::RegisterApplication("Camera Snap", command);

    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);
    const auto before = hxsim::OpenHandles();
    std::vector<DeviceId> plugged;
    plugged.reserve(cycles);

    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < cycles; ++i) {
        // Both record forms, and every third removal announced as pending first.
        const NameForm form = i % 2 == 0 ? NameForm::Ansi : NameForm::Wide;
        const DeviceId id = hxsim::PlugIn(camera, form);
        plugged.push_back(id);
        ASSERT_TRUE(PressOnceArmed(id)) << "cycle " << i;
        ASSERT_TRUE(hxsim::WaitForLaunches(i + 1)) << "cycle " << i;
        hxsim::Unplug(id, i % 3 == 0, form);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    ASSERT_TRUE(hxsim::WaitForThreadsToEnd());
    const auto after = hxsim::OpenHandles();
    const auto launches = hxsim::Launches();
    std::printf("soak: cycles=%zu seconds=%.2f handles before=%zu after=%zu "
                "(kernel %zu/%zu, keys %zu/%zu) launches=%zu\n",
                cycles, seconds, before.total(), after.total(), before.kernel, after.kernel,
                before.registryKeys, after.registryKeys, launches.size());
    std::fflush(stdout);

    EXPECT_EQ(after.kernel, before.kernel);
    EXPECT_EQ(after.registryKeys, before.registryKeys);
    EXPECT_EQ(after.total(), before.total());
    EXPECT_EQ(hxsim::HandleMisuse(), std::vector<std::string>{});
    ASSERT_EQ(launches.size(), cycles);
    size_t otherCommands = 0;
    for (const auto& launch : launches)
        otherCommands += launch.commandLine != command;
    EXPECT_EQ(otherCommands, 0u) << "a press was looked up without the camera's key";
    size_t unbalanced = 0;
    for (DeviceId id : plugged) {
        const auto requests = hxsim::DriverRequests(id);
        unbalanced += requests.size() != 2 || requests[1].first != 0;
    }
    EXPECT_EQ(unbalanced, 0u) << "cycles without exactly one arm and one disarm";
    EXPECT_EQ(hxsim::CreatedThreads().size(), cycles);

    EXPECT_EQ(monitor.Close(), 0);
}

}  // namespace
