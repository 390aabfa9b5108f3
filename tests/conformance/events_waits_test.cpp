// Events and waits as the worker relies on them: auto-reset versus manual
// reset, which object a wait-any takes, timeouts and bad handles.

#include "conformance_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Events : public ::testing::Test {
protected:
    HANDLE Make(BOOL manualReset, BOOL initialState, LPCSTR name = nullptr) {
        HANDLE h = CreateEventA(nullptr, manualReset, initialState, name);
        if (h) made_.push_back(h);
        return h;
    }
    void TearDown() override {
        for (HANDLE h : made_) CloseHandle(h);
    }
    bool Signalled(HANDLE h) { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; }

private:
    std::vector<HANDLE> made_;
};

TEST_F(Events, UnnamedCreationClearsLastError) {
    SetLastError(0xdeadbeef);
    HANDLE h = Make(FALSE, FALSE);
    ASSERT_NE(nullptr, h);
    EXPECT_EQ(0u, GetLastError());
}

TEST_F(Events, SecondCreationOfANameOpensTheSameEvent) {
    HANDLE first = Make(TRUE, FALSE, "hxConformanceNamedEvent");
    SetLastError(0xdeadbeef);
    HANDLE second = Make(TRUE, FALSE, "hxConformanceNamedEvent");
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_NE(first, second);
    ASSERT_TRUE(SetEvent(first));
    EXPECT_TRUE(Signalled(second));
}

TEST_F(Events, AutoResetReleasesOneWaitThenIsClear) {
    HANDLE h = Make(FALSE, TRUE);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h, 0));
    ASSERT_TRUE(SetEvent(h));
    ASSERT_TRUE(SetEvent(h));  // setting twice still releases one wait
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h, 0));
}

TEST_F(Events, ManualResetStaysSignalledUntilReset) {
    HANDLE h = Make(TRUE, FALSE);
    EXPECT_FALSE(Signalled(h));
    ASSERT_TRUE(SetEvent(h));
    EXPECT_TRUE(Signalled(h));
    EXPECT_TRUE(Signalled(h));
    ASSERT_TRUE(ResetEvent(h));
    EXPECT_FALSE(Signalled(h));
}

TEST_F(Events, WaitAnyTakesTheLowestSignalledIndexOnly) {
    HANDLE stop = Make(TRUE, FALSE);
    HANDLE snap = Make(FALSE, FALSE);
    HANDLE picture = Make(FALSE, FALSE);
    HANDLE all[3] = {stop, snap, picture};

    SetEvent(picture);
    SetEvent(snap);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(3, all, FALSE, 0));
    EXPECT_EQ(WAIT_OBJECT_0 + 2, WaitForMultipleObjects(3, all, FALSE, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(3, all, FALSE, 0));

    // A stop beats pending camera events and leaves them pending.
    SetEvent(snap);
    SetEvent(stop);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(3, all, FALSE, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(3, all, FALSE, 0));
    EXPECT_TRUE(Signalled(snap));
}

TEST_F(Events, WaitAllNeedsEveryObjectAndTakesThemTogether) {
    HANDLE a = Make(FALSE, TRUE);
    HANDLE b = Make(FALSE, FALSE);
    HANDLE both[2] = {a, b};
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, both, TRUE, 0));
    SetEvent(b);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, both, TRUE, 0));
    EXPECT_FALSE(Signalled(a));
    EXPECT_FALSE(Signalled(b));
}

TEST_F(Events, WaitTimesOutAfterRoughlyItsTimeout) {
    HANDLE h = Make(TRUE, FALSE);
    DWORD start = GetTickCount();
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(h, 100));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 80u);  // the tick count is coarse on the platform
    EXPECT_LT(elapsed, 5000u);
}

TEST_F(Events, HandlesThatAreNotOpenFailTheWait) {
    HANDLE good = Make(TRUE, TRUE);
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(closed));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

    SetLastError(0xdeadbeef);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(closed, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

    // One bad handle fails the whole wait, even behind a signalled one.
    HANDLE mixed[2] = {good, nullptr};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(2, mixed, FALSE, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(Events, WaitCountMustBeOneToSixtyFour) {
    HANDLE h = Make(TRUE, TRUE);
    HANDLE many[65];
    for (HANDLE& m : many) m = h;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(0, many, FALSE, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(WAIT_FAILED, WaitForMultipleObjects(65, many, FALSE, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(64, many, FALSE, 0));
}

TEST_F(Events, EventCallsRefuseBadHandles) {
    HANDLE closed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    for (HANDLE bad : {static_cast<HANDLE>(nullptr), closed}) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(SetEvent(bad));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(ResetEvent(bad));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    }
}

TEST_F(Events, PseudoHandlesNeedNoClosingAndNeverSignalWhileRunning) {
    SetLastError(0xdeadbeef);
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
    EXPECT_TRUE(CloseHandle(GetCurrentThread()));
    EXPECT_EQ(0xdeadbeefu, GetLastError());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(GetCurrentThread(), 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(GetCurrentProcess(), 0));
}

struct WaitJob {
    HANDLE event;
    HANDLE started;
};

DWORD WINAPI WaitInfinitely(LPVOID p) {
    auto* job = static_cast<WaitJob*>(p);
    SetEvent(job->started);
    return WaitForSingleObject(job->event, INFINITE);
}

TEST_F(Events, SetEventWakesAWaitOnAnotherThread) {
    WaitJob job{Make(FALSE, FALSE), Make(TRUE, FALSE)};
    HANDLE thread = CreateThread(nullptr, 0, WaitInfinitely, &job, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(job.started, 5000));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread, 50));
    SetEvent(job.event);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(WAIT_OBJECT_0, code);
    EXPECT_FALSE(Signalled(job.event));  // the waiter took the auto-reset event
    CloseHandle(thread);
}

// One attempt: a thread waits on `event`, the handle it waits through is
// closed, and the event is set through a duplicate. Returns the thread's
// wait result; WAIT_FAILED means the close came before the wait began.
DWORD CloseWhileWaiting(DWORD settle) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE other = nullptr;
    DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &other, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    WaitJob job{event, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, WaitInfinitely, &job, 0, nullptr);
    WaitForSingleObject(job.started, 5000);
    Sleep(settle);
    CloseHandle(event);
    DWORD stillWaiting = WaitForSingleObject(thread, 20);
    SetEvent(other);  // the object lives on behind the duplicate
    WaitForSingleObject(thread, 5000);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    CloseHandle(other);
    CloseHandle(job.started);
    return stillWaiting == WAIT_TIMEOUT ? code : WAIT_FAILED;
}

TEST_F(Events, ClosingAWaitedHandleLeavesTheWaitAlone) {
    // Nothing shows when the thread has entered its wait, so a lost race is
    // retried with a longer pause rather than counted.
    DWORD result = WAIT_FAILED;
    for (DWORD settle = 10; settle <= 640 && result == WAIT_FAILED; settle *= 2)
        result = CloseWhileWaiting(settle);
    EXPECT_EQ(WAIT_OBJECT_0, result);
}

}  // namespace
