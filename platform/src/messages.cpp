// Messages: posting, sending across threads, and retrieval from the calling
// thread's queue. Retrieval first handles messages sent from other threads,
// then returns posted messages, then the quit message, then WM_TIMER of a
// due timer, as the platform does.

#include "window_manager.h"

#include <chrono>

using namespace hxsim::detail;

namespace {

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));

bool InRange(UINT message, UINT first, UINT last) {
    if (first == 0 && last == 0) return true;
    if (first <= last) return message >= first && message <= last;
    return message >= first || message <= last;  // a range that wraps
}

bool Matches(const MSG& msg, HWND hwnd, UINT first, UINT last) {
    if (hwnd == kThreadMessagesOnly) {
        if (msg.hwnd) return false;
    } else if (hwnd && msg.hwnd != hwnd) {
        return false;
    }
    return InRange(msg.message, first, last);
}

// A window filter must name an existing window; NULL and -1 are ranges.
bool IsValidFilter(HWND hwnd) {
    if (!hwnd || hwnd == kThreadMessagesOnly) return true;
    UserGuard guard(User().lock);
    if (User().FindWindowLocked(hwnd)) return true;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    return msg;
}

void PostLocked(MessageQueue& queue, const MSG& msg) {
    queue.posted.push_back(msg);
    queue.wake.notify_all();
}

// Whether a post from the calling thread to the window is refused, as the
// platform refuses messages to a window of higher integrity (an elevated
// program's, or the system account's). Its own thread is of its level.
bool IsRefusedLocked(const Window& window, DWORD caller) {
    return window.higherIntegrity && window.threadId != caller;
}

// Takes the first matching posted message, or else the quit message.
// Caller holds the user lock.
bool TakeMessageLocked(MessageQueue& queue, MSG* msg, HWND hwnd, UINT first, UINT last, bool remove) {
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!Matches(*it, hwnd, first, last)) continue;
        *msg = *it;
        if (remove) queue.posted.erase(it);
        return true;
    }
    // The quit message is returned whatever the filter, once no matching
    // posted message is left.
    if (queue.quitPending) {
        *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
        if (remove) queue.quitPending = false;
        return true;
    }
    return false;
}

// Sends a message to a window and waits for its result. Another thread's
// window gets it through its thread's queue; while waiting, the caller
// handles messages sent to itself unless `block`.
bool Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool block, DWORD timeout,
          LRESULT* result) {
    std::shared_ptr<MessageQueue> self = CurrentQueue();
    UserState& user = User();
    UserGuard guard(user.lock);
    std::shared_ptr<Window> window = user.FindWindowLocked(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (window->queue == self) {
        guard.unlock();
        *result = CallWindowProcedure(hwnd, message, wParam, lParam);
        return true;
    }
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wParam = wParam;
    sent->lParam = lParam;
    sent->sender = self;
    MessageQueue& target = *window->queue;
    target.sent.push_back(sent);
    target.wake.notify_all();

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    while (!sent->done) {
        if (!block && HandleOneSentMessage(guard, *self)) continue;
        if (timeout == INFINITE) {
            self->wake.wait(guard);
        } else if (self->wake.wait_until(guard, deadline) == std::cv_status::timeout && !sent->done) {
            // Not yet taken: withdraw it, so that it never runs with
            // arguments its sender no longer keeps.
            for (auto it = target.sent.begin(); it != target.sent.end(); ++it) {
                if (*it == sent) {
                    target.sent.erase(it);
                    break;
                }
            }
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
    }
    *result = sent->result;
    return true;
}

}  // namespace

extern "C" {

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (ShouldFail("GetMessageA")) return -1;
    if (!IsValidFilter(hWnd)) return -1;
    std::shared_ptr<MessageQueue> queue = CurrentQueue();
    UserGuard guard(User().lock);
    for (;;) {
        while (HandleOneSentMessage(guard, *queue)) CountMessageRetrieved();
        if (TakeMessageLocked(*queue, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
            CountMessageRetrieved();
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        }
        if (TakeTimerMessageLocked(*queue, lpMsg, true, [&](const MSG& msg) {
                return Matches(msg, hWnd, wMsgFilterMin, wMsgFilterMax);
            })) {
            CountMessageRetrieved();
            return TRUE;
        }
        const SteadyTime nextTimer = NextTimerDueLocked(*queue);
        if (nextTimer == SteadyTime::max())
            queue->wake.wait(guard);
        else
            queue->wake.wait_until(guard, nextTimer);
    }
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    if (ShouldFail("PeekMessageA")) return FALSE;
    if (!IsValidFilter(hWnd)) return FALSE;
    std::shared_ptr<MessageQueue> queue = CurrentQueue();
    UserGuard guard(User().lock);
    while (HandleOneSentMessage(guard, *queue)) {
    }
    const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    if (TakeMessageLocked(*queue, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove)) return TRUE;
    return TakeTimerMessageLocked(*queue, lpMsg, remove, [&](const MSG& msg) {
               return Matches(msg, hWnd, wMsgFilterMin, wMsgFilterMax);
           })
               ? TRUE
               : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    // No keyboard here; the platform answers nonzero for key messages
    // whether or not they produce characters.
    if (!lpMsg) return FALSE;
    switch (lpMsg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (ShouldFail("DispatchMessageA")) return 0;
    if (!lpMsg || !lpMsg->hwnd) return 0;
    {
        UserGuard guard(User().lock);
        std::shared_ptr<Window> window = User().FindWindowLocked(lpMsg->hwnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (window->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_MESSAGE_SYNC_ONLY);
            return 0;
        }
    }
    return CallWindowProcedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (ShouldFail("PostMessageA")) return FALSE;
    // No window: a thread message to the calling thread.
    std::shared_ptr<MessageQueue> self = hWnd ? nullptr : CurrentQueue();
    UserState& user = User();
    UserGuard guard(user.lock);
    if (self) {
        PostLocked(*self, MakeMessage(nullptr, Msg, wParam, lParam));
        return TRUE;
    }
    const DWORD caller = GetCurrentThreadId();
    if (hWnd == HWND_BROADCAST) {
        // Windows above the caller's integrity are left out, the rest get it.
        for (const auto& entry : user.windows)
            if (entry.second->IsTopLevel() && !IsRefusedLocked(*entry.second, caller))
                PostLocked(*entry.second->queue, MakeMessage(entry.second->hwnd, Msg, wParam, lParam));
        return TRUE;
    }
    std::shared_ptr<Window> window = user.FindWindowLocked(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (IsRefusedLocked(*window, caller)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    PostLocked(*window->queue, MakeMessage(hWnd, Msg, wParam, lParam));
    return TRUE;
}

BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (ShouldFail("PostThreadMessageA")) return FALSE;
    UserState& user = User();
    UserGuard guard(user.lock);
    auto it = user.queues.find(idThread);
    if (it == user.queues.end()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    PostLocked(*it->second, MakeMessage(nullptr, Msg, wParam, lParam));
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (ShouldFail("SendMessageA")) return 0;
    LRESULT result = 0;
    return Send(hWnd, Msg, wParam, lParam, false, INFINITE, &result) ? result : 0;
}

LRESULT WINAPI SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags,
                                   UINT uTimeout, DWORD_PTR* lpdwResult) {
    if (ShouldFail("SendMessageTimeoutA")) return 0;
    LRESULT result = 0;
    if (!Send(hWnd, Msg, wParam, lParam, (fuFlags & SMTO_BLOCK) != 0, uTimeout, &result)) return 0;
    if (lpdwResult) *lpdwResult = static_cast<DWORD_PTR>(result);
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode) {
    std::shared_ptr<MessageQueue> queue = CurrentQueue();
    UserGuard guard(User().lock);
    queue->quitPending = true;
    queue->quitCode = nExitCode;
    queue->wake.notify_all();
}

}  // extern "C"
