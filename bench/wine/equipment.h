// What the Wine benches drive and watch: the stand-in camera's control
// device, the running hxMonitor.exe, and the stamp log written by the timing
// stand-in (stamp.c) that the monitor starts as hxAMCap.exe.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace hxbench {

// Generous: bounds waits for things that take milliseconds, on a loaded
// machine under Wine.
constexpr DWORD kServeTimeoutMs = 15000;

struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// The performance counter: one clock for every process of the machine.
std::int64_t Now();
double TicksToMs(std::int64_t ticks);

// ---------------------------------------------------------------- camera

// The driver's counters (camctl record), those the benches compare.
struct DriverCounters {
    bool interfaceOn = false;
    unsigned armed = 0;
    unsigned opens = 0, closes = 0, arms = 0, disarms = 0, armFailures = 0;
    unsigned presses = 0;
};

std::optional<DriverCounters> ReadDriverCounters();

// Presses the snapshot button the way camctl does. The time is taken after
// the control device is open, right before the driver is told; nullopt when
// the driver refused.
std::optional<std::int64_t> PressButton();

bool Unplug();
bool Plug();

// Waits until the driver's counters satisfy `done`; false when they never
// did within the time.
bool WaitForCounters(const std::function<bool(const DriverCounters &)> &done, DWORD timeoutMs);

// ---------------------------------------------------------------- monitor

struct OpenHandle {
    std::uintptr_t value = 0;
    unsigned type = 0;  // the system's object type index
    unsigned long access = 0;
    std::string description;  // filled by Monitor::Describe
};

// The running hxMonitor.exe, found by its window as any program would.
class Monitor {
public:
    static std::optional<Monitor> Find(DWORD timeoutMs);

    DWORD Pid() const { return pid_; }
    bool Running() const;
    // The monitor's open handles, from the system's handle table. Wine 8
    // answers GetProcessHandleCount with 0 and reports the size of a
    // process's handle table, not its use, as the process's HandleCount;
    // its list of all handles is exact.
    std::optional<std::vector<OpenHandle>> Handles() const;
    // What GetProcessHandleCount says (0 under Wine 8).
    std::optional<DWORD> ReportedHandleCount() const;
    // Fills in "<type> <name>" of each handle, for reading a leak.
    void Describe(std::vector<OpenHandle> &handles) const;

private:
    DWORD pid_ = 0;
    std::shared_ptr<void> process_;
};

// ---------------------------------------------------------------- stamps

struct Stamp {
    std::int64_t qpc = 0;  // the stand-in's counter at the top of main
    DWORD pid = 0;
    DWORD parent = 0;
};

// The stamp log (HXBENCH_STAMP_LOG) and the named event (HXBENCH_STAMP_EVENT)
// each stand-in sets once its line is written.
class StampLog {
public:
    // Empties the log. Fails when either setting is missing.
    static std::optional<StampLog> Open();

    std::vector<Stamp> Read() const;

    // Waits for the log to hold at least `count` lines; returns them.
    std::optional<std::vector<Stamp>> WaitFor(std::size_t count, DWORD timeoutMs) const;

private:
    std::string path_;
    std::shared_ptr<void> written_;
};

// Waits for a process, by id, to end (it may have ended already).
void WaitForExit(DWORD pid, DWORD timeoutMs);

// The same launch the monitor makes: the bare command "hxAMCap.exe",
// detached, in the Windows directory, nothing inherited. Returns the time
// taken right before CreateProcessA and the new process, or nullopt.
struct BareLaunch {
    std::int64_t called = 0;
    DWORD pid = 0;
    Handle process;
};
std::optional<BareLaunch> LaunchLikeTheMonitor();

}  // namespace hxbench
