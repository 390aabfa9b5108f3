// Benches of the real hxMonitor.exe under Wine with the stand-in camera.
// Run by bench/wine/run.sh, which starts the monitor, points the timing
// stand-in at a stamp log and tells us where (HXBENCH_STAMP_LOG,
// HXBENCH_STAMP_EVENT).
//
//   hxwinebench presses N          press to program start, beside a bare
//                                  CreateProcessA of the same program
//   hxwinebench soak PRESSES CYCLES  presses and unplug/plug cycles; the
//                                  monitor's open handles and the launches
//   hxwinebench stress CYCLES IDLE_MS  unplug/plug cycles, each after the
//                                  monitor has been idle IDLE_MS; how many
//                                  ended with the camera unserved
//   hxwinebench handles [--list]   waits for the monitor to arm the camera,
//                                  prints its pid and handle count (--list:
//                                  and each handle's type and name)
//
// Exit code 0 when every press was served by exactly one launch (and, for
// soak, nothing leaked), 1 otherwise, 2 on bad usage.
#include "equipment.h"
#include "../summary.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace hxbench {
namespace {

int Fail(const std::string &what)
{
    std::printf("FAIL: %s\n", what.c_str());
    std::fflush(stdout);
    return 1;
}

// One served press: the stand-in's start, in ms after the press.
struct Served {
    double ms = 0;
    std::string error;
};

// Presses once and waits for exactly one new stamp line, written by a
// program the monitor started, and for that program to end, so the next
// measurement starts on a quiet machine. `lines` counts the stamp lines.
Served PressAndWait(const Monitor &monitor, const StampLog &log, std::size_t &lines)
{
    Served served;
    const auto pressed = PressButton();
    if (!pressed) {
        served.error = "the driver refused the press";
        return served;
    }
    const auto stamps = log.WaitFor(lines + 1, kServeTimeoutMs);
    if (!stamps) {
        served.error = "a press started nothing within " + std::to_string(kServeTimeoutMs / 1000) + " s";
        return served;
    }
    if (stamps->size() != lines + 1) {
        served.error = "one press started " + std::to_string(stamps->size() - lines) + " programs";
        return served;
    }
    const Stamp &stamp = stamps->back();
    if (stamp.parent != monitor.Pid()) {
        served.error = "a program started by pid " + std::to_string(stamp.parent) +
                       ", not by the monitor (" + std::to_string(monitor.Pid()) + ")";
        return served;
    }
    ++lines;
    served.ms = TicksToMs(stamp.qpc - *pressed);
    WaitForExit(stamp.pid, kServeTimeoutMs);
    return served;
}

Served LaunchAndWait(const StampLog &log, std::size_t &lines)
{
    Served served;
    auto launch = LaunchLikeTheMonitor();
    if (!launch) {
        served.error = "CreateProcessA of hxAMCap.exe failed, error " + std::to_string(GetLastError());
        return served;
    }
    WaitForSingleObject(launch->process.get(), kServeTimeoutMs);
    const auto stamps = log.WaitFor(lines + 1, kServeTimeoutMs);
    if (!stamps || stamps->size() != lines + 1 || stamps->back().pid != launch->pid) {
        served.error = "the bare launch did not write exactly its own line";
        return served;
    }
    ++lines;
    served.ms = TicksToMs(stamps->back().qpc - launch->called);
    return served;
}

void PrintRow(const char *name, const Summary &s)
{
    std::printf("  %-34s %8.2f %8.2f %8.2f %8.2f %8.2f\n", name, s.median, s.p90, s.p99,
                s.min, s.max);
}

std::optional<Monitor> ArmedMonitor()
{
    auto monitor = Monitor::Find(kServeTimeoutMs);
    if (!monitor)
        return std::nullopt;
    if (!WaitForCounters([](const DriverCounters &c) { return c.armed != 0; }, kServeTimeoutMs))
        return std::nullopt;
    return monitor;
}

// Let whatever the monitor does after a change (a re-arm, a launch) finish
// before its state is read.
constexpr DWORD kSettleMs = 1000;

int Presses(unsigned count)
{
    constexpr unsigned kWarmUp = 3;  // the first starts load files from disk
    const auto monitor = ArmedMonitor();
    if (!monitor)
        return Fail("no armed hxMonitor.exe (window of class hxMonitor, camera armed)");
    const auto log = StampLog::Open();
    if (!log)
        return Fail("HXBENCH_STAMP_LOG / HXBENCH_STAMP_EVENT unset or unusable");
    const auto before = ReadDriverCounters();
    if (!before)
        return Fail("cannot read the driver's record");

    std::vector<double> viaMonitor, bare;
    std::size_t lines = 0;
    // Alternating, so both series see the same machine.
    for (unsigned i = 0; i < kWarmUp + count; ++i) {
        const Served pressed = PressAndWait(*monitor, *log, lines);
        if (!pressed.error.empty())
            return Fail(pressed.error);
        const Served launched = LaunchAndWait(*log, lines);
        if (!launched.error.empty())
            return Fail(launched.error);
        if (i >= kWarmUp) {
            viaMonitor.push_back(pressed.ms);
            bare.push_back(launched.ms);
        }
    }

    // A late second start of any press would show up now.
    Sleep(kSettleMs);
    const auto stamps = log->Read();
    const auto after = ReadDriverCounters();
    unsigned byMonitor = 0;
    for (const Stamp &stamp : stamps)
        byMonitor += stamp.parent == monitor->Pid();
    const unsigned pressesSent = kWarmUp + count;

    std::printf("press to program start under Wine: %u presses (+%u warm-up), each served "
                "before the next\n", count, kWarmUp);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::printf("  clock: QueryPerformanceCounter (%lld Hz), one for all processes; times in ms\n",
                static_cast<long long>(frequency.QuadPart));
    std::printf("  %-34s %8s %8s %8s %8s %8s\n", "", "median", "p90", "p99", "min", "max");
    PrintRow("press -> stand-in start", Summarize(viaMonitor));
    PrintRow("bare CreateProcessA -> start", Summarize(bare));
    // Each press and the bare start after it saw nearly the same machine:
    // their difference is what the monitor's path adds, less the noise.
    std::vector<double> added(viaMonitor.size());
    for (std::size_t i = 0; i < added.size(); ++i)
        added[i] = viaMonitor[i] - bare[i];
    PrintRow("difference of each pair", Summarize(added));
    std::printf("  presses the driver took: %u, stand-in starts by the monitor: %u, "
                "bare starts: %zu\n",
                after ? after->presses - before->presses : 0, byMonitor,
                stamps.size() - byMonitor);

    if (!after || after->presses - before->presses != pressesSent)
        return Fail("the driver did not take every press");
    if (byMonitor != pressesSent || stamps.size() != 2 * pressesSent)
        return Fail("not exactly one start per press");
    return 0;
}

// What a leak (or a release) looks like: the kinds of handle (type, name,
// access) of which there are more, or fewer, at the end. Handle values are
// left out: a handle closed and opened again may come back under another.
void PrintHandleChanges(const std::vector<OpenHandle> &before, const std::vector<OpenHandle> &after)
{
    std::map<std::string, int> change;
    const auto kind = [](const OpenHandle &handle) {
        char access[16];
        std::snprintf(access, sizeof(access), "0x%08lx", handle.access);
        return std::string(access) + " " + handle.description;
    };
    for (const OpenHandle &handle : after)
        ++change[kind(handle)];
    for (const OpenHandle &handle : before)
        --change[kind(handle)];
    for (const auto &[what, count] : change) {
        if (count != 0)
            std::printf("    %+d access %s\n", count, what.c_str());
    }
}

// One unplug/plug cycle, the n-th counted from `base`: the monitor must let
// the camera go (disarm, close) and take it again (open, arm).
std::string UnplugAndPlug(const DriverCounters &base, unsigned n)
{
    const std::string which = "cycle " + std::to_string(n) + ": ";
    if (!Unplug())
        return which + "the driver refused unplug";
    if (!WaitForCounters([&](const DriverCounters &c) {
            return c.disarms >= base.disarms + n && c.closes >= base.closes + n;
        }, kServeTimeoutMs))
        return which + "the monitor did not let the camera go";
    if (!Plug())
        return which + "the driver refused plug";
    if (!WaitForCounters([&](const DriverCounters &c) {
            return c.armed && c.arms >= base.arms + n;
        }, kServeTimeoutMs))
        return which + "the monitor did not arm the camera again";
    return {};
}

int Soak(unsigned presses, unsigned cycles)
{
    const DWORD started = GetTickCount();
    const auto monitor = ArmedMonitor();
    if (!monitor)
        return Fail("no armed hxMonitor.exe (window of class hxMonitor, camera armed)");
    const auto log = StampLog::Open();
    if (!log)
        return Fail("HXBENCH_STAMP_LOG / HXBENCH_STAMP_EVENT unset or unusable");
    Sleep(kSettleMs);
    auto handlesAtStartUp = monitor->Handles();
    const auto atStartUp = ReadDriverCounters();
    if (!handlesAtStartUp || handlesAtStartUp->empty() || !atStartUp)
        return Fail("cannot read the driver's record or the monitor's handles");
    monitor->Describe(*handlesAtStartUp);

    // The baseline is the state after one press and one cycle: Wine sets up
    // some objects of its own on first use.
    std::size_t lines = 0;
    const Served warmUpPress = PressAndWait(*monitor, *log, lines);
    if (!warmUpPress.error.empty())
        return Fail("warm-up: " + warmUpPress.error);
    if (const std::string error = UnplugAndPlug(*atStartUp, 1); !error.empty())
        return Fail("warm-up " + error);
    Sleep(kSettleMs);
    const auto before = ReadDriverCounters();
    auto handlesBefore = monitor->Handles();
    if (!before || !handlesBefore)
        return Fail("cannot read the driver's record or the monitor's handles");
    monitor->Describe(*handlesBefore);

    std::size_t fewestHandles = handlesBefore->size(), mostHandles = handlesBefore->size();
    auto sampleHandles = [&] {
        if (const auto handles = monitor->Handles()) {
            fewestHandles = std::min(fewestHandles, handles->size());
            mostHandles = std::max(mostHandles, handles->size());
        }
    };

    unsigned cyclesDone = 0;
    auto cycle = [&]() {
        std::string error = UnplugAndPlug(*before, cyclesDone + 1);
        if (error.empty()) {
            ++cyclesDone;
            sampleHandles();
        }
        return error;
    };
    std::vector<double> served;
    for (unsigned i = 0; i < presses; ++i) {
        const Served press = PressAndWait(*monitor, *log, lines);
        if (!press.error.empty())
            return Fail(press.error);
        served.push_back(press.ms);
        if (i % 50 == 49)
            sampleHandles();
        // Cycles spread evenly among the presses.
        while (cyclesDone < static_cast<unsigned long long>(i + 1) * cycles / presses) {
            if (const std::string error = cycle(); !error.empty())
                return Fail(error);
        }
    }
    while (cyclesDone < cycles) {
        if (const std::string error = cycle(); !error.empty())
            return Fail(error);
    }

    Sleep(kSettleMs);
    auto handlesAfter = monitor->Handles();
    const auto reported = monitor->ReportedHandleCount();
    const auto after = ReadDriverCounters();
    const auto stamps = log->Read();
    unsigned byMonitor = 0;
    for (const Stamp &stamp : stamps)
        byMonitor += stamp.parent == monitor->Pid();
    const double seconds = (GetTickCount() - started) / 1000.0;

    std::printf("soak under Wine: %u presses, %u unplug/plug cycles (after 1 + 1 warm-up), "
                "%.1f s\n", presses, cycles, seconds);
    std::printf("  monitor pid %lu open handles: start-up %zu, after warm-up %zu, end %zu "
                "(sampled %zu..%zu; GetProcessHandleCount says %lu)\n",
                monitor->Pid(), handlesAtStartUp->size(), handlesBefore->size(),
                handlesAfter ? handlesAfter->size() : 0, fewestHandles, mostHandles,
                reported ? *reported : 0);
    if (handlesBefore->size() != handlesAtStartUp->size()) {
        std::printf("  the warm-up changed:\n");
        PrintHandleChanges(*handlesAtStartUp, *handlesBefore);
    }
    if (handlesAfter && handlesAfter->size() != handlesBefore->size()) {
        monitor->Describe(*handlesAfter);
        std::printf("  the soak changed:\n");
        PrintHandleChanges(*handlesBefore, *handlesAfter);
    }
    if (after) {
        std::printf("  driver: presses %u, opens %u, closes %u, arms %u, disarms %u, "
                    "arm failures %u (soak deltas), armed %u\n",
                    after->presses - before->presses, after->opens - before->opens,
                    after->closes - before->closes, after->arms - before->arms,
                    after->disarms - before->disarms, after->armFailures - before->armFailures,
                    after->armed);
    }
    std::printf("  stand-in starts: %zu (by the monitor: %u) for %u presses + 1 warm-up\n",
                stamps.size(), byMonitor, presses);
    const Summary summary = Summarize(served);
    std::printf("  press -> start during the soak: median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                summary.median, summary.p99, summary.max);

    int failures = 0;
    auto check = [&](bool ok, const char *what) {
        if (!ok) {
            std::printf("FAIL: %s\n", what);
            ++failures;
        }
    };
    check(monitor->Running(), "the monitor is still running");
    check(handlesAfter && handlesAfter->size() == handlesBefore->size(),
          "the monitor's handle count is back where it started");
    check(stamps.size() == presses + 1u && byMonitor == presses + 1u,
          "exactly one start per press");
    check(after && after->presses - before->presses == presses, "the driver took every press");
    check(after && after->arms - before->arms == cycles && after->disarms - before->disarms == cycles,
          "one disarm and one arm per cycle");
    check(after && after->opens - before->opens == cycles && after->closes - before->closes == cycles,
          "one close and one open of the camera per cycle");
    check(after && after->armFailures == atStartUp->armFailures && after->armed,
          "no failed arm, armed at the end");
    std::printf("%s\n", failures ? "soak: FAILED" : "soak: ok");
    std::fflush(stdout);
    return failures ? 1 : 0;
}

// Unplug/plug cycles, each unplug after the monitor's main thread has been
// idle `idleMs`: Wine throws away a notification it sends to a thread idle
// for over 5 s that has just been woken. A cycle is served when the monitor
// let the camera go (disarm, close), took it again (open, arm) and a press
// then started one program. The stand-in keeps its events armed through an
// unplug, so a press alone cannot tell: a real camera's would be gone.
int Stress(unsigned cycles, unsigned idleMs)
{
    constexpr DWORD kNoticeMs = 5000;  // beyond Wine's 2 s send time-out
    const auto monitor = ArmedMonitor();
    if (!monitor)
        return Fail("no armed hxMonitor.exe (window of class hxMonitor, camera armed)");
    const auto log = StampLog::Open();
    if (!log)
        return Fail("HXBENCH_STAMP_LOG / HXBENCH_STAMP_EVENT unset or unusable");
    std::size_t lines = 0;
    unsigned unserved = 0, notReleased = 0, notRearmed = 0;
    for (unsigned cycle = 1; cycle <= cycles; ++cycle) {
        Sleep(idleMs);
        const auto before = ReadDriverCounters();
        if (!before)
            return Fail("cannot read the driver's record");
        if (!Unplug())
            return Fail("the driver refused unplug");
        const bool released = WaitForCounters([&](const DriverCounters &c) {
            return c.disarms > before->disarms && c.closes > before->closes;
        }, kNoticeMs);
        if (!Plug())
            return Fail("the driver refused plug");
        const bool rearmed = WaitForCounters([&](const DriverCounters &c) {
            return c.armed && c.opens > before->opens && c.arms > before->arms;
        }, kNoticeMs);
        std::string pressed = "not pressed";
        if (rearmed) {
            const Served served = PressAndWait(*monitor, *log, lines);
            pressed = served.error.empty() ? "press served" : served.error;
        }
        const bool ok = released && rearmed && pressed == "press served";
        notReleased += !released;
        notRearmed += !rearmed;
        unserved += !ok;
        std::printf("  cycle %2u: %s, %s, %s%s\n", cycle,
                    released ? "let go" : "NOT let go (removal lost)",
                    rearmed ? "armed again" : "NOT armed again", pressed.c_str(),
                    ok ? "" : "  -> unserved");
        std::fflush(stdout);
    }
    std::printf("stress: %u cycles after %u ms idle each: %u ended unserved "
                "(camera not let go %u, not armed again %u)\n",
                cycles, idleMs, unserved, notReleased, notRearmed);
    return 0;
}

int Handles(bool list)
{
    const auto monitor = ArmedMonitor();
    if (!monitor)
        return Fail("no armed hxMonitor.exe (window of class hxMonitor, camera armed)");
    auto handles = monitor->Handles();
    if (!handles)
        return Fail("cannot list the system's handles");
    std::printf("pid=%lu handles=%zu\n", monitor->Pid(), handles->size());
    if (list) {
        monitor->Describe(*handles);
        for (const OpenHandle &handle : *handles)
            std::printf("  0x%04lx type %2u access 0x%08lx %s\n",
                        static_cast<unsigned long>(handle.value), handle.type, handle.access,
                        handle.description.c_str());
    }
    return 0;
}

bool ParseCount(const char *text, unsigned &value)
{
    char *end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (!*text || *end || parsed > 1000000)
        return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

int Usage()
{
    std::fprintf(stderr, "usage: hxwinebench presses N | soak PRESSES CYCLES | stress CYCLES IDLE_MS |"
                         " handles [--list]\n");
    return 2;
}

}  // namespace
}  // namespace hxbench

int main(int argc, char **argv)
{
    using namespace hxbench;
    unsigned first = 0, second = 0;
    if (argc == 3 && std::strcmp(argv[1], "presses") == 0 && ParseCount(argv[2], first) && first)
        return Presses(first);
    if (argc == 4 && std::strcmp(argv[1], "soak") == 0 && ParseCount(argv[2], first) &&
        ParseCount(argv[3], second) && (first || second))
        return Soak(first, second);
    if (argc == 4 && std::strcmp(argv[1], "stress") == 0 && ParseCount(argv[2], first) &&
        ParseCount(argv[3], second) && first)
        return Stress(first, second);
    if (argc == 2 && std::strcmp(argv[1], "handles") == 0)
        return Handles(false);
    if (argc == 3 && std::strcmp(argv[1], "handles") == 0 && std::strcmp(argv[2], "--list") == 0)
        return Handles(true);
    return Usage();
}
