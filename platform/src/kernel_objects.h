// Waitable kernel objects: events, threads and objects that are signalled
// from birth. All of their state is guarded by one lock, the kernel lock, so
// that a wait on several objects sees and consumes their states atomically.
#pragma once

#include "sim_internal.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace hxsim::detail {

// The lock that guards every waitable object's state and waiter list.
std::mutex& KernelLock();
using KernelGuard = std::unique_lock<std::mutex>;

// One blocked wait. It registers with every object it waits on; a state
// change wakes exactly the waits registered with the changed object.
struct Waiter {
    std::condition_variable wake;
};

// Methods named *Locked expect the kernel lock to be held by the caller.
class Waitable : public Object {
public:
    using Object::Object;
    ~Waitable() override = default;

    virtual bool IsSignaledLocked() const = 0;
    // A satisfied wait takes the object: auto-reset events reset here.
    virtual void AcquireLocked() {}

    void AddWaiterLocked(Waiter* waiter);
    void RemoveWaiterLocked(Waiter* waiter);

protected:
    void WakeWaitersLocked();

private:
    std::vector<Waiter*> waiters_;
};

class Event final : public Waitable {
public:
    Event(bool manualReset, bool initialState)
        : Waitable(ObjectKind::Event), manualReset_(manualReset), signaled_(initialState) {}

    bool IsSignaledLocked() const override { return signaled_; }
    void AcquireLocked() override {
        if (!manualReset_) signaled_ = false;
    }
    void SetLocked() {
        signaled_ = true;
        WakeWaitersLocked();
    }
    void ResetLocked() { signaled_ = false; }
    bool manualReset() const { return manualReset_; }

private:
    const bool manualReset_;
    bool signaled_;
};

// A thread as the kernel sees it: signalled once its routine has returned.
class Thread final : public Waitable {
public:
    explicit Thread(DWORD id) : Waitable(ObjectKind::Thread), id_(id) {}

    DWORD id() const { return id_; }
    bool IsSignaledLocked() const override { return finished_; }
    void FinishLocked(DWORD exitCode) {
        exitCode_ = exitCode;
        finished_ = true;
        WakeWaitersLocked();
    }
    DWORD ExitCodeLocked() const { return finished_ ? exitCode_ : STILL_ACTIVE; }
    int PriorityLocked() const { return priority_; }
    void SetPriorityLocked(int priority) { priority_ = priority; }

private:
    const DWORD id_;
    bool finished_ = false;
    DWORD exitCode_ = STILL_ACTIVE;
    int priority_ = THREAD_PRIORITY_NORMAL;
};

// A process or thread object whose state never changes: signalled for
// programs that have already ended, unsignalled for the running process.
class FixedStateObject final : public Waitable {
public:
    FixedStateObject(ObjectKind kind, bool signaled) : Waitable(kind), signaled_(signaled) {}
    bool IsSignaledLocked() const override { return signaled_; }

private:
    const bool signaled_;
};

// A process the world runs on threads of its own (hxsim::BeginProcess):
// signalled once it has ended.
class Process final : public Waitable {
public:
    Process() : Waitable(ObjectKind::Process) {}
    bool IsSignaledLocked() const override { return ended_; }
    void EndLocked() {
        ended_ = true;
        WakeWaitersLocked();
    }

private:
    bool ended_ = false;
};

std::shared_ptr<Waitable> AsWaitable(const std::shared_ptr<Object>& object);
std::shared_ptr<Thread> AsThread(const std::shared_ptr<Object>& object);

}  // namespace hxsim::detail
