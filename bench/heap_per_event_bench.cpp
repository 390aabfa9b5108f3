// Heap allocations made by the monitor. Everything lives in fixed buffers
// except one block: the interface detail read when the camera is found at
// start-up. Each phase's HeapAlloc count is shown; every phase but that one
// must allocate nothing, and no block may be left behind.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "bench_support.h"

namespace {

uint64_t Allocations() {
    return hxsim::ReadCounters().heapAllocations;
}

// Runs `phase` and prints how many allocations it made, per repetition when
// it repeats something `count` times.
uint64_t Phase(const char* label, long count, const char* unit,
               const std::function<void()>& phase) {
    const uint64_t before = Allocations();
    phase();
    const uint64_t made = Allocations() - before;
    char text[120];
    if (count > 1)
        std::snprintf(text, sizeof(text), "%llu in %ld %ss = %.4f per %s",
                      static_cast<unsigned long long>(made), count, unit,
                      static_cast<double>(made) / static_cast<double>(count), unit);
    else
        std::snprintf(text, sizeof(text), "%llu", static_cast<unsigned long long>(made));
    hxbench::Row(label, text);
    return made;
}

// Presses and picture reports in turn, each waited for until it launched.
void Signal(hxsim::DeviceId camera, long count) {
    const size_t base = hxsim::Launches().size();
    for (long i = 0; i < count; ++i) {
        const bool sent =
            i % 2 == 0 ? hxsim::PressSnapButton(camera) : hxsim::ReportNewPicture(camera);
        if (!sent || !hxsim::WaitForLaunches(base + static_cast<size_t>(i) + 1))
            hxbench::Abort("an event did not launch");
    }
}

void CameraAtStartScenario(long events) {
    std::printf("\nCamera present at start (default programs)\n");
    const auto camera = hxsim::AddDevice(hxsim::CameraDesc());
    std::unique_ptr<hxbench::MonitorProcess> monitor;

    const uint64_t startup = Phase("start-up until armed", 1, "", [&] {
        monitor = std::make_unique<hxbench::MonitorProcess>();
        if (!hxbench::WaitUntil([&] { return hxsim::IsArmed(camera); }))
            hxbench::Abort("the camera was not armed");
    });
    hxbench::Row("  of which still live", std::to_string(hxsim::LiveHeapBlocks()));
    hxbench::Expect(startup == 1, "start-up with the camera allocates the one detail block");
    hxbench::Expect(hxsim::LiveHeapBlocks() == 0, "the detail block is freed at once");

    const uint64_t perEvent =
        Phase("events (default programs)", events, "event", [&] { Signal(camera, events); });
    hxbench::Expect(perEvent == 0, "events allocate nothing");

    const uint64_t close = Phase("close", 1, "", [&] {
        monitor->PostClose();
        hxbench::Expect(monitor->Join() == 0, "exit code after WM_CLOSE is 0");
    });
    hxbench::Expect(close == 0, "closing allocates nothing");
    monitor.reset();
    hxbench::EndScenario("camera at start");
}

void CameraArrivesScenario(long events, long cycles) {
    std::printf("\nCamera arrives later (registered programs read from its driver key)\n");
    const auto desc = hxsim::CameraDesc();
    hxbench::RegisterCommand(desc, "SnapButton", "Bench Snap", "C:\\Imaging\\snap.exe");
    hxbench::RegisterCommand(desc, "NewPicture", "Bench Picture", "C:\\Imaging\\picture.exe");
    std::unique_ptr<hxbench::MonitorProcess> monitor;
    hxsim::DeviceId camera = 0;

    const uint64_t startup = Phase("start-up without a camera", 1, "",
                                   [&] { monitor = std::make_unique<hxbench::MonitorProcess>(); });
    hxbench::Expect(startup == 0, "start-up without a camera allocates nothing");

    const uint64_t arrival = Phase("arrival until armed", 1, "", [&] {
        camera = hxsim::PlugIn(desc);
        if (!hxbench::WaitUntil([&] { return hxsim::IsArmed(camera); }))
            hxbench::Abort("the arriving camera was not armed");
    });
    hxbench::Expect(arrival == 0, "an arrival allocates nothing");

    const uint64_t perEvent =
        Phase("events (registered programs)", events, "event", [&] { Signal(camera, events); });
    hxbench::Expect(perEvent == 0, "events allocate nothing");
    const auto launches = hxsim::Launches();
    hxbench::Expect(!launches.empty() && launches.back().commandLine == "C:\\Imaging\\picture.exe",
                    "the registered programs were started");

    const uint64_t hotplug = Phase("removal + arrival cycles", cycles, "cycle", [&] {
        for (long i = 0; i < cycles; ++i) {
            hxsim::Unplug(camera);
            camera = hxsim::PlugIn(desc);
            if (!hxbench::WaitUntil([&] { return hxsim::IsArmed(camera); }))
                hxbench::Abort("the camera was not armed again");
        }
    });
    hxbench::Expect(hotplug == 0, "removal and arrival allocate nothing");

    const uint64_t close = Phase("close", 1, "", [&] {
        monitor->PostClose();
        hxbench::Expect(monitor->Join() == 0, "exit code after WM_CLOSE is 0");
    });
    hxbench::Expect(close == 0, "closing allocates nothing");
    hxbench::Expect(hxsim::LiveHeapBlocks() == 0, "no heap block left behind");
    monitor.reset();
    hxbench::EndScenario("camera arrives");
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = hxbench::ParseOptions(argc, argv);
    const long events = hxbench::Iterations(options, 2000, 100);
    const long cycles = options.brief ? 10 : 100;
    std::printf("Heap allocations (HeapAlloc calls, the monitor's only allocator)\n");
    hxsim::ResetWorld();
    CameraAtStartScenario(events);
    CameraArrivesScenario(events, cycles);
    return hxbench::Finish("heap_per_event");
}
