// Slim reader/writer locks, exclusive mode. The SRWLOCK's own storage is the
// product's; the lock state lives here, keyed by the lock's address, so that
// a statically initialised SRWLOCK needs no set-up.

#include "core_internal.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

namespace hxsim::detail {
namespace {

struct LockState {
    std::mutex mutex;
    std::condition_variable released;
    bool held = false;
    DWORD owner = 0;
};

class SrwLocks {
public:
    LockState& StateOf(PSRWLOCK lock) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto& state = states_[lock];
        if (!state) state = std::make_unique<LockState>();
        return *state;
    }

    // States of locks that are not held are dropped; a held one belongs to
    // a thread that is still running and keeps its state.
    void Reset() {
        std::lock_guard<std::mutex> guard(mutex_);
        for (auto it = states_.begin(); it != states_.end();) {
            bool held;
            {
                std::lock_guard<std::mutex> state(it->second->mutex);
                held = it->second->held;
            }
            it = held ? std::next(it) : states_.erase(it);
        }
    }

private:
    std::mutex mutex_;
    std::map<PSRWLOCK, std::unique_ptr<LockState>> states_;
};

SrwLocks& Locks() {
    static auto* locks = new SrwLocks;
    return *locks;
}

}  // namespace

void ResetSrwLocks() { Locks().Reset(); }

}  // namespace hxsim::detail

using namespace hxsim::detail;

extern "C" {

void WINAPI AcquireSRWLockExclusive(PSRWLOCK SRWLock) {
    LockState& state = Locks().StateOf(SRWLock);
    std::unique_lock<std::mutex> guard(state.mutex);
    state.released.wait(guard, [&] { return !state.held; });
    state.held = true;
    state.owner = GetCurrentThreadId();
}

void WINAPI ReleaseSRWLockExclusive(PSRWLOCK SRWLock) {
    LockState& state = Locks().StateOf(SRWLock);
    std::lock_guard<std::mutex> guard(state.mutex);
    // Releasing a lock one does not hold raises an exception on the
    // platform; here it is recorded and ignored.
    if (!state.held || state.owner != GetCurrentThreadId()) {
        RecordMisuse("ReleaseSRWLockExclusive", reinterpret_cast<uintptr_t>(SRWLock));
        return;
    }
    state.held = false;
    state.released.notify_one();
}

}  // extern "C"
