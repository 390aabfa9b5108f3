// Shared scaffolding for host scenario tests: a fresh world per test, and the
// monitor running on a thread of its own, as a process of its own.
#pragma once

#include <gtest/gtest.h>
#include <hxsim/launch_gate.h>
#include <hxsim/world.h>

#include <dbt.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "device.h"
#include "device_monitor.h"
#include "event_worker.h"
#include "launch_event.h"
#include "monitor.h"
#include "monitor_watchdog.h"

namespace hxtest {

inline constexpr const char* kCameraService = "RUdiDOVUDIRUR";
inline constexpr const char* kDriverClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
inline constexpr const char* kRegisteredApplications =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\StillImage\\Registered Applications";

// Every test starts from an empty world and must leave no handle misused.
class WorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        hxsim::ResetWorld();
        baseline_ = hxsim::OpenHandles();
    }
    void TearDown() override {
        EXPECT_EQ(hxsim::HandleMisuse(), std::vector<std::string>{});
        EXPECT_EQ(hxsim::RegistryWrites(), std::vector<std::string>{});
        hxsim::ClearFaults();
    }
    // Open handles beyond those present when the test began.
    size_t HandlesOpenedSinceStart() const {
        return hxsim::OpenHandles().total() - baseline_.total();
    }

    hxsim::HandleCounts baseline_;
};

inline const HINSTANCE kMonitorInstance = reinterpret_cast<HINSTANCE>(0x400000);

inline constexpr std::chrono::milliseconds kMonitorEndLimit{5000};

// MonitorMain on the test's own thread, for runs that end by themselves (a
// second copy, a start that fails). A run that does not end within the limit
// is ended by a watchdog and fails the test, saying so.
inline int RunMonitorToItsEnd() {
    MonitorWatchdog watchdog(GetCurrentThreadId(), kMonitorEndLimit);
    const int exitCode = MonitorMain(kMonitorInstance);
    watchdog.Ended();
    watchdog.ReportAsFailure("MonitorMain, expected to return at once,", exitCode);
    return exitCode;
}

// MonitorMain on its own thread, as a process that ends when it returns;
// closing it sends WM_CLOSE from outside, as another program would, and
// collects the exit code.
class RunningMonitor {
public:
    RunningMonitor() {
        thread_ = std::thread([this] {
            pidPromise_.set_value(hxsim::BeginProcess());
            exitCode_ = MonitorMain(kMonitorInstance);
            ended_ = true;
            hxsim::EndProcess();
        });
        window_ = hxsim::WaitForWindow("hxMonitor");
        if (window_ != nullptr)
            monitorThread_ = GetWindowThreadProcessId(window_, nullptr);
    }
    RunningMonitor(const RunningMonitor&) = delete;
    RunningMonitor& operator=(const RunningMonitor&) = delete;
    ~RunningMonitor() {
        if (thread_.joinable())
            Close();
    }

    HWND window() const { return window_; }
    bool ended() const { return ended_; }
    DWORD pid() const { return pid_.get(); }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(window_, message, wParam, lParam);
    }

    // Posts WM_CLOSE and waits for MonitorMain to return its exit code.
    int Close() {
        if (window_ != nullptr && !ended_)
            PostMessageA(window_, WM_CLOSE, 0, 0);
        return Join();
    }

    // Waits for MonitorMain to return without being asked to (it was told
    // to end some other way); a monitor that does not is ended and fails the test.
    int Join() {
        MonitorWatchdog watchdog(monitorThread_, kMonitorEndLimit);
        thread_.join();
        watchdog.Ended();
        watchdog.ReportAsFailure("The monitor, told to end,", exitCode_);
        return exitCode_;
    }

private:
    std::thread thread_;
    std::promise<DWORD> pidPromise_;
    std::shared_future<DWORD> pid_ = pidPromise_.get_future().share();
    HWND window_ = nullptr;
    DWORD monitorThread_ = 0;
    std::atomic<int> exitCode_{0x7fffffff};
    std::atomic<bool> ended_{false};
};

// Polls a condition the world reaches on another thread; false on timeout.
template <class Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

using hxsim::LaunchGate;

// Registers what "LaunchApplications" names for an event under a driver key.
inline void RegisterEventApplication(const std::string& driverKeyPath, const std::string& event,
                                     const std::string& application) {
    hxsim::SetValue(driverKeyPath + "\\Events\\" + event, "LaunchApplications",
                    hxsim::RegData::Text(application));
}

inline void RegisterApplication(const std::string& name, const std::string& commandLine) {
    hxsim::SetValue(kRegisteredApplications, name, hxsim::RegData::Text(commandLine));
}

// The driver key path of a device desc ("SYSTEM\...\Class\<driver>").
inline std::string DriverKeyOf(const hxsim::DeviceDesc& desc) {
    const auto& bytes = desc.driver->bytes;
    std::string driver(bytes.begin(), bytes.end());
    driver.resize(driver.find('\0') == std::string::npos ? driver.size() : driver.find('\0'));
    return kDriverClassKey + driver;
}

inline std::vector<std::string> LaunchedCommands() {
    std::vector<std::string> commands;
    for (const auto& launch : hxsim::Launches())
        commands.push_back(launch.commandLine);
    return commands;
}

}  // namespace hxtest
