// From the camera driver's signal to the call that creates the process,
// against the cheapest reaction the platform allows: a bare thread woken by
// an auto-reset event. Both are measured in the same run, press by press in
// turn, so that the shared machine's noise falls on both alike.
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "bench_support.h"

namespace {

using hxbench::Clock;

constexpr const char* kRegisteredCommand = "C:\\Imaging\\snap.exe /button";

// Where the reacting thread posts the moment it reacted.
class Arrival {
public:
    void Post(Clock::time_point at) {
        std::lock_guard<std::mutex> lock(mutex_);
        at_ = at;
        ++sequence_;
        posted_.notify_one();
    }
    uint64_t sequence() {
        std::lock_guard<std::mutex> lock(mutex_);
        return sequence_;
    }
    // Waits for the post after `seen`; false on timeout.
    bool WaitAfter(uint64_t seen, Clock::time_point* at) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::seconds(5), [&] { return sequence_ > seen; }))
            return false;
        *at = at_;
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    uint64_t sequence_ = 0;
    Clock::time_point at_{};
};

// The baseline: a thread of the substitute platform that does nothing but
// wait on an auto-reset event and note when it woke.
class BareWaiter {
public:
    BareWaiter() {
        event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, Routine, this, 0, nullptr);
        if (event_ == nullptr || thread_ == nullptr)
            hxbench::Abort("the baseline's event or thread could not be created");
    }
    ~BareWaiter() {
        stopping_ = true;
        SetEvent(event_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(event_);
    }
    void Signal() { SetEvent(event_); }
    Arrival& arrival() { return arrival_; }

private:
    static DWORD WINAPI Routine(LPVOID parameter) {
        auto* self = static_cast<BareWaiter*>(parameter);
        // The monitor's worker runs at this priority too.
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
        for (;;) {
            if (WaitForSingleObject(self->event_, INFINITE) != WAIT_OBJECT_0)
                return 1;
            const auto woke = Clock::now();
            if (self->stopping_)
                return 0;
            self->arrival_.Post(woke);
        }
    }

    HANDLE event_ = nullptr;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stopping_{false};
    Arrival arrival_;
};

struct Samples {
    std::vector<double> monitor;
    std::vector<double> baseline;
};

// Alternates a press on the camera with a wake of the bare waiter. Each
// measurement waits for its reaction before the next one starts, and a short
// pause lets the reacting thread settle back into its wait first.
Samples Measure(hxsim::DeviceId camera, Arrival& launches, BareWaiter& waiter, long warmup,
                long count) {
    Samples samples;
    samples.monitor.reserve(static_cast<size_t>(count));
    samples.baseline.reserve(static_cast<size_t>(count));

    const auto pressOnce = [&](bool record) {
        const uint64_t seen = launches.sequence();
        const auto start = Clock::now();
        if (!hxsim::PressSnapButton(camera))
            hxbench::Abort("the camera was not armed");
        Clock::time_point reacted;
        if (!launches.WaitAfter(seen, &reacted))
            hxbench::Abort("a press started no process within 5 s");
        if (record)
            samples.monitor.push_back(hxbench::Micros(reacted - start));
    };
    const auto wakeOnce = [&](bool record) {
        const uint64_t seen = waiter.arrival().sequence();
        const auto start = Clock::now();
        waiter.Signal();
        Clock::time_point reacted;
        if (!waiter.arrival().WaitAfter(seen, &reacted))
            hxbench::Abort("the bare waiter did not wake within 5 s");
        if (record)
            samples.baseline.push_back(hxbench::Micros(reacted - start));
    };

    for (long i = 0; i < warmup + count; ++i) {
        const bool record = i >= warmup;
        // Alternate which goes first, so neither always follows the other.
        if (i % 2 == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            pressOnce(record);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            wakeOnce(record);
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            wakeOnce(record);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            pressOnce(record);
        }
    }
    return samples;
}

void Report(const char* title, const Samples& samples, const std::vector<double>& roundRatios) {
    const auto monitor = hxbench::Summarize(samples.monitor);
    const auto baseline = hxbench::Summarize(samples.baseline);
    std::printf("\n%s\n", title);
    hxbench::Row("press -> CreateProcessA (monitor)", hxbench::Describe(monitor, "us"));
    hxbench::Row("SetEvent -> wake (bare thread)", hxbench::Describe(baseline, "us"));
    const double medianRatio = monitor.median / baseline.median;
    const double p99Ratio = monitor.p99 / baseline.p99;
    char text[160];
    std::snprintf(text, sizeof(text), "median %.2fx   p99 %.2fx   (target: within 2x: %s)",
                  medianRatio, p99Ratio, medianRatio <= 2.0 ? "met" : "MISSED");
    hxbench::Row("ratio monitor / baseline", text);
    std::string rounds;
    for (double ratio : roundRatios) {
        std::snprintf(text, sizeof(text), "%s%.2fx", rounds.empty() ? "" : "  ", ratio);
        rounds += text;
    }
    hxbench::Row("median ratio per round", rounds);
}

void Append(Samples& all, const Samples& round, std::vector<double>& roundRatios) {
    all.monitor.insert(all.monitor.end(), round.monitor.begin(), round.monitor.end());
    all.baseline.insert(all.baseline.end(), round.baseline.begin(), round.baseline.end());
    roundRatios.push_back(hxbench::Summarize(round.monitor).median /
                          hxbench::Summarize(round.baseline).median);
}

struct Plan {
    long rounds;
    long perRound;
    long warmup;
};

// One launch per press of the round, the last of them `command`.
void ExpectRoundLaunches(const Plan& plan, const std::string& command, const char* started) {
    const auto recorded = hxsim::Launches();
    const auto presses = static_cast<size_t>(plan.warmup + plan.perRound);
    hxbench::Expect(recorded.size() == presses,
                    "one launch per press (" + std::to_string(recorded.size()) +
                        " launches for " + std::to_string(presses) + " presses)");
    hxbench::Expect(!recorded.empty() && recorded.back().commandLine == command, started);
}

// The camera is present at start-up with nothing registered under its
// driver key: every press finds no event subkey and takes the default.
void DefaultCommandScenario(const Plan& plan) {
    Samples all;
    std::vector<double> roundRatios;
    for (long round = 0; round < plan.rounds; ++round) {
        const auto camera = hxsim::AddDevice(hxsim::CameraDesc());
        Arrival launches;
        hxsim::OnCreateProcess([&](const std::string&) { launches.Post(Clock::now()); });
        {
            BareWaiter waiter;
            hxbench::MonitorProcess monitor;
            if (!hxbench::WaitUntil([&] { return hxsim::IsArmed(camera); }))
                hxbench::Abort("the camera present at start was not armed");
            Append(all, Measure(camera, launches, waiter, plan.warmup, plan.perRound), roundRatios);
            monitor.PostClose();
            hxbench::Expect(monitor.Join() == 0, "exit code after WM_CLOSE is 0");
        }
        ExpectRoundLaunches(plan, "hxAMCap.exe", "the default program was started");
        hxbench::EndScenario("default program");
    }
    Report("Camera present at start (nothing registered: default program)", all, roundRatios);
}

// The camera arrives while the monitor runs: its driver key is held, and
// every press reads the registration and the registered command line.
void RegisteredCommandScenario(const Plan& plan) {
    Samples all;
    std::vector<double> roundRatios;
    for (long round = 0; round < plan.rounds; ++round) {
        const auto desc = hxsim::CameraDesc();
        hxbench::RegisterCommand(desc, "SnapButton", "Bench Imaging", kRegisteredCommand);
        Arrival launches;
        hxsim::OnCreateProcess([&](const std::string&) { launches.Post(Clock::now()); });
        {
            BareWaiter waiter;
            hxbench::MonitorProcess monitor;
            const auto camera = hxsim::PlugIn(desc);
            if (!hxbench::WaitUntil([&] { return hxsim::IsArmed(camera); }))
                hxbench::Abort("the arriving camera was not armed");
            Append(all, Measure(camera, launches, waiter, plan.warmup, plan.perRound), roundRatios);
            monitor.PostClose();
            hxbench::Expect(monitor.Join() == 0, "exit code after WM_CLOSE is 0");
        }
        ExpectRoundLaunches(plan, kRegisteredCommand, "the registered program was started");
        hxbench::EndScenario("registered program");
    }
    Report("Camera arrived (registered program read from its driver key)", all, roundRatios);
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = hxbench::ParseOptions(argc, argv);
    const long count = hxbench::Iterations(options, 10000, 300);
    // Fresh threads each round, so that one unlucky placement of a thread on
    // the shared machine does not colour a whole scenario.
    const Plan plan{5, (count + 4) / 5, options.brief ? 20 : 100};

    std::printf(
        "Signal to launch: %ld measured presses per scenario in %ld rounds (each after %ld "
        "warm-up), each press alternated with one wake of a bare thread on an auto-reset event\n",
        plan.rounds * plan.perRound, plan.rounds, plan.warmup);
    hxbench::PrintMachineLoad();
    hxsim::ResetWorld();
    DefaultCommandScenario(plan);
    RegisteredCommandScenario(plan);
    hxbench::PrintMachineLoad();
    return hxbench::Finish("signal_to_launch");
}
