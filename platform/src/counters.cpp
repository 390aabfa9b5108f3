// Activity counters that tests read to see how much work the product did.

#include "core_internal.h"

#include <hxsim/world.h>

#include <atomic>

namespace hxsim::detail {
namespace {

struct ActivityCounters {
    std::atomic<uint64_t> waitWakeups{0};
    std::atomic<uint64_t> messagesRetrieved{0};
    std::atomic<uint64_t> heapAllocations{0};
};

ActivityCounters& Activity() {
    static auto* counters = new ActivityCounters;
    return *counters;
}

}  // namespace

void CountWaitWakeup() { Activity().waitWakeups.fetch_add(1, std::memory_order_relaxed); }
void CountMessageRetrieved() { Activity().messagesRetrieved.fetch_add(1, std::memory_order_relaxed); }
void CountHeapAllocation() { Activity().heapAllocations.fetch_add(1, std::memory_order_relaxed); }

void ResetCounters() {
    Activity().waitWakeups = 0;
    Activity().messagesRetrieved = 0;
    Activity().heapAllocations = 0;
}

}  // namespace hxsim::detail

namespace hxsim {

Counters ReadCounters() {
    auto& a = detail::Activity();
    Counters c;
    c.waitWakeups = a.waitWakeups.load();
    c.messagesRetrieved = a.messagesRetrieved.load();
    c.heapAllocations = a.heapAllocations.load();
    return c;
}

}  // namespace hxsim
