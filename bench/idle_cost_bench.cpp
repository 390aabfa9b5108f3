// What the monitor costs while nothing happens: over an idle window its
// threads must not wake at all. The substitute counts every return from a
// wait and every message fetched, so a poll, a timer or a spurious loop
// shows up as a count; the process's CPU time is shown beside it.
//
// Each scenario ends with a control step (one press, one message) that must
// move the counters, so that a zero above it means "no work" and not "not
// counted".
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "bench_support.h"

namespace {

double ProcessCpuMillis() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Activity {
    hxsim::Counters counters;
    double cpuMillis = 0;
};

Activity Now() {
    return {hxsim::ReadCounters(), ProcessCpuMillis()};
}

// Waits until start-up activity has died down: the counters stay still for
// 100 ms. Starting, arming and the first wait all count once.
void Settle() {
    auto last = hxsim::ReadCounters();
    for (int quiet = 0, rounds = 0; quiet < 2 && rounds < 100; ++rounds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto now = hxsim::ReadCounters();
        const bool still =
            now.waitWakeups == last.waitWakeups && now.messagesRetrieved == last.messagesRetrieved;
        quiet = still ? quiet + 1 : 0;
        last = now;
    }
}

// Idles for `window` and reports what the monitor's threads did meanwhile.
void IdleWindow(const char* scenario, std::chrono::milliseconds window) {
    Settle();
    const auto before = Now();
    std::this_thread::sleep_for(window);
    const auto after = Now();

    const uint64_t wakeups = after.counters.waitWakeups - before.counters.waitWakeups;
    const uint64_t messages = after.counters.messagesRetrieved - before.counters.messagesRetrieved;
    const uint64_t allocations = after.counters.heapAllocations - before.counters.heapAllocations;
    char text[120];
    std::snprintf(text, sizeof(text), "%.1f s", window.count() / 1000.0);
    hxbench::Row("idle window", text);
    hxbench::Row("wait wake-ups", std::to_string(wakeups) + "   (target 0)");
    hxbench::Row("messages retrieved", std::to_string(messages) + "   (target 0)");
    hxbench::Row("heap allocations", std::to_string(allocations));
    std::snprintf(text, sizeof(text), "%.2f ms (whole process, %.4f%% of one core)",
                  after.cpuMillis - before.cpuMillis,
                  100.0 * (after.cpuMillis - before.cpuMillis) / window.count());
    hxbench::Row("CPU time", text);
    hxbench::Expect(wakeups == 0, std::string(scenario) + ": no wait returned while idle");
    hxbench::Expect(messages == 0, std::string(scenario) + ": no message was fetched while idle");
}

void CameraArmedScenario(std::chrono::milliseconds window) {
    std::printf("\nCamera present and armed; worker waiting, main thread in its message loop\n");
    const auto camera = hxsim::AddDevice(hxsim::CameraDesc());
    hxbench::MonitorProcess monitor;
    if (!hxbench::WaitUntil([&] { return hxsim::IsArmed(camera); }))
        hxbench::Abort("the camera was not armed");

    IdleWindow("camera armed", window);

    const auto before = hxsim::ReadCounters();
    hxbench::Expect(hxsim::PressSnapButton(camera), "the camera is still armed after idling");
    hxbench::Expect(hxsim::WaitForLaunches(1), "a press after idling starts a program");
    hxbench::Expect(
        hxbench::WaitUntil([&] { return hxsim::ReadCounters().waitWakeups > before.waitWakeups; }),
        "control: one press counts as a wake-up");
    hxbench::Row("control: wake-ups for one press",
                 std::to_string(hxsim::ReadCounters().waitWakeups - before.waitWakeups));

    monitor.PostClose();
    hxbench::Expect(monitor.Join() == 0, "exit code after WM_CLOSE is 0");
    hxbench::EndScenario("camera armed");
}

void NoCameraScenario(std::chrono::milliseconds window) {
    std::printf("\nNo camera; main thread alone in its message loop\n");
    hxbench::MonitorProcess monitor;

    IdleWindow("no camera", window);

    const auto before = hxsim::ReadCounters();
    PostMessageA(monitor.window(), WM_COMMAND, 0, 0);
    hxbench::Expect(hxbench::WaitUntil([&] {
                        return hxsim::ReadCounters().messagesRetrieved > before.messagesRetrieved;
                    }),
                    "control: a posted message counts as retrieved");
    hxbench::Row(
        "control: messages for one WM_COMMAND",
        std::to_string(hxsim::ReadCounters().messagesRetrieved - before.messagesRetrieved));

    monitor.PostClose();
    hxbench::Expect(monitor.Join() == 0, "exit code after WM_CLOSE is 0");
    hxbench::EndScenario("no camera");
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = hxbench::ParseOptions(argc, argv);
    const auto window = std::chrono::milliseconds(hxbench::Iterations(options, 10000, 1000));
    std::printf(
        "Idle cost: the monitor's activity over an idle window of %ld ms "
        "(--iterations=N sets the window in ms)\n",
        static_cast<long>(window.count()));
    hxsim::ResetWorld();
    CameraArmedScenario(window);
    NoCameraScenario(window);
    return hxbench::Finish("idle_cost");
}
