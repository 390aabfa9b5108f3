// Starting programs, opening them again by id, the program search, and the
// Windows directory's size protocol.

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

// A process opened by id can be waited on: signalled once it has ended, and
// never while it runs (this process). An id that names no process fails.
TEST(ProcessStart, OpenedProcessIsSignalledWhenItHasEnded) {
    char command[] = "cmd.exe /c exit 0";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                               nullptr, &startup, &info));
    HANDLE opened = OpenProcess(SYNCHRONIZE, FALSE, info.dwProcessId);
    ASSERT_NE(opened, nullptr) << GetLastError();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened, 10000));
    CloseHandle(opened);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);

    HANDLE self = OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(self, 0));
    CloseHandle(self);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, OpenProcess(SYNCHRONIZE, FALSE, 0xfffffff0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

// Every directory of the list is searched in turn, and a name with a
// directory is looked up there alone.
TEST(ProgramSearch, EachDirectoryOfTheListIsSearchedInTurn) {
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    const std::string list = std::string("C:\\hxNoSuchFolder;;") + windows;
    const std::string expected = std::string(windows) + "\\notepad.exe";
    char found[MAX_PATH];
    char* name = nullptr;

    ASSERT_EQ(expected.size(), SearchPathA(list.c_str(), "notepad", ".exe", sizeof found, found, &name));
    EXPECT_STRCASEEQ(expected.c_str(), found);
    EXPECT_STRCASEEQ("notepad.exe", name);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, SearchPathA(list.c_str(), "C:\\hxNoSuchFolder\\notepad.exe", nullptr, sizeof found,
                              found, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

}  // namespace
