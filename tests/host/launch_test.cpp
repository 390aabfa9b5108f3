// Which program a camera event starts, and how it is started.
#include "monitor_fixture.h"

namespace {

using hxtest::LaunchedCommands;
using hxtest::RegisterApplication;
using hxtest::RegisterEventApplication;
using hxtest::WorldTest;

const std::string kDriverKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0003";

class LaunchTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        InitDeviceMonitor(&record_);
        hxsim::CreateKey(kDriverKey);
    }
    void TearDown() override {
        if (record_.hDriverKey != NO_KEY)
            RegCloseKey(record_.hDriverKey);
        WorldTest::TearDown();
    }
    // Holds the driver key as an arrival would have opened it.
    void HoldDriverKey() {
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriverKey.c_str(), 0, KEY_READ,
                                &record_.hDriverKey),
                  ERROR_SUCCESS);
    }
    std::string LaunchOne(CameraEvent event) {
        EXPECT_EQ(LaunchEventCommand(&record_, event), 1);
        const auto launches = hxsim::Launches();
        return launches.empty() ? std::string("<nothing>") : launches.back().commandLine;
    }
    // LookupEventCommand's answer: the command text, or nullopt for "default".
    std::optional<std::string> Lookup(const char* subkey) {
        char command[MAX_PATH];
        DWORD size = sizeof(command);
        const int found = LookupEventCommand(&record_, subkey, command, &size, &trace_);
        EXPECT_EQ(found, trace_.stop == LOOKUP_FOUND) << "the result and the trace disagree";
        if (!found)
            return std::nullopt;
        return std::string(command);
    }
    // Where the lookup for the event stopped.
    LookupStop StopOf(const char* subkey) {
        Lookup(subkey);
        return trace_.stop;
    }

    DeviceMonitor record_{};
    LookupTrace trace_{};
};

TEST_F(LaunchTest, RegisteredApplicationStartsWithItsCommandLineAsWritten) {
    const std::string command =
        "\"C:\\Program Files\\Viewer\\viewer.exe\" /StiDevice:%1 /StiEvent:%2";
    RegisterEventApplication(kDriverKey, "SnapButton", "Picture Viewer");
    RegisterApplication("Picture Viewer", command);
    HoldDriverKey();

    EXPECT_EQ(Lookup("Events\\SnapButton"), command);
    EXPECT_EQ(trace_.stop, LOOKUP_FOUND);
    EXPECT_STREQ(trace_.application, "Picture Viewer");
    EXPECT_EQ(LaunchOne(SnapButton), command);
}

TEST_F(LaunchTest, StarLeavesTheChoiceToTheDefaults) {
    RegisterEventApplication(kDriverKey, "SnapButton", "*");
    RegisterEventApplication(kDriverKey, "NewPicture", "*");
    RegisterApplication("*", "should-not-start.exe");
    HoldDriverKey();

    EXPECT_EQ(Lookup("Events\\SnapButton"), std::nullopt);
    EXPECT_EQ(trace_.stop, LOOKUP_STAR);
    EXPECT_EQ(LaunchOne(SnapButton), "hxAMCap.exe");
    EXPECT_EQ(LaunchOne(NewPicture), "hxCap.exe");
}

TEST_F(LaunchTest, StarIsMatchedExactlyNotAsAPattern) {
    RegisterEventApplication(kDriverKey, "SnapButton", "**");
    RegisterApplication("**", "stars.exe");
    HoldDriverKey();

    EXPECT_EQ(LaunchOne(SnapButton), "stars.exe");
}

TEST_F(LaunchTest, EachEventUsesItsOwnRegistration) {
    RegisterEventApplication(kDriverKey, "SnapButton", "Scanner Tool");
    RegisterEventApplication(kDriverKey, "NewPicture", "Album");
    RegisterApplication("Scanner Tool", "scan.exe /snap");
    RegisterApplication("Album", "album.exe /new");
    HoldDriverKey();

    EXPECT_EQ(LaunchOne(NewPicture), "album.exe /new");
    EXPECT_EQ(LaunchOne(SnapButton), "scan.exe /snap");
}

TEST_F(LaunchTest, AnythingMissingOnTheWayFallsBackToTheDefault) {
    // No driver key held at all.
    EXPECT_EQ(LaunchOne(SnapButton), "hxAMCap.exe");
    EXPECT_EQ(StopOf("Events\\SnapButton"), LOOKUP_NO_DRIVER_KEY);

    // The key is held, but it has no Events subkey.
    HoldDriverKey();
    EXPECT_EQ(LaunchOne(NewPicture), "hxCap.exe");
    EXPECT_EQ(StopOf("Events\\NewPicture"), LOOKUP_NO_EVENT_KEY);
    EXPECT_EQ(trace_.status, ERROR_FILE_NOT_FOUND);

    // The subkey exists without the value.
    hxsim::CreateKey(kDriverKey + "\\Events\\SnapButton");
    EXPECT_EQ(LaunchOne(SnapButton), "hxAMCap.exe");
    EXPECT_EQ(StopOf("Events\\SnapButton"), LOOKUP_NO_APPLICATION);

    // The value names an application nobody registered.
    RegisterEventApplication(kDriverKey, "SnapButton", "Gone Away");
    RegisterApplication("Somebody Else", "else.exe");
    EXPECT_EQ(LaunchOne(SnapButton), "hxAMCap.exe");
    EXPECT_EQ(StopOf("Events\\SnapButton"), LOOKUP_NOT_REGISTERED);
    EXPECT_STREQ(trace_.application, "Gone Away");

    // No "Registered Applications" key at all.
    hxsim::DeleteKey(hxtest::kRegisteredApplications);
    EXPECT_EQ(LaunchOne(SnapButton), "hxAMCap.exe");
    EXPECT_EQ(StopOf("Events\\SnapButton"), LOOKUP_NO_APPLICATION_LIST);
}

TEST_F(LaunchTest, CommaSeparatedNamesAreLookedUpAsOneName) {
    RegisterEventApplication(kDriverKey, "SnapButton", "Viewer,Album");
    RegisterApplication("Viewer", "viewer.exe");
    RegisterApplication("Album", "album.exe");
    HoldDriverKey();
    EXPECT_EQ(LaunchOne(SnapButton), "hxAMCap.exe");

    RegisterApplication("Viewer,Album", "both.exe");
    EXPECT_EQ(LaunchOne(SnapButton), "both.exe");
}

TEST_F(LaunchTest, CommandLineMustFitIn260BytesWithItsTerminator) {
    RegisterEventApplication(kDriverKey, "SnapButton", "Long");
    HoldDriverKey();

    const std::string fits = "a.exe " + std::string(253, 'x');  // 259 + terminator
    RegisterApplication("Long", fits);
    EXPECT_EQ(LaunchOne(SnapButton), fits);

    RegisterApplication("Long", fits + "y");  // 260 + terminator
    EXPECT_EQ(LaunchOne(SnapButton), "hxAMCap.exe");
    EXPECT_EQ(StopOf("Events\\SnapButton"), LOOKUP_COMMAND_TOO_LONG);
}

TEST_F(LaunchTest, ValuesStoredWithoutTerminatorAreReadAsTheirBytes) {
    const std::string name = "Bare Name";
    const std::string command = "bare.exe /x";
    hxsim::SetValue(kDriverKey + "\\Events\\SnapButton", "LaunchApplications",
                    hxsim::RegData::Binary({name.begin(), name.end()}, REG_SZ));
    hxsim::SetValue(hxtest::kRegisteredApplications, name,
                    hxsim::RegData::Binary({command.begin(), command.end()}, REG_BINARY));
    HoldDriverKey();

    EXPECT_EQ(LaunchOne(SnapButton), command);
    EXPECT_EQ(StopOf("Events\\SnapButton"), LOOKUP_FOUND);
    EXPECT_EQ(trace_.applicationType, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(trace_.commandType, static_cast<DWORD>(REG_BINARY));
}

TEST_F(LaunchTest, UnterminatedValuesFillingTheBufferCountAsTooLong) {
    HoldDriverKey();
    const std::string name(260, 'n');
    RegisterApplication(name.substr(0, 259), "wrong.exe");
    hxsim::SetValue(kDriverKey + "\\Events\\SnapButton", "LaunchApplications",
                    hxsim::RegData::Binary({name.begin(), name.end()}, REG_SZ));
    EXPECT_EQ(LaunchOne(SnapButton), "hxAMCap.exe");
    EXPECT_EQ(StopOf("Events\\SnapButton"), LOOKUP_APPLICATION_TOO_LONG);

    const std::string command(260, 'c');
    RegisterEventApplication(kDriverKey, "NewPicture", "Full");
    hxsim::SetValue(hxtest::kRegisteredApplications, "Full",
                    hxsim::RegData::Binary({command.begin(), command.end()}, REG_SZ));
    EXPECT_EQ(LaunchOne(NewPicture), "hxCap.exe");
    EXPECT_EQ(StopOf("Events\\NewPicture"), LOOKUP_COMMAND_TOO_LONG);

    // Every command handed over was a terminated text of at most 259 bytes.
    for (const auto& launched : LaunchedCommands())
        EXPECT_LE(launched.size(), 259u);
}

TEST_F(LaunchTest, ProgramStartsDetachedInTheWindowsDirectoryInheritingNothing) {
    hxsim::SetWindowsDirectory("D:\\WINDOWS");
    EXPECT_EQ(LaunchEventCommand(&record_, SnapButton), 1);

    const auto launch = hxsim::Launches().at(0);
    EXPECT_FALSE(launch.applicationName.has_value());
    EXPECT_EQ(launch.currentDirectory, std::optional<std::string>("D:\\WINDOWS"));
    EXPECT_EQ(launch.creationFlags, static_cast<DWORD>(DETACHED_PROCESS));
    EXPECT_FALSE(launch.inheritHandles);
    EXPECT_TRUE(launch.ownEnvironment);
    EXPECT_EQ(launch.startupCb, sizeof(STARTUPINFOA));
}

TEST_F(LaunchTest, WithoutAWindowsDirectoryTheStartIsStillTriedInAnEmptyOne) {
    // The platform refuses an empty directory (ERROR_DIRECTORY), so the
    // launch is tried and reported as failed.
    hxsim::FailCall("GetWindowsDirectoryA", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(LaunchEventCommand(&record_, NewPicture), 0);
    ASSERT_EQ(hxsim::Launches().size(), 1u);
    EXPECT_EQ(hxsim::Launches().at(0).commandLine, "hxCap.exe");
    EXPECT_EQ(hxsim::Launches().at(0).currentDirectory, std::optional<std::string>(""));

    // A directory too long for the buffer is not half-copied either.
    hxsim::SetWindowsDirectory("C:\\" + std::string(300, 'w'));
    EXPECT_EQ(LaunchEventCommand(&record_, NewPicture), 0);
    ASSERT_EQ(hxsim::Launches().size(), 2u);
    EXPECT_EQ(hxsim::Launches().at(1).currentDirectory, std::optional<std::string>(""));
}

TEST_F(LaunchTest, MissingProgramIsReportedAsAFailedLaunch) {
    hxsim::SetProgramMissing("hxAMCap.exe");
    const auto handles = hxsim::OpenHandles().total();

    EXPECT_EQ(LaunchEventCommand(&record_, SnapButton), 0);
    ASSERT_EQ(hxsim::Launches().size(), 1u);
    EXPECT_FALSE(hxsim::Launches().at(0).started);
    EXPECT_EQ(hxsim::OpenHandles().total(), handles);
}

TEST_F(LaunchTest, FailedStartIsReportedAndLeavesNothingOpen) {
    const auto handles = hxsim::OpenHandles().total();
    hxsim::FailCall("CreateProcessA", ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(LaunchEventCommand(&record_, SnapButton), 0);
    EXPECT_EQ(hxsim::OpenHandles().total(), handles);
}

TEST_F(LaunchTest, ManyLaunchesLeaveNoHandleBehind) {
    RegisterEventApplication(kDriverKey, "SnapButton", "Viewer");
    RegisterApplication("Viewer", "viewer.exe");
    HoldDriverKey();
    const auto handles = hxsim::OpenHandles().total();

    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(LaunchEventCommand(&record_, i % 2 ? SnapButton : NewPicture), 1);

    EXPECT_EQ(hxsim::Launches().size(), 200u);
    EXPECT_EQ(hxsim::OpenHandles().total(), handles);
}

TEST_F(LaunchTest, RegistryIsOnlyEverOpenedForReading) {
    RegisterEventApplication(kDriverKey, "SnapButton", "Viewer");
    RegisterApplication("Viewer", "viewer.exe");
    HoldDriverKey();
    LaunchOne(SnapButton);
    LaunchOne(NewPicture);

    const auto access = hxsim::RegistryOpenAccess();
    ASSERT_GE(access.size(), 3u);
    for (REGSAM mask : access)
        EXPECT_EQ(mask, static_cast<REGSAM>(KEY_READ));
    // RegistryWrites() stays empty: checked after every test.
}

}  // namespace
