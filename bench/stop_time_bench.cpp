// How long closing takes: from WM_CLOSE posted by another program to the
// return of MonitorMain. With the worker idle it should be a matter of
// microseconds; with the worker stuck inside a slow launch the main thread
// gives up after its bounded wait (400 ms) and ends anyway.
#include <cstdio>
#include <string>

#include <hxsim/launch_gate.h>

#include "bench_support.h"

namespace {

using hxbench::Clock;
using hxsim::LaunchGate;

// Posts WM_CLOSE and returns the time until MonitorMain returned.
Clock::duration CloseAndTime(hxbench::MonitorProcess& monitor) {
    const auto start = Clock::now();
    monitor.PostClose();
    hxbench::Expect(monitor.Join() == 0, "exit code after WM_CLOSE is 0");
    return monitor.returnedAt() - start;
}

void IdleWorkerScenario(long count) {
    std::vector<double> samples;
    for (long i = 0; i < count; ++i) {
        const auto camera = hxsim::AddDevice(hxsim::CameraDesc());
        {
            hxbench::MonitorProcess monitor;
            if (!hxbench::WaitUntil([&] { return hxsim::IsArmed(camera); }))
                hxbench::Abort("the camera was not armed");
            // Let the worker reach its wait: the stop must find it idle.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            samples.push_back(hxbench::Micros(CloseAndTime(monitor)));
        }
        hxbench::Expect(!hxsim::IsArmed(camera), "the worker disarmed the camera before the exit");
        hxbench::EndScenario("idle worker");
    }
    const auto s = hxbench::Summarize(samples);
    std::printf("\nWorker idle (camera armed, nothing launching)\n");
    hxbench::Row("WM_CLOSE -> MonitorMain returns", hxbench::Describe(s, "us"));
    hxbench::Row("within the 400 ms bound", s.max < 400000.0 ? "yes" : "NO");
}

void NoWorkerScenario(long count) {
    std::vector<double> samples;
    for (long i = 0; i < count; ++i) {
        {
            hxbench::MonitorProcess monitor;
            // Settled into its message loop, as the worker case is.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            samples.push_back(hxbench::Micros(CloseAndTime(monitor)));
        }
        hxbench::EndScenario("no worker");
    }
    std::printf("\nNo camera, no worker\n");
    hxbench::Row("WM_CLOSE -> MonitorMain returns",
                 hxbench::Describe(hxbench::Summarize(samples), "us"));
}

// The worker is held inside CreateProcessA while the monitor is closed: the
// close must end after the bounded wait, and the worker must finish later
// without touching anything the main thread closed.
void SlowLaunchScenario(long count) {
    std::vector<double> samples;
    for (long i = 0; i < count; ++i) {
        const auto camera = hxsim::AddDevice(hxsim::CameraDesc());
        {
            LaunchGate gate;
            hxbench::MonitorProcess monitor;
            if (!hxbench::WaitUntil([&] { return hxsim::IsArmed(camera); }))
                hxbench::Abort("the camera was not armed");
            hxbench::Expect(hxsim::PressSnapButton(camera), "press while armed");
            if (!gate.WaitForEntered())
                hxbench::Abort("the press did not reach CreateProcessA");
            samples.push_back(hxbench::Millis(CloseAndTime(monitor)));
            gate.Open();
            // The late worker finishes its launch and disarms the camera.
            hxbench::Expect(hxsim::WaitForThreadsToEnd(),
                            "the worker ends once its launch returns");
        }
        hxbench::Expect(!hxsim::IsArmed(camera), "the late worker still disarmed the camera");
        hxbench::EndScenario("slow launch");
    }
    const auto s = hxbench::Summarize(samples);
    std::printf("\nWorker stuck in a launch (held in CreateProcessA until after the exit)\n");
    hxbench::Row("WM_CLOSE -> MonitorMain returns", hxbench::Describe(s, "ms"));
    char text[120];
    std::snprintf(text, sizeof(text), "%s (bounded wait 400 ms; max over it by %.1f ms)",
                  s.min >= 399.0 && s.max < 500.0 ? "yes" : "NO", s.max - 400.0);
    hxbench::Row("ends after the bounded wait", text);
    hxbench::Expect(s.min >= 399.0, "the main thread waited the full bound for a busy worker");
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = hxbench::ParseOptions(argc, argv);
    const long idle = hxbench::Iterations(options, 200, 20);
    const long slow = options.brief ? 2 : 10;
    std::printf(
        "Stop time: %ld closes with the worker idle, %ld with no worker, "
        "%ld during a slow launch\n",
        idle, idle, slow);
    hxsim::ResetWorld();
    IdleWorkerScenario(idle);
    NoWorkerScenario(idle);
    SlowLaunchScenario(slow);
    return hxbench::Finish("stop_time");
}
