#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "monitor.h"

namespace hxbench {
namespace {

int failures = 0;

}  // namespace

Options ParseOptions(int argc, char** argv) {
    Options options;
    const char* env = std::getenv("HX_BENCH_BRIEF");
    options.brief = env != nullptr && *env != '\0' && std::strcmp(env, "0") != 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--brief") {
            options.brief = true;
        } else if (arg.rfind("--iterations=", 0) == 0) {
            options.iterations = std::strtol(arg.c_str() + 13, nullptr, 10);
            if (options.iterations <= 0)
                Abort("--iterations needs a positive count");
        } else {
            std::fprintf(stderr, "usage: %s [--brief] [--iterations=N]\n", argv[0]);
            std::exit(2);
        }
    }
    return options;
}

long Iterations(const Options& options, long full, long brief) {
    if (options.iterations > 0)
        return options.iterations;
    return options.brief ? brief : full;
}

std::string DriverKeyOf(const hxsim::DeviceDesc& desc) {
    const auto& bytes = desc.driver->bytes;
    std::string driver(bytes.begin(), bytes.end());
    driver.resize(std::min(driver.size(), driver.find('\0')));
    return "SYSTEM\\CurrentControlSet\\Control\\Class\\" + driver;
}

void RegisterCommand(const hxsim::DeviceDesc& desc, const std::string& event,
                     const std::string& application, const std::string& command) {
    hxsim::SetValue(DriverKeyOf(desc) + "\\Events\\" + event, "LaunchApplications",
                    hxsim::RegData::Text(application));
    hxsim::SetValue(kRegisteredApplications, application, hxsim::RegData::Text(command));
}

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double Millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string Describe(const Summary& s, const char* unit) {
    char text[200];
    std::snprintf(text, sizeof(text),
                  "median %8.1f %s   p90 %8.1f   p99 %8.1f   min %7.1f   max %8.1f   (n=%zu)",
                  s.median, unit, s.p90, s.p99, s.min, s.max, s.count);
    return text;
}

void Expect(bool condition, const std::string& what) {
    if (condition)
        return;
    ++failures;
    std::printf("  FAILED: %s\n", what.c_str());
    std::fflush(stdout);
}

void Abort(const std::string& what) {
    std::printf("  FAILED: %s\n", what.c_str());
    std::fflush(stdout);
    std::exit(1);
}

int Finish(const char* program) {
    if (failures == 0) {
        std::printf("%s: all scenarios ran as intended\n", program);
        return 0;
    }
    std::printf("%s: %d expectation(s) failed\n", program, failures);
    return 1;
}

void PrintMachineLoad() {
    char text[128] = "unknown";
    if (FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fgets(text, sizeof(text), file) == nullptr)
            std::strcpy(text, "unknown");
        std::fclose(file);
    }
    text[std::strcspn(text, "\n")] = '\0';
    std::printf("machine: %u cores, load average %s\n", std::thread::hardware_concurrency(), text);
}

void Row(const std::string& label, const std::string& value) {
    std::printf("  %-44s %s\n", label.c_str(), value.c_str());
    std::fflush(stdout);
}

void EndScenario(const char* scenario) {
    Expect(hxsim::WaitForThreadsToEnd(),
           std::string(scenario) + ": a thread of the world did not end");
    for (const auto& misuse : hxsim::HandleMisuse())
        Expect(false, std::string(scenario) + ": handle misused: " + misuse);
    for (const auto& write : hxsim::RegistryWrites())
        Expect(false, std::string(scenario) + ": registry written: " + write);
    hxsim::ClearFaults();
    hxsim::ResetWorld();
}

MonitorProcess::MonitorProcess() {
    thread_ = std::thread([this] {
        exitCode_ = MonitorMain(reinterpret_cast<HINSTANCE>(0x400000));
        returnedAt_ = Clock::now();
    });
    window_ = hxsim::WaitForWindow("hxMonitor");
    if (window_ == nullptr) {
        // Without a window nothing can close it; it has returned or never will.
        thread_.detach();
        Abort("the monitor's window did not appear");
    }
}

MonitorProcess::~MonitorProcess() {
    if (thread_.joinable()) {
        PostClose();
        thread_.join();
    }
}

void MonitorProcess::PostClose() {
    PostMessageA(window_, WM_CLOSE, 0, 0);
}

int MonitorProcess::Join() {
    if (thread_.joinable())
        thread_.join();
    return exitCode_;
}

}  // namespace hxbench
