// Threads: the handle is signalled when the routine returns, with its exit
// code; priorities set through the current-thread pseudo-handle stick.

#include "conformance_support.h"

#include <gtest/gtest.h>

namespace {

struct Job {
    HANDLE go = nullptr;
    DWORD seenId = 0;
    int priorityInside = 0;
};

DWORD WINAPI WaitForGoThenReturn(LPVOID p) {
    auto* job = static_cast<Job*>(p);
    job->seenId = GetCurrentThreadId();
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    job->priorityInside = GetThreadPriority(GetCurrentThread());
    WaitForSingleObject(job->go, INFINITE);
    return 0x1231;
}

TEST(Threads, HandleIsSignalledWithTheExitCodeWhenTheRoutineReturns) {
    Job job;
    job.go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    // The worker asks for a 2048-byte stack; the platform takes it as the
    // initial commit and grows the stack as needed.
    HANDLE thread = CreateThread(nullptr, 2048, WaitForGoThenReturn, &job, 0, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_NE(0u, id);

    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread, 20));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);

    SetEvent(job.go);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));  // and stays so
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(0x1231u, code);
    EXPECT_EQ(id, job.seenId);
    EXPECT_EQ(THREAD_PRIORITY_HIGHEST, job.priorityInside);
    EXPECT_EQ(THREAD_PRIORITY_HIGHEST, GetThreadPriority(thread));

    CloseHandle(thread);
    CloseHandle(job.go);
}

TEST(Threads, PriorityCallsCheckTheirArguments) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetThreadPriority(GetCurrentThread(), 3));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(THREAD_PRIORITY_ERROR_RETURN, GetThreadPriority(event));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetThreadPriority(event, THREAD_PRIORITY_NORMAL));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    DWORD code = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetExitCodeThread(event, &code));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    CloseHandle(event);
}

TEST(Threads, CurrentThreadPseudoHandleIsTheRunningThread) {
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(GetCurrentThread(), &code));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);
    int before = GetThreadPriority(GetCurrentThread());
    ASSERT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, GetThreadPriority(GetCurrentThread()));
    SetThreadPriority(GetCurrentThread(), before);
}

DWORD WINAPI DuplicateOwnHandle(LPVOID p) {
    HANDLE* out = static_cast<HANDLE*>(p);
    return DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), out, 0, FALSE,
                           DUPLICATE_SAME_ACCESS);
}

TEST(Threads, DuplicatingThePseudoHandleGivesARealHandle) {
    HANDLE own = nullptr;
    EXPECT_EQ(1u, conformance::RunOnThread(DuplicateOwnHandle, &own));
    ASSERT_NE(nullptr, own);
    EXPECT_NE(GetCurrentThread(), own);
    // It names the thread that made it, which has ended by now.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(own, 5000));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(own, &code));
    EXPECT_EQ(1u, code);
    EXPECT_TRUE(CloseHandle(own));
}

DWORD WINAPI LeaveStateBehind(LPVOID) {
    SetLastError(5678);
    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 7, 0, 0);
    PostQuitMessage(9);
    return 0;
}

struct Leftovers {
    DWORD lastError = 0xdeadbeef;
    BOOL message = TRUE;
};

DWORD WINAPI LookForLeftovers(LPVOID p) {
    auto* found = static_cast<Leftovers*>(p);
    found->lastError = GetLastError();
    MSG msg;
    found->message = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    return 0;
}

TEST(Threads, ANewThreadFindsNothingOfOneThatEnded) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        conformance::RunOnThread(LeaveStateBehind, nullptr);
        // A pause, so that a host thread the substitute hands on from one
        // routine to the next is free again when the second one starts.
        Sleep(20);
        Leftovers found;
        conformance::RunOnThread(LookForLeftovers, &found);
        EXPECT_EQ(0u, found.lastError);
        EXPECT_FALSE(found.message);
    }
}

TEST(Threads, DuplicateHandleRefusesHandlesThatAreNotOpen) {
    HANDLE out = nullptr;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DuplicateHandle(GetCurrentProcess(), nullptr, GetCurrentProcess(), &out, 0, FALSE,
                                 DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

}  // namespace
