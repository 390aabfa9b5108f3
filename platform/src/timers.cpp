// Window timers: SetTimer and KillTimer. The timers live in the owning
// thread's queue; message retrieval turns a due one into WM_TIMER when no
// posted message is waiting (messages.cpp), as the platform does.

#include "window_manager.h"

#include <algorithm>

using namespace hxsim::detail;

namespace hxsim::detail {

SteadyTime NextTimerDueLocked(const MessageQueue& queue) {
    SteadyTime next = SteadyTime::max();
    for (const WindowTimer& timer : queue.timers) next = std::min(next, timer.due);
    return next;
}

void KillWindowTimersLocked(MessageQueue& queue, HWND hwnd) {
    queue.timers.erase(std::remove_if(queue.timers.begin(), queue.timers.end(),
                                      [&](const WindowTimer& t) { return t.hwnd == hwnd; }),
                       queue.timers.end());
}

}  // namespace hxsim::detail

extern "C" {

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    if (ShouldFail("SetTimer")) return 0;
    // Only window timers without a callback are simulated.
    if (!hWnd || lpTimerFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const UINT elapse = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    UserState& user = User();
    UserGuard guard(user.lock);
    std::shared_ptr<Window> window = user.FindWindowLocked(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window->threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    MessageQueue& queue = *window->queue;
    // The same window and id replace the timer, which starts over.
    queue.timers.erase(std::remove_if(queue.timers.begin(), queue.timers.end(),
                                      [&](const WindowTimer& t) {
                                          return t.hwnd == hWnd && t.id == nIDEvent;
                                      }),
                       queue.timers.end());
    WindowTimer timer;
    timer.hwnd = hWnd;
    timer.id = nIDEvent;
    timer.elapse = std::chrono::milliseconds(elapse);
    timer.due = std::chrono::steady_clock::now() + timer.elapse;
    queue.timers.push_back(timer);
    queue.wake.notify_all();
    return nIDEvent;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    if (ShouldFail("KillTimer")) return FALSE;
    UserState& user = User();
    UserGuard guard(user.lock);
    std::shared_ptr<Window> window = user.FindWindowLocked(hWnd);
    if (window) {
        auto& timers = window->queue->timers;
        const auto it = std::find_if(timers.begin(), timers.end(), [&](const WindowTimer& t) {
            return t.hwnd == hWnd && t.id == uIDEvent;
        });
        if (it != timers.end()) {
            timers.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

}  // extern "C"
