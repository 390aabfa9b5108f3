// OutputDebugStringA: the text goes to a log that tests read.

#include "core_internal.h"

#include <hxsim/world.h>

#include <mutex>

namespace hxsim::detail {
namespace {

class DebugLog {
public:
    void Append(std::string line) {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(std::move(line));
    }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

DebugLog& Log() {
    static auto* log = new DebugLog;
    return *log;
}

}  // namespace

void ResetDebugOutput() { Log().Clear(); }

}  // namespace hxsim::detail

namespace hxsim {

std::vector<std::string> DebugOutput() { return detail::Log().Lines(); }

}  // namespace hxsim

extern "C" void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
    hxsim::detail::Log().Append(lpOutputString ? lpOutputString : "");
}
