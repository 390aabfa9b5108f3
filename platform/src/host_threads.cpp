// The host threads that run the routines of CreateThread. A host thread
// whose routine has returned waits for the next one instead of exiting.
//
// Why: AddressSanitizer keeps a record of every host thread a process ever
// started and never reuses them (about 190 bytes each), so a fuzz session
// that starts a thread per input grew without bound. Reusing host threads
// keeps their number at the most that ever ran at once.

#include "core_internal.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace hxsim::detail {
namespace {

struct Job {
    void (*routine)(void*);
    void* argument;
};

class HostThreads {
public:
    bool Run(Job job) {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(job);
        // Each pending job has a host thread of its own: an idle one taken
        // here, or a new one.
        if (idle_ > 0) {
            --idle_;
            ready_.notify_one();
            return true;
        }
        try {
            std::thread([this] { Serve(); }).detach();
        } catch (const std::system_error&) {
            pending_.pop_back();
            return false;
        }
        return true;
    }

private:
    [[noreturn]] void Serve() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ready_.wait(lock, [this] { return !pending_.empty(); });
            const Job job = pending_.front();
            pending_.erase(pending_.begin());
            lock.unlock();
            job.routine(job.argument);
            lock.lock();
            ++idle_;
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    // A vector keeps its room once grown: no allocation per job.
    std::vector<Job> pending_;
    size_t idle_ = 0;
};

HostThreads& Threads() {
    static auto* threads = new HostThreads;
    return *threads;
}

}  // namespace

bool RunOnHostThread(void (*routine)(void*), void* argument) {
    return Threads().Run(Job{routine, argument});
}

}  // namespace hxsim::detail
