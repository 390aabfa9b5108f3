// A gate that every CreateProcessA waits at until it is opened, so a test or
// a benchmark can hold the worker inside a launch.
#pragma once

#include <hxsim/world.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace hxsim {

class LaunchGate {
public:
    LaunchGate() : state_(std::make_shared<State>()) {
        // The hook owns the state too: a launch still leaving the gate after
        // the gate is gone (the monitor gave up waiting for it) is safe.
        hxsim::OnCreateProcess([state = state_](const std::string&) {
            std::unique_lock<std::mutex> lock(state->mutex);
            ++state->entered;
            state->changed.notify_all();
            state->changed.wait(lock, [&] { return state->open; });
        });
    }
    LaunchGate(const LaunchGate&) = delete;
    LaunchGate& operator=(const LaunchGate&) = delete;
    ~LaunchGate() {
        Open();
        hxsim::OnCreateProcess(nullptr);
    }

    void Open() {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->open = true;
        state_->changed.notify_all();
    }

    // Waits until `count` launches have reached the gate; false on timeout.
    bool WaitForEntered(int count = 1) {
        std::unique_lock<std::mutex> lock(state_->mutex);
        return state_->changed.wait_for(lock, std::chrono::seconds(5),
                                        [&] { return state_->entered >= count; });
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool open = false;
        int entered = 0;
    };
    std::shared_ptr<State> state_;
};

}  // namespace hxsim
