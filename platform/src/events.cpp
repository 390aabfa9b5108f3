// Event objects: CreateEventA, SetEvent, ResetEvent. Named events are shared
// by name for as long as any handle keeps them alive.

#include "core_internal.h"
#include "kernel_objects.h"

#include <map>
#include <mutex>
#include <string>

namespace hxsim::detail {
namespace {

class EventNames {
public:
    // The event registered under `name`, or a new one registered now;
    // `existed` tells which.
    std::shared_ptr<Event> OpenOrCreate(const std::string& name, bool manualReset,
                                        bool initialState, bool* existed) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (auto event = names_[name].lock()) {
            *existed = true;
            return event;
        }
        auto event = std::make_shared<Event>(manualReset, initialState);
        names_[name] = event;
        *existed = false;
        return event;
    }

    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        names_.clear();
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::weak_ptr<Event>> names_;
};

EventNames& Names() {
    static auto* names = new EventNames;
    return *names;
}

std::shared_ptr<Event> ReferenceEvent(HANDLE handle, const char* api) {
    return AsEvent(ReferenceHandle(handle, ObjectKind::Event, api));
}

}  // namespace

void ResetNamedObjects() { Names().Reset(); }

}  // namespace hxsim::detail

using namespace hxsim::detail;

extern "C" {

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                           LPCSTR lpName) {
    if (ShouldFail("CreateEventA")) return nullptr;
    std::shared_ptr<Event> event;
    bool existed = false;
    if (lpName && *lpName) {
        event = Names().OpenOrCreate(lpName, bManualReset != FALSE, bInitialState != FALSE, &existed);
    } else {
        event = std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE);
    }
    HANDLE handle = InsertHandle(event);
    // The platform reports whether a named event was new even on success.
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
    if (ShouldFail("SetEvent")) return FALSE;
    std::shared_ptr<Event> event = ReferenceEvent(hEvent, "SetEvent");
    if (!event) return FALSE;
    SetEventObject(*event);
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE hEvent) {
    if (ShouldFail("ResetEvent")) return FALSE;
    std::shared_ptr<Event> event = ReferenceEvent(hEvent, "ResetEvent");
    if (!event) return FALSE;
    KernelGuard lock(KernelLock());
    event->ResetLocked();
    return TRUE;
}

}  // extern "C"
