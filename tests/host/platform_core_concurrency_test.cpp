// The substitute's waits, sends and locks under real concurrency; these run
// under ThreadSanitizer too.

#include <gtest/gtest.h>
#include <hxsim/world.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class PlatformConcurrency : public ::testing::Test {
protected:
    void SetUp() override { hxsim::ResetWorld(); }
    void TearDown() override {
        EXPECT_TRUE(hxsim::HandleMisuse().empty());
        hxsim::ResetWorld();
    }
};

template <class Predicate>
bool Eventually(Predicate done) {
    for (int i = 0; i < 5000 && !done(); ++i) Sleep(1);
    return done();
}

TEST_F(PlatformConcurrency, AutoResetReleasesOneWaiterPerSetManualReleasesAll) {
    HANDLE autoEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE manualEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            HANDLE both[2] = {manualEvent, autoEvent};
            while (WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) ++woken;
        });
    for (int set = 1; set <= 3; ++set) {
        SetEvent(autoEvent);
        ASSERT_TRUE(Eventually([&] { return woken == set; }));
    }
    Sleep(20);
    EXPECT_EQ(3, woken.load());  // no set was taken twice
    SetEvent(manualEvent);
    for (auto& t : waiters) t.join();
    CloseHandle(autoEvent);
    CloseHandle(manualEvent);
}

TEST_F(PlatformConcurrency, SrwLockExcludes) {
    SRWLOCK lock = SRWLOCK_INIT;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                AcquireSRWLockExclusive(&lock);
                ++counter;
                ReleaseSRWLockExclusive(&lock);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(20000, counter);
}

LRESULT CALLBACK Echo(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) return static_cast<LRESULT>(wParam) * 2;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(PlatformConcurrency, ManySendersGetTheirOwnResults) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Echo;
    wc.lpszClassName = "hxCoreEcho";
    ASSERT_NE(0, RegisterClassExA(&wc));
    HWND hwnd = CreateWindowExA(0, "hxCoreEcho", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    std::atomic<int> wrong{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < 3; ++s)
        senders.emplace_back([&, s] {
            for (int i = 0; i < 200; ++i) {
                WPARAM value = static_cast<WPARAM>(s * 1000 + i);
                if (SendMessageA(hwnd, WM_APP, value, 0) != static_cast<LRESULT>(value * 2)) ++wrong;
            }
        });
    std::thread closer([&] {
        for (auto& t : senders) t.join();
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    });
    MSG msg;
    while (IsWindow(hwnd) && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    closer.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_FALSE(IsWindow(hwnd));
}

DWORD WINAPI Quick(LPVOID) { return 7; }

TEST_F(PlatformConcurrency, ThreadsStartedTogetherAllFinish) {
    std::vector<HANDLE> handles;
    for (int i = 0; i < 16; ++i) handles.push_back(CreateThread(nullptr, 0, Quick, nullptr, 0, nullptr));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(16, handles.data(), TRUE, 5000));
    EXPECT_TRUE(hxsim::WaitForThreadsToEnd());
    for (HANDLE h : handles) {
        DWORD code = 0;
        GetExitCodeThread(h, &code);
        EXPECT_EQ(7u, code);
        CloseHandle(h);
    }
}

}  // namespace
