// The window manager's state: window classes, windows and per-thread message
// queues, all guarded by one lock (the user lock). Window procedures are
// always called with the lock released.
#pragma once

#include "core_internal.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hxsim::detail {

struct MessageQueue;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    size_t windows = 0;  // existing windows of the class
};

struct Window {
    HWND hwnd = nullptr;
    std::shared_ptr<WindowClass> cls;
    std::string title;
    DWORD style = 0;
    HWND parent = nullptr;
    DWORD threadId = 0;
    std::shared_ptr<MessageQueue> queue;  // the owning thread's
    bool created = false;  // CreateWindowExA has returned it
    bool destroying = false;
    // Owned by a process of higher integrity than any caller's (hxsim::
    // RaiseWindowIntegrity): posts from other threads are refused.
    bool higherIntegrity = false;

    bool IsTopLevel() const { return parent == nullptr; }
};

// A message sent from another thread, waiting for (or holding) its result.
struct SentMessage {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::shared_ptr<MessageQueue> sender;
    bool done = false;
    LRESULT result = 0;
};

using SteadyTime = std::chrono::steady_clock::time_point;

// A window timer of the queue's thread.
struct WindowTimer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    std::chrono::milliseconds elapse{0};
    SteadyTime due;
};

struct MessageQueue {
    explicit MessageQueue(DWORD id) : threadId(id) {}

    const DWORD threadId;
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quitPending = false;
    int quitCode = 0;
    bool alive = true;
    std::vector<WindowTimer> timers;
    // The owning thread sleeps here for posted and sent messages, and for
    // the results of messages it sent.
    std::condition_variable wake;
};

using UserGuard = std::unique_lock<std::mutex>;

class UserState {
public:
    std::mutex lock;
    std::condition_variable windowCreated;  // for hxsim::WaitForWindow

    std::vector<std::shared_ptr<WindowClass>> classes;
    std::map<uintptr_t, std::shared_ptr<Window>> windows;  // by handle value, in creation order
    std::map<DWORD, std::shared_ptr<MessageQueue>> queues;  // by thread id
    uintptr_t nextWindow = 0x10020;
    ATOM nextAtom = 0xc000;

    // Lookups; callers hold `lock`.
    std::shared_ptr<Window> FindWindowLocked(HWND hwnd) const;
    std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name, HINSTANCE instance) const;
};

UserState& User();

// The calling thread's queue, made on first use (as the platform makes one
// on the first window-manager call that needs it).
std::shared_ptr<MessageQueue> CurrentQueue();

// Class names and window titles match without regard to case.
bool SameTextIgnoringCase(const std::string& a, const std::string& b);
bool IsAtomName(LPCSTR name);

// Takes the window out of the world, without messages. Replies 0 to
// messages still waiting to be sent to it. Caller holds the user lock.
void RemoveWindowLocked(const std::shared_ptr<Window>& window);

// Calls the window procedure of `hwnd` directly on this thread, or returns
// 0 when the window no longer exists. Caller must not hold the user lock.
LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Handles one message sent from another thread, if any is waiting; the lock
// is released around the window procedure. True when one was handled.
bool HandleOneSentMessage(UserGuard& guard, MessageQueue& queue);

// Replies to a sent message and wakes its sender. Caller holds the lock.
void ReplyLocked(SentMessage& sent, LRESULT result);

// Makes WM_TIMER for the first due timer that `accepts`, and sets it due
// again one elapse later when `remove`. Caller holds the lock.
template <class Filter>
bool TakeTimerMessageLocked(MessageQueue& queue, MSG* msg, bool remove, Filter accepts);
// When the next timer is due; SteadyTime::max() when the queue has none.
SteadyTime NextTimerDueLocked(const MessageQueue& queue);
// Drops the window's timers. Caller holds the lock.
void KillWindowTimersLocked(MessageQueue& queue, HWND hwnd);

template <class Filter>
bool TakeTimerMessageLocked(MessageQueue& queue, MSG* msg, bool remove, Filter accepts) {
    const SteadyTime now = std::chrono::steady_clock::now();
    for (WindowTimer& timer : queue.timers) {
        if (timer.due > now) continue;
        MSG candidate{};
        candidate.hwnd = timer.hwnd;
        candidate.message = WM_TIMER;
        candidate.wParam = timer.id;
        candidate.lParam = 0;
        if (!accepts(candidate)) continue;
        candidate.time = GetTickCount();
        *msg = candidate;
        if (remove) timer.due = now + timer.elapse;
        return true;
    }
    return false;
}

}  // namespace hxsim::detail
