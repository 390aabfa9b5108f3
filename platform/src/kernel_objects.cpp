// Waitable objects and the kernel lock they share.

#include "kernel_objects.h"
#include "core_internal.h"

#include <algorithm>

namespace hxsim::detail {

std::mutex& KernelLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

void Waitable::AddWaiterLocked(Waiter* waiter) { waiters_.push_back(waiter); }

void Waitable::RemoveWaiterLocked(Waiter* waiter) {
    waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), waiter), waiters_.end());
}

void Waitable::WakeWaitersLocked() {
    for (Waiter* waiter : waiters_) waiter->wake.notify_one();
}

void SetEventObject(Event& event) {
    KernelGuard lock(KernelLock());
    event.SetLocked();
}

void SetEventObjects(const std::vector<std::shared_ptr<Event>>& events) {
    KernelGuard lock(KernelLock());
    for (const auto& event : events) event->SetLocked();
}

std::shared_ptr<Event> AsEvent(const std::shared_ptr<Object>& object) {
    return std::dynamic_pointer_cast<Event>(object);
}

std::shared_ptr<Waitable> AsWaitable(const std::shared_ptr<Object>& object) {
    return std::dynamic_pointer_cast<Waitable>(object);
}

std::shared_ptr<Thread> AsThread(const std::shared_ptr<Object>& object) {
    return std::dynamic_pointer_cast<Thread>(object);
}

std::shared_ptr<Object> MakeSignaledObject(ObjectKind kind) {
    if (kind == ObjectKind::Thread) {
        auto thread = std::make_shared<Thread>(AllocateThreadId());
        KernelGuard lock(KernelLock());
        thread->FinishLocked(0);
        return thread;
    }
    return std::make_shared<FixedStateObject>(kind, true);
}

}  // namespace hxsim::detail
