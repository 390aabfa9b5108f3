// The window manager's shared state, per-thread queues and their end, and
// the delivery of messages sent from other threads.

#include "window_manager.h"
#include "codepage_1252.h"

#include <hxsim/world.h>

#include <algorithm>

namespace hxsim::detail {
namespace {

void EndQueue(const std::shared_ptr<MessageQueue>& queue);

// The calling thread's queue. At thread exit the platform destroys the
// thread's windows and answers what was still being sent to it.
struct QueueHolder {
    std::shared_ptr<MessageQueue> queue;
    ~QueueHolder() {
        if (queue) EndQueue(queue);
    }
};
thread_local QueueHolder t_queue;

void EndQueue(const std::shared_ptr<MessageQueue>& queue) {
    UserState& user = User();
    UserGuard guard(user.lock);
    queue->alive = false;
    std::vector<std::shared_ptr<Window>> owned;
    for (const auto& entry : user.windows)
        if (entry.second->queue == queue) owned.push_back(entry.second);
    for (const auto& window : owned) RemoveWindowLocked(window);
    for (const auto& sent : queue->sent) ReplyLocked(*sent, 0);
    queue->sent.clear();
    queue->posted.clear();
    auto it = user.queues.find(queue->threadId);
    if (it != user.queues.end() && it->second == queue) user.queues.erase(it);
}

}  // namespace

UserState& User() {
    static auto* user = new UserState;
    return *user;
}

std::shared_ptr<MessageQueue> CurrentQueue() {
    if (!t_queue.queue) {
        auto queue = std::make_shared<MessageQueue>(GetCurrentThreadId());
        UserGuard guard(User().lock);
        User().queues[queue->threadId] = queue;
        t_queue.queue = queue;
    }
    return t_queue.queue;
}

void EndThreadWindowing() {
    if (!t_queue.queue) return;
    EndQueue(t_queue.queue);
    t_queue.queue.reset();
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        uint16_t x = UpperCase(Cp1252ToUnicode(static_cast<unsigned char>(a[i])));
        uint16_t y = UpperCase(Cp1252ToUnicode(static_cast<unsigned char>(b[i])));
        if (x != y) return false;
    }
    return true;
}

bool IsAtomName(LPCSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

std::shared_ptr<Window> UserState::FindWindowLocked(HWND hwnd) const {
    auto it = windows.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == windows.end() ? nullptr : it->second;
}

// A class registered by the given instance wins; a NULL instance, or a class
// of another instance, still finds the class by name, as the platform's
// lookup falls back from local classes of the module to any of the process.
std::shared_ptr<WindowClass> UserState::FindClassLocked(LPCSTR name, HINSTANCE instance) const {
    std::shared_ptr<WindowClass> fallback;
    for (const auto& cls : classes) {
        bool named = IsAtomName(name) ? cls->atom == static_cast<ATOM>(reinterpret_cast<uintptr_t>(name))
                                      : SameTextIgnoringCase(cls->name, name);
        if (!named) continue;
        if (cls->instance == instance) return cls;
        if (!fallback) fallback = cls;
    }
    return fallback;
}

void ReplyLocked(SentMessage& sent, LRESULT result) {
    if (sent.done) return;
    sent.done = true;
    sent.result = result;
    if (sent.sender) sent.sender->wake.notify_all();
}

void RemoveWindowLocked(const std::shared_ptr<Window>& window) {
    UserState& user = User();
    user.windows.erase(reinterpret_cast<uintptr_t>(window->hwnd));
    if (window->cls) --window->cls->windows;
    MessageQueue& queue = *window->queue;
    // What was sent to the window gets 0; what was posted to it is dropped.
    for (auto it = queue.sent.begin(); it != queue.sent.end();) {
        if ((*it)->hwnd == window->hwnd) {
            ReplyLocked(**it, 0);
            it = queue.sent.erase(it);
        } else {
            ++it;
        }
    }
    queue.posted.erase(std::remove_if(queue.posted.begin(), queue.posted.end(),
                                      [&](const MSG& m) { return m.hwnd == window->hwnd; }),
                       queue.posted.end());
    KillWindowTimersLocked(queue, window->hwnd);
}

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = nullptr;
    {
        UserGuard guard(User().lock);
        if (auto window = User().FindWindowLocked(hwnd)) proc = window->cls->proc;
    }
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

bool HandleOneSentMessage(UserGuard& guard, MessageQueue& queue) {
    if (queue.sent.empty()) return false;
    std::shared_ptr<SentMessage> sent = queue.sent.front();
    queue.sent.pop_front();
    guard.unlock();
    LRESULT result = CallWindowProcedure(sent->hwnd, sent->message, sent->wParam, sent->lParam);
    guard.lock();
    ReplyLocked(*sent, result);
    return true;
}

void ResetWindows() {
    UserState& user = User();
    UserGuard guard(user.lock);
    std::vector<std::shared_ptr<Window>> all;
    for (const auto& entry : user.windows) all.push_back(entry.second);
    for (const auto& window : all) RemoveWindowLocked(window);
    for (const auto& entry : user.queues) {
        MessageQueue& queue = *entry.second;
        for (const auto& sent : queue.sent) ReplyLocked(*sent, 0);
        queue.sent.clear();
        queue.posted.clear();
        queue.quitPending = false;
        queue.quitCode = 0;
    }
    user.classes.clear();
}

std::vector<HWND> AllWindows() {
    UserGuard guard(User().lock);
    std::vector<HWND> result;
    for (const auto& entry : User().windows)
        if (entry.second->IsTopLevel()) result.push_back(entry.second->hwnd);
    return result;
}

}  // namespace hxsim::detail

namespace hxsim {

// Only a window whose creation has finished counts: its WM_CREATE work is
// done by then.
HWND WaitForWindow(const char* className, Millis timeout) {
    detail::UserState& user = detail::User();
    detail::UserGuard guard(user.lock);
    HWND found = nullptr;
    user.windowCreated.wait_for(guard, timeout, [&] {
        for (const auto& entry : user.windows) {
            const auto& window = entry.second;
            if (window->created && window->IsTopLevel() &&
                detail::SameTextIgnoringCase(window->cls->name, className)) {
                found = window->hwnd;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::vector<HWND> WindowsOfThread(DWORD threadId) {
    detail::UserState& user = detail::User();
    detail::UserGuard guard(user.lock);
    std::vector<HWND> found;
    for (const auto& entry : user.windows)
        if (entry.second->IsTopLevel() && entry.second->threadId == threadId)
            found.push_back(entry.second->hwnd);
    return found;
}

bool RaiseWindowIntegrity(HWND window, bool raised) {
    detail::UserState& user = detail::User();
    detail::UserGuard guard(user.lock);
    std::shared_ptr<detail::Window> found = user.FindWindowLocked(window);
    if (found) found->higherIntegrity = raised;
    return found != nullptr;
}

}  // namespace hxsim
