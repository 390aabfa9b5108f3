// Injected failures: tests make a named API fail the way the platform does.

#include "sim_internal.h"

#include <hxsim/world.h>

#include <map>
#include <mutex>

namespace hxsim::detail {
namespace {

struct Fault {
    DWORD lastError = 0;
    unsigned skip = 0;       // calls that still pass before the failures
    unsigned remaining = 0;  // failures still due
    bool forever = false;
};

class FaultPlan {
public:
    void Add(const std::string& api, Fault fault) {
        std::lock_guard<std::mutex> lock(mutex_);
        faults_[api] = fault;
    }

    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        faults_.clear();
    }

    // The last error to fail with, or nothing when this call passes.
    bool Due(const char* api, DWORD* lastError) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = faults_.find(api);
        if (it == faults_.end()) return false;
        Fault& fault = it->second;
        if (fault.skip > 0) {
            --fault.skip;
            return false;
        }
        *lastError = fault.lastError;
        if (!fault.forever && --fault.remaining == 0) faults_.erase(it);
        return true;
    }

private:
    std::mutex mutex_;
    std::map<std::string, Fault, std::less<>> faults_;
};

FaultPlan& Plan() {
    static auto* plan = new FaultPlan;
    return *plan;
}

}  // namespace

bool ShouldFail(const char* api) {
    DWORD lastError = 0;
    if (!Plan().Due(api, &lastError)) return false;
    ::SetLastError(lastError);
    return true;
}

}  // namespace hxsim::detail

namespace hxsim {

void FailCall(const std::string& api, DWORD lastError, unsigned skip, unsigned times) {
    detail::Fault fault;
    fault.lastError = lastError;
    fault.skip = skip;
    fault.remaining = times;
    fault.forever = times == 0;
    detail::Plan().Add(api, fault);
}

void ClearFaults() { detail::Plan().Clear(); }

}  // namespace hxsim
