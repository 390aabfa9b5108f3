// The substitute platform's own machinery, which the Win32 contract does not
// show: misuse records, handle counts, injected faults, counters, threads
// the world tracks, and the world's reset.

#include <gtest/gtest.h>
#include <hxsim/world.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

class PlatformCore : public ::testing::Test {
protected:
    void SetUp() override { hxsim::ResetWorld(); }
    void TearDown() override {
        EXPECT_TRUE(hxsim::WaitForThreadsToEnd());
        hxsim::ResetWorld();
    }
};

std::string Misuse(const char* api, HANDLE h) {
    char text[64];
    std::snprintf(text, sizeof text, "%s(0x%llx)", api,
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
    return text;
}

DWORD WINAPI ReturnParameter(LPVOID p) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(p)); }

DWORD WINAPI WaitOnEvent(LPVOID p) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    return WaitForSingleObject(static_cast<HANDLE>(p), INFINITE);
}

TEST_F(PlatformCore, HandleValuesAreSmallMultiplesOfFourAndNotReusedSoon) {
    std::vector<uintptr_t> seen;
    for (int i = 0; i < 50; ++i) {
        HANDLE h = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        uintptr_t value = reinterpret_cast<uintptr_t>(h);
        EXPECT_EQ(0u, value % 4);
        EXPECT_LT(value, uintptr_t{1} << 32);
        for (uintptr_t old : seen) EXPECT_NE(old, value);
        seen.push_back(value);
        CloseHandle(h);
    }
}

TEST_F(PlatformCore, OpenHandlesCountsKernelObjectsUntilClosed) {
    HANDLE a = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE b = CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, nullptr);
    HANDLE dup = nullptr;
    DuplicateHandle(GetCurrentProcess(), a, GetCurrentProcess(), &dup, 0, FALSE, DUPLICATE_SAME_ACCESS);
    EXPECT_EQ(3u, hxsim::OpenHandles().kernel);
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(dup);
    EXPECT_EQ(0u, hxsim::OpenHandles().kernel);
}

TEST_F(PlatformCore, StaleHandlesAreRecordedWithTheCallThatUsedThem) {
    HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(h));
    EXPECT_TRUE(hxsim::HandleMisuse().empty());

    EXPECT_FALSE(CloseHandle(h));
    EXPECT_FALSE(SetEvent(h));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(h, 0));
    HANDLE array[2] = {h, h};
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, array, FALSE, 0));
    EXPECT_EQ((std::vector<std::string>{Misuse("CloseHandle", h), Misuse("SetEvent", h),
                                         Misuse("WaitForSingleObject", h),
                                         Misuse("WaitForMultipleObjects", h)}),
              hxsim::HandleMisuse());
}

TEST_F(PlatformCore, NullAndInvalidHandleValueAreRefusedButNotRecorded) {
    // A failed creation yields one of these, and passing it on is ordinary.
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(SetEvent(nullptr));
    EXPECT_FALSE(SetEvent(INVALID_HANDLE_VALUE));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
    EXPECT_TRUE(hxsim::HandleMisuse().empty());
}

TEST_F(PlatformCore, AHandleFromBeforeAResetIsStaleAfterIt) {
    HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    hxsim::ResetWorld();
    EXPECT_EQ(0u, hxsim::OpenHandles().kernel);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(std::vector<std::string>{Misuse("CloseHandle", h)}, hxsim::HandleMisuse());
}

TEST_F(PlatformCore, HeapAndLockMisuseIsRecordedToo) {
    void* block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 16);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(1u, hxsim::LiveHeapBlocks());
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, block));
    EXPECT_EQ(0u, hxsim::LiveHeapBlocks());
    EXPECT_FALSE(HeapFree(GetProcessHeap(), 0, block));

    SRWLOCK lock = SRWLOCK_INIT;
    ReleaseSRWLockExclusive(&lock);
    std::vector<std::string> misuse = hxsim::HandleMisuse();
    ASSERT_EQ(2u, misuse.size());
    EXPECT_EQ(0u, misuse[0].rfind("HeapFree(", 0));
    EXPECT_EQ(0u, misuse[1].rfind("ReleaseSRWLockExclusive(", 0));
}

TEST_F(PlatformCore, InjectedFaultsSkipThenFailThenPass) {
    hxsim::FailCall("CreateEventA", ERROR_NOT_ENOUGH_MEMORY, /*skip=*/1, /*times=*/2);
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(nullptr, first);
    for (int i = 0; i < 2; ++i) {
        SetLastError(0);
        EXPECT_EQ(nullptr, CreateEventA(nullptr, TRUE, FALSE, nullptr));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    }
    HANDLE later = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(nullptr, later);
    CloseHandle(first);
    CloseHandle(later);
}

TEST_F(PlatformCore, FaultsWithoutACountLastUntilCleared) {
    hxsim::FailCall("WaitForMultipleObjects", ERROR_INVALID_HANDLE, 0, 0);
    HANDLE h = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(1, &h, FALSE, 0));
    hxsim::ClearFaults();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(1, &h, FALSE, 0));
    CloseHandle(h);
}

TEST_F(PlatformCore, FailedCreationsLeaveNothingBehind) {
    hxsim::FailCall("CreateThread", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(nullptr, CreateThread(nullptr, 2048, ReturnParameter, nullptr, 0, nullptr));
    EXPECT_TRUE(hxsim::CreatedThreads().empty());

    hxsim::FailCall("HeapAlloc", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(nullptr, HeapAlloc(GetProcessHeap(), 0, 8));
    EXPECT_EQ(1u, hxsim::ReadCounters().heapAllocations);  // the attempt counts

    hxsim::FailCall("FindWindowA", ERROR_ACCESS_DENIED);
    SetLastError(0);
    EXPECT_EQ(nullptr, FindWindowA("anything", nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(0u, hxsim::OpenHandles().kernel);
}

TEST_F(PlatformCore, ThreadsAreRecordedWithStackSizePriorityAndExitCode) {
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE worker = CreateThread(nullptr, 2048, WaitOnEvent, stop, 0, nullptr);
    ASSERT_NE(nullptr, worker);
    // Closing the handle early does not disturb the thread.
    CloseHandle(worker);
    EXPECT_FALSE(hxsim::WaitForThreadsToEnd(hxsim::Millis(30)));
    SetEvent(stop);
    ASSERT_TRUE(hxsim::WaitForThreadsToEnd());
    std::vector<hxsim::ThreadRecord> threads = hxsim::CreatedThreads();
    ASSERT_EQ(1u, threads.size());
    EXPECT_EQ(2048u, threads[0].stackSize);
    EXPECT_EQ(THREAD_PRIORITY_HIGHEST, threads[0].priority);
    EXPECT_TRUE(threads[0].finished);
    EXPECT_EQ(WAIT_OBJECT_0, threads[0].exitCode);
    CloseHandle(stop);
}

TEST_F(PlatformCore, SuspendedThreadsAreNotSupported) {
    SetLastError(0);
    EXPECT_EQ(nullptr, CreateThread(nullptr, 0, ReturnParameter, nullptr, CREATE_SUSPENDED, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
}

TEST_F(PlatformCore, WaitWakeupsCountEveryReturnButTimeouts) {
    HANDLE h = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h, 10));
    EXPECT_EQ(0u, hxsim::ReadCounters().waitWakeups);
    SetEvent(h);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 0));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
    EXPECT_EQ(2u, hxsim::ReadCounters().waitWakeups);
    CloseHandle(h);
}

LRESULT CALLBACK Answer(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) return 1;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeWindow(const char* cls) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Answer;
    wc.lpszClassName = cls;
    RegisterClassExA(&wc);
    return CreateWindowExA(0, cls, "t", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(PlatformCore, MessagesRetrievedCountsPostedAndSentMessagesInGetMessage) {
    HWND hwnd = MakeWindow("hxCoreCounting");
    std::thread sender([hwnd] {
        SendMessageA(hwnd, WM_APP, 0, 0);
        PostMessageA(hwnd, WM_APP + 1, 0, 0);
    });
    MSG msg;
    ASSERT_EQ(1, GetMessageA(&msg, nullptr, 0, 0));
    sender.join();
    EXPECT_EQ(2u, hxsim::ReadCounters().messagesRetrieved);
    PostQuitMessage(0);
    EXPECT_EQ(0, GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(3u, hxsim::ReadCounters().messagesRetrieved);
    DestroyWindow(hwnd);
}

TEST_F(PlatformCore, WaitForWindowSeesAWindowMadeOnAnotherThread) {
    EXPECT_EQ(nullptr, hxsim::WaitForWindow("hxCoreLater", hxsim::Millis(20)));
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([done] {
        HWND hwnd = MakeWindow("hxCoreLater");
        WaitForSingleObject(done, INFINITE);
        DestroyWindow(hwnd);
    });
    HWND found = hxsim::WaitForWindow("HXCORELATER");
    EXPECT_NE(nullptr, found);
    EXPECT_EQ(found, FindWindowA("hxCoreLater", nullptr));
    SetEvent(done);
    owner.join();
    EXPECT_FALSE(IsWindow(found));
    CloseHandle(done);
}

TEST_F(PlatformCore, SendToAWindowDestroyedBeforeItsThreadReadsItReturnsZero) {
    HWND hwnd = MakeWindow("hxCoreDropped");
    std::atomic<LRESULT> result{-5};
    std::thread sender([&] { result = SendMessageA(hwnd, WM_APP, 0, 0); });
    Sleep(50);  // let the sender block on its message
    DestroyWindow(hwnd);
    sender.join();
    EXPECT_EQ(0, result.load());
}

TEST_F(PlatformCore, ResetClearsWindowsQueuesDebugOutputAndFaults) {
    HWND hwnd = MakeWindow("hxCoreReset");
    PostMessageA(hwnd, WM_APP, 0, 0);
    PostQuitMessage(4);
    OutputDebugStringA("hxMon: Already Running!");
    OutputDebugStringA("second");
    EXPECT_EQ((std::vector<std::string>{"hxMon: Already Running!", "second"}), hxsim::DebugOutput());
    hxsim::FailCall("CreateEventA", ERROR_OUTOFMEMORY, 0, 0);

    hxsim::ResetWorld();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(hxsim::DebugOutput().empty());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(nullptr, h);
    CloseHandle(h);
    // The class went too: it can be registered again.
    EXPECT_NE(nullptr, MakeWindow("hxCoreReset"));
}

TEST_F(PlatformCore, PostsToAWindowOfHigherIntegrityAreRefusedButItsOwnThreadsAreNot) {
    HWND hwnd = MakeWindow("hxCoreRaised");
    ASSERT_TRUE(hxsim::RaiseWindowIntegrity(hwnd));
    std::thread other([hwnd] {
        SetLastError(0);
        EXPECT_FALSE(PostMessageA(hwnd, WM_CLOSE, 0, 0));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
        EXPECT_TRUE(PostMessageA(HWND_BROADCAST, WM_APP, 0, 0));  // it is left out
    });
    other.join();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_TRUE(PostMessageA(hwnd, WM_APP + 1, 0, 0));
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_APP + 1), msg.message);
    EXPECT_FALSE(hxsim::RaiseWindowIntegrity(reinterpret_cast<HWND>(0x7770)));
    DestroyWindow(hwnd);
}

TEST_F(PlatformCore, PostingToAThreadWithoutAQueueFails) {
    // Windows says ERROR_INVALID_THREAD_ID; Wine says ERROR_INVALID_PARAMETER.
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(0x7770, WM_APP, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_THREAD_ID), GetLastError());
}

}  // namespace
