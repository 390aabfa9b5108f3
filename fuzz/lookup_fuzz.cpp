// The event command lookup and launch against arbitrary registry contents:
// "LaunchApplications" and the registered command of any type and length,
// with or without terminators, with embedded zeros, and keys missing.
//
// Input layout (fuzz/make-corpus.py writes seeds in it):
//   byte  flags   bit0 NewPicture (else SnapButton)  bit1 driver key held
//                 bit2 event subkey exists           bit3 "LaunchApplications" set
//                 bit4 "Registered Applications" exists
//                 bit5 a command under the name "LaunchApplications" gives
//                 bit6 another value under a name of its own
//                 bit7 one injected platform failure
//   byte  types   low nibble: "LaunchApplications" type; high: command type
//   sized application data, sized command data, sized other name, sized other data
//   byte  type of the other value
//   word  size of the caller's buffer for a direct LookupEventCommand
//   byte  failing API, byte calls that pass before it fails (with bit7)
//
// Without an injected failure the started command line must be exactly what
// the registration gives, or the event's default; a failure may only turn it
// into the default.
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "launch_event.h"

namespace {

constexpr const char* kDriverKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000";
constexpr const char* kWindowsDirectory = "C:\\windows";
constexpr size_t kMaxData = 700;  // well past the 260-byte buffers

struct Registration {
    bool newPicture = false;
    bool keyHeld = false;
    bool subkey = false;
    bool valueSet = false;
    bool applications = false;
    bool commandUnderName = false;
    bool otherValue = false;
    bool fault = false;
    DWORD applicationType = REG_SZ;
    DWORD commandType = REG_SZ;
    DWORD otherType = REG_SZ;
    std::vector<uint8_t> application;
    std::vector<uint8_t> command;
    std::string otherName;
    std::vector<uint8_t> otherData;
    size_t bufferSize = MAX_PATH;
    uint8_t faultApi = 0;
    uint8_t faultSkip = 0;
};

Registration Read(hxfuzz::Input& in) {
    Registration r;
    const uint8_t flags = in.Byte();
    r.newPicture = flags & 0x01;
    r.keyHeld = flags & 0x02;
    r.subkey = flags & 0x04;
    r.valueSet = flags & 0x08;
    r.applications = flags & 0x10;
    r.commandUnderName = flags & 0x20;
    r.otherValue = flags & 0x40;
    r.fault = flags & 0x80;
    const uint8_t types = in.Byte();
    r.applicationType = hxfuzz::TypeFrom(types & 0x0F);
    r.commandType = hxfuzz::TypeFrom(types >> 4);
    r.application = in.Sized(kMaxData);
    r.command = in.Sized(kMaxData);
    r.otherName = hxfuzz::CString(in.Sized(300));
    r.otherData = in.Sized(kMaxData);
    r.otherType = hxfuzz::TypeFrom(in.Byte());
    r.bufferSize = 1 + in.Word() % 600;
    r.faultApi = in.Byte();
    r.faultSkip = in.Byte() % 4;
    return r;
}

std::string EventSubkey(const Registration& r) {
    return std::string(kDriverKey) +
           (r.newPicture ? "\\Events\\NewPicture" : "\\Events\\SnapButton");
}

void Populate(const Registration& r) {
    hxsim::CreateKey(kDriverKey);
    if (r.subkey)
        hxsim::CreateKey(EventSubkey(r));
    if (r.subkey && r.valueSet)
        hxsim::SetValue(EventSubkey(r), LAUNCH_APPLICATIONS_VALUE,
                        hxsim::RegData::Binary(r.application, r.applicationType));
    if (!r.applications)
        return;
    hxsim::CreateKey(REGISTERED_APPLICATIONS_KEY);
    if (r.commandUnderName)
        hxsim::SetValue(REGISTERED_APPLICATIONS_KEY, hxfuzz::CString(r.application),
                        hxsim::RegData::Binary(r.command, r.commandType));
    if (r.otherValue)
        hxsim::SetValue(REGISTERED_APPLICATIONS_KEY, r.otherName,
                        hxsim::RegData::Binary(r.otherData, r.otherType));
}

// What the lookup must find for a caller's buffer of `capacity` bytes:
// the registered command, or nothing (the default). `decidable` is false
// when registry name folding beyond ASCII would decide which value answers.
struct Expectation {
    bool decidable = true;
    std::optional<std::string> registered;
};

Expectation Expect(const Registration& r, size_t capacity) {
    Expectation e;
    std::string name;
    if (!r.keyHeld || !r.subkey || !r.valueSet ||
        !hxfuzz::FitsAsText(r.application, MAX_PATH, &name))
        return e;
    if (name == "*" || !r.applications)
        return e;

    // Value names are case-insensitive; the other value is stored last, so it
    // answers when both names are the same value.
    const std::vector<uint8_t>* data = r.commandUnderName ? &r.command : nullptr;
    if (r.otherValue) {
        if (hxfuzz::SameIgnoringAsciiCase(r.otherName, name))
            data = &r.otherData;
        else if (!hxfuzz::AsciiOnly(r.otherName) || !hxfuzz::AsciiOnly(name))
            e.decidable = false;
    }
    std::string command;
    if (data != nullptr && hxfuzz::FitsAsText(*data, capacity, &command))
        e.registered = command;
    return e;
}

// LookupEventCommand straight into a heap block of exactly the caller's size,
// so that a write past the size it was given is an overrun ASan reports.
void CheckDirectLookup(DeviceMonitor* monitor, const Registration& r) {
    const auto expected = Expect(r, r.bufferSize);
    std::unique_ptr<char[]> buffer(new char[r.bufferSize]);
    std::memset(buffer.get(), 0x5A, r.bufferSize);
    DWORD size = static_cast<DWORD>(r.bufferSize);
    LookupTrace trace;

    const int found = LookupEventCommand(monitor, r.newPicture ? "Events\\NewPicture" : "Events\\SnapButton",
                                         buffer.get(), &size, &trace);
    hxfuzz::Check(found == (trace.stop == LOOKUP_FOUND), "the result and the trace agree");
    if (found) {
        hxfuzz::Check(std::memchr(buffer.get(), 0, r.bufferSize) != nullptr,
                      "a found command is terminated within the caller's buffer");
        hxfuzz::Check(size <= r.bufferSize, "the size returned fits the caller's buffer");
    }
    if (!expected.decidable)
        return;
    hxfuzz::Check(found == (expected.registered ? 1 : 0),
                  std::string("lookup into ") + std::to_string(r.bufferSize) + " bytes " +
                      (found ? "found a command" : "found nothing") + ", expected the opposite");
    if (found)
        hxfuzz::Check(buffer.get() == *expected.registered,
                      "lookup found \"" + std::string(buffer.get()) + "\", expected \"" +
                          *expected.registered + "\"");
}

void InjectFault(const Registration& r) {
    static const char* const kApis[] = {"RegOpenKeyExA", "RegQueryValueExA", "GetWindowsDirectoryA",
                                        "CreateProcessA"};
    static const DWORD kErrors[] = {ERROR_ACCESS_DENIED, ERROR_MORE_DATA, ERROR_INSUFFICIENT_BUFFER,
                                    ERROR_NOT_ENOUGH_MEMORY};
    const size_t api = r.faultApi % 4;
    hxsim::FailCall(kApis[api], kErrors[(r.faultApi / 4) % 4], r.faultSkip, 1);
}

void Run(const Registration& r) {
    Populate(r);
    DeviceMonitor monitor;
    InitDeviceMonitor(&monitor);
    if (r.keyHeld)
        hxfuzz::Check(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDriverKey, 0, KEY_READ,
                                    &monitor.hDriverKey) == ERROR_SUCCESS,
                      "the driver key opens");

    CheckDirectLookup(&monitor, r);

    std::vector<std::string> attempted;
    hxsim::OnCreateProcess(
        [&](const std::string& commandLine) { attempted.push_back(commandLine); });
    if (r.fault)
        InjectFault(r);
    const CameraEvent event = r.newPicture ? NewPicture : SnapButton;
    const int launched = LaunchEventCommand(&monitor, event);
    hxsim::ClearFaults();

    const std::string fallback = r.newPicture ? "hxCap.exe" : "hxAMCap.exe";
    const auto expected = Expect(r, MAX_PATH);
    const std::string wanted = expected.registered.value_or(fallback);
    hxfuzz::CheckWorld();
    hxfuzz::Check(attempted.size() <= 1, "one event, at most one process creation");
    const auto launches = hxsim::Launches();
    hxfuzz::Check(launched == (!launches.empty() && launches.back().started ? 1 : 0),
                  "LaunchEventCommand reports whether the process was created");
    if (!r.fault) {
        // An empty registered command is tried too; the platform refuses it.
        hxfuzz::Check(attempted.size() == 1, "the event tried to start a process");
        if (expected.decidable)
            hxfuzz::Check(attempted[0] == wanted,
                          "started \"" + attempted[0] + "\", expected \"" + wanted + "\"");
    } else if (!attempted.empty() && expected.decidable) {
        hxfuzz::Check(
            attempted[0] == wanted || attempted[0] == fallback,
            "a failure led to \"" + attempted[0] + "\", neither the registration nor the default");
    }
    for (const auto& launch : launches) {
        hxfuzz::Check(!launch.inheritHandles && launch.creationFlags == DETACHED_PROCESS,
                      "started detached, inheriting nothing");
        hxfuzz::Check(launch.currentDirectory == std::string(kWindowsDirectory) ||
                          (r.fault && launch.currentDirectory == std::string()),
                      "started in the Windows directory");
    }
    for (REGSAM access : hxsim::RegistryOpenAccess())
        hxfuzz::Check(access == KEY_READ, "every key is opened with KEY_READ");

    if (monitor.hDriverKey != NO_KEY)
        RegCloseKey(monitor.hDriverKey);
    hxfuzz::CheckWorld();
    hxfuzz::CheckNothingHeld("after the launch");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const hxfuzz::InputWorld inputWorld;
    hxfuzz::Input in(data, size);
    Run(Read(in));
    return 0;
}
