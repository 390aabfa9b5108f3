// What every benchmark program shares: brief mode, sample statistics, the
// monitor running on a thread of its own, and a clean world per scenario.
#pragma once

#include <hxsim/world.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "summary.h"

namespace hxbench {

using Clock = std::chrono::steady_clock;

inline constexpr const char* kRegisteredApplications =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\StillImage\\Registered Applications";

// The driver key path of a device ("SYSTEM\...\Class\<driver>").
std::string DriverKeyOf(const hxsim::DeviceDesc& desc);

// Registers `command` for the event ("SnapButton" or "NewPicture") under the
// device's driver key, through the application name `application`.
void RegisterCommand(const hxsim::DeviceDesc& desc, const std::string& event,
                     const std::string& application, const std::string& command);

// Command-line options every benchmark accepts.
struct Options {
    bool brief = false;   // --brief or HX_BENCH_BRIEF=1: a few seconds, for smoke runs
    long iterations = 0;  // --iterations=N; 0 keeps the program's own count
};
Options ParseOptions(int argc, char** argv);

// Picks the full or the brief count unless --iterations overrides both.
long Iterations(const Options& options, long full, long brief);

double Micros(Clock::duration d);
double Millis(Clock::duration d);

// "median 12.3  p90 ...  p99 ...  max ... (n=...)" in the given unit.
std::string Describe(const Summary& s, const char* unit);

// Records a failed expectation; the program exits non-zero at the end. A
// benchmark whose scenario did not happen as intended has no figure to give.
void Expect(bool condition, const std::string& what);
// Exits with 1 at once.
[[noreturn]] void Abort(const std::string& what);
// 0 when every expectation held, else 1; prints the verdict line.
int Finish(const char* program);

// Prints the machine's load average: the machine is shared, and figures
// taken under load say so.
void PrintMachineLoad();

// Prints "  <label> <value>" with the label padded, for aligned output.
void Row(const std::string& label, const std::string& value);

// Waits for every thread of the world to end, checks that the scenario
// misused no handle and wrote no registry value, and resets the world.
void EndScenario(const char* scenario);

// MonitorMain on a thread of its own, as it would run in its own process;
// records the moment it returns.
class MonitorProcess {
public:
    MonitorProcess();
    MonitorProcess(const MonitorProcess&) = delete;
    MonitorProcess& operator=(const MonitorProcess&) = delete;
    ~MonitorProcess();

    HWND window() const { return window_; }
    // Posts WM_CLOSE, as another program would.
    void PostClose();
    // Waits for MonitorMain to return; its exit code.
    int Join();
    Clock::time_point returnedAt() const { return returnedAt_; }

private:
    std::thread thread_;
    HWND window_ = nullptr;
    std::atomic<int> exitCode_{0x7fffffff};
    Clock::time_point returnedAt_{};
};

// Polls a condition the world reaches on another thread; false on timeout.
template <class Predicate>
bool WaitUntil(Predicate done,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

}  // namespace hxbench
