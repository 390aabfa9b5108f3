// A watchdog for a run of the monitor that is expected to end.
#pragma once

#include <gtest/gtest.h>
#include <hxsim/world.h>

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace hxtest {

// Bounds a run of MonitorMain that should end by itself, so that a fault
// which keeps the monitor running fails the test in seconds instead of
// hanging until ctest's timeout. When the run outlives `limit`, the watchdog
// asks the monitor's thread to end as another program would: WM_CLOSE to
// its windows, then WM_QUIT. If even that does not end it, the process is
// stopped with a message, since a stuck thread cannot be joined.
class MonitorWatchdog {
public:
    MonitorWatchdog(DWORD monitorThread, std::chrono::milliseconds limit)
        : monitorThread_(monitorThread), limit_(limit), thread_([this] { Watch(); }) {}
    MonitorWatchdog(const MonitorWatchdog&) = delete;
    MonitorWatchdog& operator=(const MonitorWatchdog&) = delete;
    ~MonitorWatchdog() {
        Ended();
        thread_.join();
    }

    // Call once MonitorMain has returned.
    void Ended() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
        }
        changed_.notify_all();
    }

    // Adds a test failure saying what the watchdog did, if it did anything.
    void ReportAsFailure(const char* run, int exitCode) const {
        Step taken;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            taken = step_;
        }
        if (taken == Step::None)
            return;
        ADD_FAILURE() << run << " was still running after " << limit_.count()
                      << " ms; it returned " << exitCode << " only after "
                      << (taken == Step::Closed ? "WM_CLOSE to its window"
                                                : "WM_CLOSE and then WM_QUIT to its thread");
    }

private:
    enum class Step { None, Closed, Quit };  // how far the watchdog went

    static constexpr std::chrono::milliseconds kGrace{2000};

    // Waits for the end of the run; true when it came within `timeout`.
    bool EndedWithin(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] { return ended_; });
    }

    void Take(Step step) {
        std::lock_guard<std::mutex> lock(mutex_);
        step_ = step;
    }

    void Watch() {
        if (EndedWithin(limit_))
            return;
        Take(Step::Closed);
        for (HWND window : hxsim::WindowsOfThread(monitorThread_))
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (EndedWithin(kGrace))
            return;
        Take(Step::Quit);
        PostThreadMessageA(monitorThread_, WM_QUIT, 0, 0);
        if (EndedWithin(kGrace))
            return;
        std::fprintf(stderr,
                     "\n*** MonitorMain was still running %lld ms after it should have ended, "
                     "even after WM_CLOSE and WM_QUIT; stopping the tests\n",
                     static_cast<long long>((limit_ + 2 * kGrace).count()));
        std::fflush(stderr);
        std::abort();
    }

    const DWORD monitorThread_;
    const std::chrono::milliseconds limit_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
    Step step_ = Step::None;
    std::thread thread_;  // last: it reads the members above
};

}  // namespace hxtest
