#include "equipment.h"

extern "C" {
#include "camera_control.h"
#include "hxcamsim_control.h"
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <winternl.h>

namespace hxbench {

namespace {

std::int64_t Frequency()
{
    static const std::int64_t frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<std::int64_t>(value.QuadPart);
    }();
    return frequency;
}

std::optional<std::string> Environment(const char *name)
{
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    if (length == 0 || length >= sizeof(value))
        return std::nullopt;
    return std::string(value, length);
}

// Polls `done` every 20 ms until it holds or the time is up.
template <typename Done>
bool WaitUntil(Done done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

bool Send(DWORD code)
{
    return SendCameraControl(code) != 0;
}

}  // namespace

std::int64_t Now()
{
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

double TicksToMs(std::int64_t ticks)
{
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(Frequency());
}

// ---------------------------------------------------------------- camera

std::optional<DriverCounters> ReadDriverCounters()
{
    static char text[HXCAMSIM_RECORD_TEXT_MAX];
    if (!ReadCameraRecord(text, sizeof(text)))
        return std::nullopt;

    DriverCounters counters;
    const struct {
        const char *key;
        unsigned DriverCounters::*field;
    } fields[] = {
        {"armed", &DriverCounters::armed},       {"opens", &DriverCounters::opens},
        {"closes", &DriverCounters::closes},     {"arms", &DriverCounters::arms},
        {"disarms", &DriverCounters::disarms},   {"arm_failures", &DriverCounters::armFailures},
        {"presses", &DriverCounters::presses},
    };
    std::istringstream lines(text);
    std::string line;
    bool sawCounter = false;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "interface")
            counters.interfaceOn = value.rfind("on", 0) == 0;
        for (const auto &field : fields) {
            if (key == field.key) {
                counters.*field.field = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
                sawCounter = true;
            }
        }
    }
    if (!sawCounter)
        return std::nullopt;
    return counters;
}

std::optional<std::int64_t> PressButton()
{
    Handle control(OpenCameraControl());
    if (control.get() == INVALID_HANDLE_VALUE)
        return std::nullopt;
    DWORD returned = 0;
    const std::int64_t pressed = Now();
    if (!DeviceIoControl(control.get(), IOCTL_HXCAMSIM_PRESS_BUTTON, nullptr, 0, nullptr, 0,
                         &returned, nullptr))
        return std::nullopt;
    return pressed;
}

bool Unplug()
{
    return Send(IOCTL_HXCAMSIM_INTERFACE_OFF);
}

bool Plug()
{
    return Send(IOCTL_HXCAMSIM_INTERFACE_ON);
}

bool WaitForCounters(const std::function<bool(const DriverCounters &)> &done, DWORD timeoutMs)
{
    return WaitUntil(
        [&] {
            const auto counters = ReadDriverCounters();
            return counters && done(*counters);
        },
        timeoutMs);
}

// ---------------------------------------------------------------- monitor

std::optional<Monitor> Monitor::Find(DWORD timeoutMs)
{
    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = FindWindowA("hxMonitor", nullptr)) != nullptr; },
                   timeoutMs))
        return std::nullopt;
    Monitor monitor;
    GetWindowThreadProcessId(window, &monitor.pid_);
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_DUP_HANDLE | SYNCHRONIZE, FALSE,
                    monitor.pid_);
    if (!process)
        return std::nullopt;
    monitor.process_.reset(process, HandleCloser());
    return monitor;
}

bool Monitor::Running() const
{
    return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

namespace {

// SystemExtendedHandleInformation: every handle of every process.
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct SystemHandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};

struct SystemHandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    SystemHandleEntry entries[1];
};

using QuerySystemInformationFn = LONG(WINAPI *)(ULONG, PVOID, ULONG, PULONG);

}  // namespace

std::optional<std::vector<OpenHandle>> Monitor::Handles() const
{
    static const auto query = reinterpret_cast<QuerySystemInformationFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                    "NtQuerySystemInformation")));
    if (!query)
        return std::nullopt;
    std::vector<unsigned char> buffer(1 << 16);
    LONG status;
    for (;;) {
        ULONG needed = 0;
        status = query(kSystemExtendedHandleInformation, buffer.data(),
                       static_cast<ULONG>(buffer.size()), &needed);
        if (status != kStatusInfoLengthMismatch || buffer.size() >= (64u << 20))
            break;
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    }
    if (status != 0)
        return std::nullopt;

    const auto *table = reinterpret_cast<const SystemHandleTable *>(buffer.data());
    std::vector<OpenHandle> handles;
    for (ULONG_PTR i = 0; i < table->count; ++i) {
        const SystemHandleEntry &entry = table->entries[i];
        if (entry.processId == pid_)
            handles.push_back({entry.handleValue, entry.objectTypeIndex, entry.grantedAccess, {}});
    }
    return handles;
}

namespace {

using QueryObjectFn = LONG(WINAPI *)(HANDLE, ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;

// Both answers begin with the UNICODE_STRING asked for.
std::string QueryObjectText(HANDLE object, ULONG what)
{
    static const auto query = reinterpret_cast<QueryObjectFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    alignas(8) unsigned char buffer[2048] = {};
    if (!query || query(object, what, buffer, sizeof(buffer) - sizeof(WCHAR), nullptr) != 0)
        return "?";
    const auto *text = reinterpret_cast<const UNICODE_STRING *>(buffer);
    if (!text->Buffer || text->Length == 0)
        return "";
    char narrow[1024];
    const int length = WideCharToMultiByte(CP_ACP, 0, text->Buffer, text->Length / sizeof(WCHAR),
                                           narrow, sizeof(narrow) - 1, nullptr, nullptr);
    return std::string(narrow, length > 0 ? length : 0);
}

}  // namespace

void Monitor::Describe(std::vector<OpenHandle> &handles) const
{
    for (OpenHandle &handle : handles) {
        HANDLE copy = nullptr;
        if (!DuplicateHandle(process_.get(), reinterpret_cast<HANDLE>(handle.value),
                             GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            handle.description = "(not duplicable)";
            continue;
        }
        Handle owned(copy);
        std::string type = QueryObjectText(copy, kObjectTypeInformation);
        handle.description = (type.empty() ? "(unnamed type)" : type) + " " +
                             QueryObjectText(copy, kObjectNameInformation);
    }
}

std::optional<DWORD> Monitor::ReportedHandleCount() const
{
    DWORD count = 0;
    if (!GetProcessHandleCount(process_.get(), &count))
        return std::nullopt;
    return count;
}

// ---------------------------------------------------------------- stamps

std::optional<StampLog> StampLog::Open()
{
    const auto path = Environment("HXBENCH_STAMP_LOG");
    const auto eventName = Environment("HXBENCH_STAMP_EVENT");
    if (!path || !eventName)
        return std::nullopt;
    if (!DeleteFileA(path->c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    // Auto-reset: each wait is for the next line.
    HANDLE written = CreateEventA(nullptr, FALSE, FALSE, eventName->c_str());
    if (!written)
        return std::nullopt;
    StampLog log;
    log.path_ = *path;
    log.written_.reset(written, HandleCloser());
    return log;
}

std::vector<Stamp> StampLog::Read() const
{
    std::vector<Stamp> stamps;
    Handle file(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        return stamps;
    std::string text;
    char buffer[8192];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);

    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        // Only whole lines: one still being written is no stamp yet.
        const std::string line = text.substr(at, end - at);
        Stamp stamp;
        long long qpc = 0;
        unsigned long pid = 0, parent = 0;
        if (std::sscanf(line.c_str(), "qpc=%lld\tpid=%lu\tparent=%lu", &qpc, &pid, &parent) == 3) {
            stamp.qpc = qpc;
            stamp.pid = pid;
            stamp.parent = parent;
        }
        // A line that does not parse still counts as a start; its zero pid
        // makes the checks fail.
        stamps.push_back(stamp);
    }
    return stamps;
}

std::optional<std::vector<Stamp>> StampLog::WaitFor(std::size_t count, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    for (;;) {
        auto stamps = Read();
        if (stamps.size() >= count)
            return stamps;
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs)
            return std::nullopt;
        // The event wakes us as soon as a line is written; the timeout only
        // guards against a set that raced with the read above.
        WaitForSingleObject(written_.get(), std::min<DWORD>(timeoutMs - waited, 200));
    }
}

void WaitForExit(DWORD pid, DWORD timeoutMs)
{
    Handle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (process)
        WaitForSingleObject(process.get(), timeoutMs);
}

std::optional<BareLaunch> LaunchLikeTheMonitor()
{
    char directory[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(directory, sizeof(directory));
    if (length == 0 || length >= sizeof(directory))
        return std::nullopt;
    char command[] = "hxAMCap.exe";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};

    BareLaunch launch;
    launch.called = Now();
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        directory, &startup, &info))
        return std::nullopt;
    CloseHandle(info.hThread);
    launch.pid = info.dwProcessId;
    launch.process.reset(info.hProcess);
    return launch;
}

}  // namespace hxbench
