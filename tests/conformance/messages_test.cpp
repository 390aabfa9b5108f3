// Messages: posted and sent, the quit message, and messages sent from other
// threads, which the receiving thread handles inside GetMessageA.

#include "window_recorder.h"

#include <gtest/gtest.h>

using conformance::WindowRecorder;

namespace {

struct Sender {
    HWND target;
    LRESULT result;
};

// Sends WM_APP to the window, then posts WM_APP + 1 so that the owner's
// GetMessageA, which handles sent messages without returning, returns.
DWORD WINAPI SendThenPost(LPVOID p) {
    auto* sender = static_cast<Sender*>(p);
    sender->result = SendMessageA(sender->target, WM_APP, 41, 0);
    PostMessageA(sender->target, WM_APP + 1, 0, 0);
    return 0;
}

TEST(Messages, SentFromAnotherThreadIsHandledInsideGetMessage) {
    WindowRecorder recorder("hxConfSentAcross");
    HWND hwnd = recorder.Create();
    ASSERT_NE(nullptr, hwnd);
    recorder.Clear();

    Sender sender{hwnd, 0};
    HANDLE thread = CreateThread(nullptr, 0, SendThenPost, &sender, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    MSG msg{};
    ASSERT_EQ(1, GetMessageA(&msg, nullptr, 0, 0));
    // GetMessageA returned the posted message only; the sent one had
    // already been handled, on this thread, while the sender waited.
    EXPECT_EQ(static_cast<UINT>(WM_APP + 1), msg.message);
    EXPECT_EQ(hwnd, msg.hwnd);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    EXPECT_EQ(42, sender.result);
    std::vector<conformance::SeenMessage> seen = recorder.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(static_cast<UINT>(WM_APP), seen[0].message);
    EXPECT_EQ(GetCurrentThreadId(), seen[0].thread);

    EXPECT_EQ(7, DispatchMessageA(&msg));
    CloseHandle(thread);
    DestroyWindow(hwnd);
}

TEST(Messages, SameThreadSendCallsTheProcedureDirectly) {
    WindowRecorder recorder("hxConfSentHere");
    HWND hwnd = recorder.Create();
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(10, SendMessageA(hwnd, WM_APP, 9, 0));
    DWORD_PTR result = 0;
    EXPECT_NE(0, SendMessageTimeoutA(hwnd, WM_APP, 4, 0, SMTO_NORMAL, 100, &result));
    EXPECT_EQ(5u, result);
    DestroyWindow(hwnd);
}

TEST(Messages, QuitComesAfterPostedMessagesWithItsCode) {
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    PostQuitMessage(3);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 5, 1, 2));
    ASSERT_EQ(1, GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(static_cast<UINT>(WM_APP + 5), msg.message);
    EXPECT_EQ(nullptr, msg.hwnd);
    EXPECT_EQ(1u, msg.wParam);
    EXPECT_EQ(0, GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(3u, msg.wParam);
    // Taken once, it is gone.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Messages, PeekWithoutRemovingLeavesTheMessage) {
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 6, 0, 0));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_APP + 6), msg.message);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_APP + 6, WM_APP + 6, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

// A window timer set again starts over; its WM_TIMER comes after posted
// messages, once however often it fell due, and never once it is killed.
TEST(Messages, TimerComesAfterPostedMessagesAndNotOnceKilled) {
    WindowRecorder recorder("hxConfTimer");
    HWND hwnd = recorder.Create();
    ASSERT_NE(nullptr, hwnd);
    ASSERT_EQ(7u, SetTimer(hwnd, 7, 20, nullptr));
    ASSERT_EQ(7u, SetTimer(hwnd, 7, 20, nullptr));
    Sleep(100);
    ASSERT_TRUE(PostMessageA(hwnd, WM_APP + 7, 0, 0));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_APP + 7), msg.message);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_TIMER), msg.message);
    EXPECT_EQ(hwnd, msg.hwnd);
    EXPECT_EQ(7u, msg.wParam);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    Sleep(40);
    EXPECT_TRUE(KillTimer(hwnd, 7));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(KillTimer(hwnd, 7));
    DestroyWindow(hwnd);
}

TEST(Messages, BadWindowsAreRefused) {
    WindowRecorder recorder("hxConfBadWindows");
    HWND gone = recorder.Create();
    ASSERT_NE(nullptr, gone);
    DestroyWindow(gone);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PostMessageA(gone, WM_APP, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, SendMessageA(gone, WM_APP, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    MSG msg{};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(-1, GetMessageA(&msg, gone, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, GetWindowThreadProcessId(gone, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

TEST(Messages, PostedMessagesOfADestroyedWindowAreDropped) {
    WindowRecorder recorder("hxConfDropPosted");
    HWND hwnd = recorder.Create();
    ASSERT_NE(nullptr, hwnd);
    ASSERT_TRUE(PostMessageA(hwnd, WM_APP, 0, 0));
    DestroyWindow(hwnd);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

struct Owner {
    WindowRecorder* recorder;
    HWND hwnd;
    HANDLE created;
    HANDLE release;
};

// Owns a window but never reads its queue, then ends.
DWORD WINAPI OwnWithoutPumping(LPVOID p) {
    auto* owner = static_cast<Owner*>(p);
    owner->hwnd = owner->recorder->Create();
    SetEvent(owner->created);
    WaitForSingleObject(owner->release, INFINITE);
    return 0;
}

TEST(Messages, SendTimesOutOnAThreadThatDoesNotReadItsQueue) {
    WindowRecorder recorder("hxConfNoPump");
    Owner owner{&recorder, nullptr, CreateEventA(nullptr, TRUE, FALSE, nullptr),
                CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, OwnWithoutPumping, &owner, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(owner.created, 5000));
    ASSERT_NE(nullptr, owner.hwnd);

    DWORD_PTR result = 123;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, SendMessageTimeoutA(owner.hwnd, WM_APP, 1, 0, SMTO_NORMAL, 100, &result));
    EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), GetLastError());

    // When the owner ends, its windows go with it.
    SetEvent(owner.release);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    EXPECT_FALSE(IsWindow(owner.hwnd));
    CloseHandle(thread);
    CloseHandle(owner.created);
    CloseHandle(owner.release);
}

TEST(Messages, DispatchReachesTheProcedureOfTheMessageWindow) {
    WindowRecorder recorder("hxConfDispatch");
    HWND hwnd = recorder.Create();
    ASSERT_NE(nullptr, hwnd);
    ASSERT_TRUE(PostMessageA(hwnd, WM_APP, 99, 0));
    MSG msg{};
    ASSERT_EQ(1, GetMessageA(&msg, hwnd, 0, 0));
    EXPECT_FALSE(TranslateMessage(&msg));
    EXPECT_EQ(100, DispatchMessageA(&msg));
    DestroyWindow(hwnd);
}

}  // namespace
