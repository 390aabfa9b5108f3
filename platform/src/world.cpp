// The world as a whole: reset between tests and the handle counts across
// every family.

#include "core_internal.h"

#include <hxsim/world.h>

namespace hxsim::detail {

void ResetKernel() {
    ResetHandleTable();
    ResetThreads();
    ResetNamedObjects();
    ResetHeap();
    ResetSrwLocks();
    ResetDebugOutput();
    ResetCounters();
    ResetCodePage();
}

}  // namespace hxsim::detail

namespace hxsim {

void ResetWorld() {
    ClearFaults();
    // Windows first: their teardown must not meet a half-reset kernel.
    detail::ResetWindows();
    detail::ResetDevices();
    detail::ResetDriver();
    detail::ResetRegistry();
    detail::ResetProcesses();
    detail::ResetKernel();
}

HandleCounts OpenHandles() {
    using detail::ObjectKind;
    HandleCounts counts;
    counts.kernel = detail::CountOpenHandles(ObjectKind::Event) +
                    detail::CountOpenHandles(ObjectKind::Thread) +
                    detail::CountOpenHandles(ObjectKind::Process) +
                    detail::CountOpenHandles(ObjectKind::File);
    counts.registryKeys = detail::CountOpenKeys();
    counts.devInfoSets = detail::CountDevInfoSets();
    counts.notifications = detail::CountNotifications();
    return counts;
}

}  // namespace hxsim
