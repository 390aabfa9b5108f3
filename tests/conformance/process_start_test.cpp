// Starting programs and the Windows directory's size protocol.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Starts `command` detached; closes the handles of anything that did start.
BOOL Start(const char* command, LPCSTR directory) {
    char buffer[MAX_PATH];
    std::strncpy(buffer, command, sizeof buffer);
    buffer[sizeof buffer - 1] = '\0';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                                       directory, &startup, &info);
    if (started) {
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    return started;
}

TEST(WindowsDirectory, TooSmallBufferGetsTheSizeWithTheTerminatorAndNothingElse) {
    char full[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(full, sizeof full);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(length, std::strlen(full));

    char small[MAX_PATH];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(length + 1, GetWindowsDirectoryA(small, length));
    EXPECT_EQ('#', small[0]);
    EXPECT_EQ(length + 1, GetWindowsDirectoryA(nullptr, 0));
    EXPECT_EQ(length, GetWindowsDirectoryA(small, length + 1));
    EXPECT_STREQ(full, small);
}

TEST(ProcessStart, MissingProgramIsFileNotFound) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Start("hxNoSuchProgram.exe", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Start("", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(ProcessStart, EmptyWorkingDirectoryIsNoDirectory) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Start("cmd.exe /c exit 0", ""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), GetLastError());
}

}  // namespace
