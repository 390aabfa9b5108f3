// Waits on kernel objects, Sleep and GetTickCount.
//
// A blocked wait registers one Waiter with each object it waits on and sleeps
// on the Waiter's condition variable; a state change wakes only the waits
// registered with that object. Checking and consuming states happen under the
// kernel lock, so wait-any takes exactly one object and wait-all all at once.

#include "core_internal.h"
#include "kernel_objects.h"

#include <chrono>
#include <thread>

namespace hxsim::detail {
namespace {

using Clock = std::chrono::steady_clock;

std::shared_ptr<Waitable> ResolveWaitable(HANDLE handle, const char* api) {
    std::shared_ptr<Object> object = ResolveHandle(handle, api);
    if (!object) return nullptr;
    if (auto waitable = AsWaitable(object)) return waitable;
    // A file handle is signalled while no I/O is pending, which for the
    // synchronous I/O of this world is always.
    if (object->kind() == ObjectKind::File) return std::make_shared<FixedStateObject>(ObjectKind::File, true);
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

// Index of the object the wait takes, or -1 while unsatisfied.
int TrySatisfyLocked(const std::vector<std::shared_ptr<Waitable>>& objects, bool waitAll) {
    if (waitAll) {
        for (const auto& o : objects)
            if (!o->IsSignaledLocked()) return -1;
        for (const auto& o : objects) o->AcquireLocked();
        return 0;
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->IsSignaledLocked()) {
            objects[i]->AcquireLocked();
            return static_cast<int>(i);
        }
    }
    return -1;
}

DWORD Wait(const std::vector<std::shared_ptr<Waitable>>& objects, bool waitAll, DWORD timeout) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout);
    KernelGuard lock(KernelLock());
    int index = TrySatisfyLocked(objects, waitAll);
    if (index < 0 && timeout != 0) {
        Waiter waiter;
        for (const auto& o : objects) o->AddWaiterLocked(&waiter);
        while ((index = TrySatisfyLocked(objects, waitAll)) < 0) {
            if (timeout == INFINITE) {
                waiter.wake.wait(lock);
            } else if (waiter.wake.wait_until(lock, deadline) == std::cv_status::timeout) {
                index = TrySatisfyLocked(objects, waitAll);
                break;
            }
        }
        for (const auto& o : objects) o->RemoveWaiterLocked(&waiter);
    }
    if (index < 0) return WAIT_TIMEOUT;
    CountWaitWakeup();
    return WAIT_OBJECT_0 + static_cast<DWORD>(index);
}

DWORD WaitFailed() {
    CountWaitWakeup();
    return WAIT_FAILED;
}

}  // namespace
}  // namespace hxsim::detail

using namespace hxsim::detail;

extern "C" {

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    if (ShouldFail("WaitForSingleObject")) return WaitFailed();
    std::shared_ptr<Waitable> object = ResolveWaitable(hHandle, "WaitForSingleObject");
    if (!object) return WaitFailed();
    return Wait({object}, false, dwMilliseconds);
}

DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                    DWORD dwMilliseconds) {
    if (ShouldFail("WaitForMultipleObjects")) return WaitFailed();
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WaitFailed();
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    for (DWORD i = 0; i < nCount; ++i) {
        std::shared_ptr<Waitable> object = ResolveWaitable(lpHandles[i], "WaitForMultipleObjects");
        if (!object) return WaitFailed();
        objects.push_back(std::move(object));
    }
    return Wait(objects, bWaitAll != FALSE, dwMilliseconds);
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (dwMilliseconds == INFINITE) {
        // Nothing wakes such a sleep; park the thread for good.
        std::mutex never;
        std::condition_variable parked;
        std::unique_lock<std::mutex> lock(never);
        parked.wait(lock, [] { return false; });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

DWORD WINAPI GetTickCount(void) {
    auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
    return static_cast<DWORD>(since.count());
}

}  // extern "C"
