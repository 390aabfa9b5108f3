// Starting programs and finding the Windows directory in the simulated world.
#include "platform_test_support.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using hxplatformtest::FreshWorld;

class ProcessTest : public FreshWorld {
protected:
    BOOL Start(const char* command, LPCSTR directory = "C:\\windows", PROCESS_INFORMATION* info = nullptr) {
        std::strncpy(buffer_, command, sizeof buffer_ - 1);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION local{};
        return CreateProcessA(nullptr, buffer_, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, directory,
                              &startup, info ? info : &local);
    }
    static void CloseBoth(const PROCESS_INFORMATION& info) {
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }

    char buffer_[MAX_PATH] = {};
};

TEST_F(ProcessTest, WindowsDirectoryComesWithTheSizeProtocol) {
    hxsim::SetWindowsDirectory("D:\\WINNT");  // 8 characters
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);

    EXPECT_EQ(GetWindowsDirectoryA(buffer, 8), 9u) << "too small: the size with the terminator";
    EXPECT_EQ(buffer[0], '#') << "and nothing written";
    EXPECT_EQ(GetWindowsDirectoryA(nullptr, 0), 9u);
    EXPECT_EQ(GetWindowsDirectoryA(buffer, 9), 8u) << "fits: the length without it";
    EXPECT_STREQ(buffer, "D:\\WINNT");

    hxsim::FailCall("GetWindowsDirectoryA", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);

    hxsim::ResetWorld();
    EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "C:\\windows");
}

TEST_F(ProcessTest, StartIsRecordedAsCalledAndGivesHandlesOfAnEndedProgram) {
    PROCESS_INFORMATION info{};
    const char* command = "\"C:\\Program Files\\Viewer\\viewer.exe\" /StiDevice:%1";
    ASSERT_TRUE(Start(command, "D:\\WINNT", &info));

    EXPECT_STREQ(buffer_, command) << "the command buffer is left as it was";
    const auto launches = hxsim::Launches();
    ASSERT_EQ(launches.size(), 1u);
    const hxsim::Launch& launch = launches[0];
    EXPECT_EQ(launch.commandLine, command);
    EXPECT_FALSE(launch.applicationName.has_value());
    EXPECT_EQ(launch.currentDirectory, std::optional<std::string>("D:\\WINNT"));
    EXPECT_EQ(launch.creationFlags, static_cast<DWORD>(DETACHED_PROCESS));
    EXPECT_FALSE(launch.inheritHandles);
    EXPECT_TRUE(launch.ownEnvironment);
    EXPECT_EQ(launch.startupCb, sizeof(STARTUPINFOA));
    EXPECT_TRUE(launch.started);

    // Real handles: they must be closed, and they are signalled.
    EXPECT_EQ(hxsim::OpenHandles().kernel, 2u);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(info.hThread, 0), WAIT_OBJECT_0);
    EXPECT_NE(info.dwProcessId, 0u);
    EXPECT_NE(info.dwThreadId, 0u);
    CloseBoth(info);
    EXPECT_EQ(hxsim::OpenHandles().kernel, 0u);
}

TEST_F(ProcessTest, StartsThePlatformRefusesAreRecordedAsRefused) {
    hxsim::SetProgramMissing("hxAMCap");  // anywhere, ".exe" implied

    EXPECT_FALSE(Start("hxAMCap.exe"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Start("\"C:\\Tools\\HXAMCAP.EXE\" /x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Start(""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Start("hxCap.exe", ""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY)) << "an empty name is no directory";
    EXPECT_TRUE(Start("hxAMCapture.exe")) << "another program of a similar name";

    const auto launches = hxsim::Launches();
    ASSERT_EQ(launches.size(), 5u);
    EXPECT_FALSE(launches[3].started);
    EXPECT_EQ(launches[3].error, static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_TRUE(launches[4].started);
    EXPECT_EQ(hxsim::OpenHandles().kernel, 2u) << "only the started one has handles";

    // Calls the platform would not even look at are not starts.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    EXPECT_FALSE(CreateProcessA(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    hxsim::FailCall("CreateProcessA", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(Start("hxCap.exe"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(hxsim::Launches().size(), 5u);
}

TEST_F(ProcessTest, HookRunsInsideTheCallBeforeTheStartIsRecorded) {
    std::vector<std::string> seen;
    size_t recordedWhenCalled = 99;
    hxsim::OnCreateProcess([&](const std::string& command) {
        seen.push_back(command);
        recordedWhenCalled = hxsim::Launches().size();
    });
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(Start("hxCap.exe", "C:\\windows", &info));
    CloseBoth(info);

    EXPECT_EQ(seen, std::vector<std::string>{"hxCap.exe"});
    EXPECT_EQ(recordedWhenCalled, 0u);
    EXPECT_EQ(hxsim::Launches().size(), 1u);
}

TEST_F(ProcessTest, WaitingForLaunchesWakesWhenAnotherThreadStartsOne) {
    std::thread starter([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        char command[] = "hxAMCap.exe";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                           &info)) {
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    });
    EXPECT_TRUE(hxsim::WaitForLaunches(1));
    starter.join();
    EXPECT_FALSE(hxsim::WaitForLaunches(2, hxsim::Millis(10)));
}

}  // namespace
