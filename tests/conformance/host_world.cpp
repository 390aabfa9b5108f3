// On the host, the conformance tests meet a world furnished like the Wine
// prefix they also run in: a monitor with its interface, no program called
// hxNoSuchProgram, and no notepad in the folder C:\hxNoSuchFolder. The
// Windows build compiles this file to nothing.

#ifndef _WIN32

#include <gtest/gtest.h>
#include <hxsim/world.h>

namespace {

class PrefixLikeWorld : public ::testing::Environment {
public:
    void SetUp() override {
        hxsim::DeviceDesc monitor;
        monitor.instanceId = "DISPLAY\\DEFAULT_MONITOR\\4&17F0FF54&0&UID0";
        monitor.driver = hxsim::RegData::Text("{4D36E96E-E325-11CE-BFC1-08002BE10318}\\0000");
        monitor.interfaceClass = {0xe6f07b5f, 0xee97, 0x4a90, {0xb0, 0x76, 0x33, 0xf5, 0x7b, 0xf4, 0xea, 0xa7}};
        monitor.interfaces = {"\\\\?\\display#default_monitor#4&17f0ff54&0&uid0#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}"};
        hxsim::AddDevice(monitor);
        hxsim::SetProgramMissing("hxNoSuchProgram.exe");
        hxsim::SetProgramMissing("C:\\hxNoSuchFolder\\notepad.exe");
    }
};

::testing::Environment* const kWorld = ::testing::AddGlobalTestEnvironment(new PrefixLikeWorld);

}  // namespace

#endif
