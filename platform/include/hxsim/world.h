// Control interface of the substitute platform: what tests use to build and
// drive the simulated world the product runs in on the host. The product
// never includes this header; it sees only the Win32 headers beside it.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hxsim {

using Millis = std::chrono::milliseconds;

// ---------------------------------------------------------------- the world

// Returns the world to its initial state: no windows, devices, registry
// contents, launches, faults or debug output; default Windows directory.
// Call only when no thread of the world is still running.
void ResetWorld();

// ---------------------------------------------------------------- faults

// Makes the named API (e.g. "CreateEventA") fail the way the platform does:
// it returns the API's failure value and sets `lastError`. The first `skip`
// calls pass; then `times` calls fail (0 = every call from then on).
void FailCall(const std::string& api, DWORD lastError, unsigned skip = 0,
              unsigned times = 1);
void ClearFaults();

// ---------------------------------------------------------------- handles

struct HandleCounts {
    size_t kernel = 0;         // events, threads, processes, files
    size_t registryKeys = 0;   // keys opened through RegOpenKeyExA
    size_t devInfoSets = 0;    // SetupDiGetClassDevsA results
    size_t notifications = 0;  // RegisterDeviceNotificationA registrations
    size_t total() const { return kernel + registryKeys + devInfoSets + notifications; }
};
HandleCounts OpenHandles();
// The open handles to the object behind `handle` (itself included); 0 when
// it is not open.
size_t OpenHandlesTo(HANDLE handle);

// Every call that was given a handle that had been closed (or never was
// open), as "API(0x1c)". Tests assert this stays empty. Heap blocks freed
// twice (or never allocated) and SRW locks released by a thread that does
// not hold them are recorded here too, with the block's or lock's address.
std::vector<std::string> HandleMisuse();

// ---------------------------------------------------------------- counters

struct Counters {
    uint64_t waitWakeups = 0;       // returns from WaitFor* that were not timeouts
    uint64_t messagesRetrieved = 0; // messages returned or dispatched inside GetMessageA
    uint64_t heapAllocations = 0;   // HeapAlloc calls
};
Counters ReadCounters();
// HeapAlloc blocks not yet given back with HeapFree (since the last reset).
size_t LiveHeapBlocks();

// ---------------------------------------------------------------- threads

// A thread started with CreateThread since the last reset.
struct ThreadRecord {
    DWORD id = 0;
    SIZE_T stackSize = 0;      // the argument as given
    DWORD creationFlags = 0;
    int priority = THREAD_PRIORITY_NORMAL;  // as last set with SetThreadPriority
    bool finished = false;
    DWORD exitCode = STILL_ACTIVE;
};
// In creation order.
std::vector<ThreadRecord> CreatedThreads();
// Waits until every thread started with CreateThread has returned from its
// routine (those of earlier tests too); false on timeout.
bool WaitForThreadsToEnd(Millis timeout = Millis(5000));

// ---------------------------------------------------------------- windows

// Waits until a top-level window of the class exists and CreateWindowExA has
// returned it (so its WM_CREATE handling is over); nullptr on timeout.
HWND WaitForWindow(const char* className, Millis timeout = Millis(5000));
// The top-level windows the thread made that still exist, in creation order.
std::vector<HWND> WindowsOfThread(DWORD threadId);
// Makes the window one of a process of higher integrity than every caller's
// (an elevated program's, or the system account's): PostMessageA to it from
// another thread fails with ERROR_ACCESS_DENIED and nothing arrives, as the
// platform refuses it; broadcasts leave it out. False when no such window.
bool RaiseWindowIntegrity(HWND window, bool raised = true);
// Text passed to OutputDebugStringA, one entry per call, in order.
std::vector<std::string> DebugOutput();

// ---------------------------------------------------------------- devices

extern const GUID kImageClassGuid;  // {6BDD1FC6-810F-11D0-BEC7-08002BE2092F}

struct RegData {
    DWORD type = REG_SZ;
    std::vector<uint8_t> bytes;
    static RegData Text(const std::string& s, bool terminated = true);
    static RegData Dword(DWORD v);
    static RegData Binary(std::vector<uint8_t> b, DWORD type = REG_BINARY);
};

struct DeviceDesc {
    std::string instanceId;             // e.g. "ROOT\\IMAGE\\0000"
    std::optional<RegData> service;     // SPDRP_SERVICE; absent when nullopt
    std::optional<RegData> driver;      // SPDRP_DRIVER, e.g. "{6bdd1fc6-...}\\0000"
    std::vector<std::string> interfaces;  // image-class interface paths
    GUID interfaceClass = kImageClassGuid;
    // SPDRP_FRIENDLYNAME and SPDRP_DEVICEDESC, in the process code page;
    // absent when nullopt. The installer writes the description (the INF's
    // name for the model), seldom a friendly name.
    std::optional<RegData> friendlyName;
    std::optional<RegData> description;
};

// A device of the camera's driver: service "RUdiDOVUDIRUR", driver
// "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\<index>", one interface
// "\\\\?\\root#image#<index>#{6bdd1fc6-810f-11d0-bec7-08002be2092f}",
// the stand-in camera's description "Stand-in still camera" and no
// friendly name.
DeviceDesc CameraDesc(int index = 0);
// An image device of another driver (service "usbscan").
DeviceDesc OtherImageDesc(int index = 0);

using DeviceId = int;

// Adds a present device without telling anybody (as at boot). Its driver
// key "SYSTEM\CurrentControlSet\Control\Class\<driver>" is created too, as
// the installer leaves it, when the driver property is REG_SZ text. Adding an
// instance id that is present already is an error; adding one that was
// unplugged gives a new DeviceId for the same device node.
DeviceId AddDevice(const DeviceDesc& desc);

// How broadcast records name the interface: Ansi is the 8-bit record that
// Windows sends to an 8-bit registration; Wide is the 16-bit record that Wine
// sends even then, with the device instance part of the path in upper case
// as Wine's symbolic link names have it.
enum class NameForm { Ansi, Wide };

// What of a plug-in's or unplug's announcements reaches the windows. Wine
// sends the interface event with a time-out that fails at once when it
// judges the receiving queue hung, and drops it; the tree-change broadcast
// before it still arrives. Nothing: neither arrives.
enum class Delivery { All, NodesChangedOnly, Nothing };

// Adds the device and announces each interface: DBT_DEVNODES_CHANGED, then
// DBT_DEVICEARRIVAL, sent to registered windows; returns once handled.
DeviceId PlugIn(const DeviceDesc& desc, NameForm form = NameForm::Ansi,
                Delivery delivery = Delivery::All);
// Removes the device: DBT_DEVNODES_CHANGED, then (if `pending`)
// DBT_DEVICEREMOVEPENDING, then DBT_DEVICEREMOVECOMPLETE for each interface.
// The device has left the tree before the first broadcast: its driver has let
// go of the events it held, and requests on its open handles fail with
// ERROR_ACCESS_DENIED. Sets built earlier still list it, no longer active.
void Unplug(DeviceId id, bool pending = false, NameForm form = NameForm::Ansi,
            Delivery delivery = Delivery::All);
// Sends DBT_DEVNODES_CHANGED, which carries no record, to every top-level
// window, as the platform does after any change of the device tree; returns
// once handled.
void BroadcastNodesChanged();
// Sends one WM_DEVICECHANGE broadcast for an interface path to every window
// registered for its class (without changing the device tree).
LRESULT SendInterfaceEvent(WPARAM event, const std::string& path,
                           NameForm form = NameForm::Ansi,
                           const GUID& cls = kImageClassGuid);
// Sends WM_DEVICECHANGE with a record laid out by the caller to every
// window registered for image-class notifications (fuzzing, odd records).
LRESULT SendRawDeviceChange(WPARAM event, const void* record);

// ---------------------------------------------------------------- driver

struct DriverRequest {
    DWORD code = 0;
    DWORD inputSize = 0;
    uint32_t first = 0, second = 0;  // the 8-byte input
    uintptr_t fileHandle = 0;        // handle value the request came on
    int openIndex = 0;               // which open of the control object (0-based)
    bool accepted = false;
};

// True while the camera's driver holds armed events.
bool IsArmed(DeviceId camera);
// Sets the armed snapshot / picture event; false when not armed.
bool PressSnapButton(DeviceId camera);
bool ReportNewPicture(DeviceId camera);
// Both at once, under one lock, so the worker sees them together.
bool SignalBoth(DeviceId camera);
void RefuseArm(DeviceId camera, bool refuse = true);
void RefuseOpen(DeviceId camera, bool refuse = true);
std::vector<DriverRequest> DriverRequests(DeviceId camera);
// Opens of the control object so far, and how many are still open.
int ControlOpens(DeviceId camera);
int ControlOpenNow(DeviceId camera);
// The access, share mode, disposition and flags of the last open.
struct OpenArgs { DWORD access, share, disposition, flags; bool security, tmpl; };
std::optional<OpenArgs> LastOpenArgs(DeviceId camera);

// ---------------------------------------------------------------- registry

// Paths are under HKEY_LOCAL_MACHINE, backslash separated, case-insensitive.
void SetValue(const std::string& keyPath, const std::string& name, const RegData& data);
void CreateKey(const std::string& keyPath);
void DeleteKey(const std::string& keyPath);  // with its subkeys
// Every attempt to change the registry through the API, as "RegSetValueExA(...)".
std::vector<std::string> RegistryWrites();
// The access masks passed to RegOpenKeyExA, in order.
std::vector<REGSAM> RegistryOpenAccess();
// As for a user without administrator rights: keys under HKLM neither open
// nor get created for writing, nor are deleted (ERROR_ACCESS_DENIED), while
// reading goes on as before. Cleared by ResetWorld.
void DenyMachineWrites(bool deny = true);
// Everything below the key, one line each in name order: a subkey as
// "Events\SnapButton\", a value as "Events\SnapButton\"LaunchApplications" = 1:text"
// (type, then the stored bytes, those outside printable ASCII as \xNN).
// Empty when the key does not exist.
std::vector<std::string> RegistryTree(const std::string& keyPath);

// ---------------------------------------------------------------- processes

struct Launch {
    std::optional<std::string> applicationName;
    std::string commandLine;
    bool inheritHandles = false;
    DWORD creationFlags = 0;
    bool ownEnvironment = true;                  // lpEnvironment was NULL
    std::optional<std::string> currentDirectory; // nullopt for NULL
    DWORD startupCb = 0;
    std::chrono::steady_clock::time_point when;
    bool started = true;  // false when the platform refused (missing program, bad directory)
    DWORD error = 0;      // the last error of a refused start
};
// Every start that got past the argument checks, in call order, refused
// ones included (an injected fault is not a start and is not listed).
std::vector<Launch> Launches();
// Waits until at least `count` launches were recorded; false on timeout.
bool WaitForLaunches(size_t count, Millis timeout = Millis(5000));
// A hook run inside CreateProcessA before it records the launch (slow
// launches, actions in the middle of a launch). Cleared by ResetWorld.
void OnCreateProcess(std::function<void(const std::string& commandLine)> hook);
void SetWindowsDirectory(const std::string& dir);  // default "C:\\windows"
// What GetCommandLineA returns from now on (a pointer taken earlier is then
// stale). By default hxmonctl's quoted path, as if started with no arguments.
void SetCommandLine(const std::string& commandLine);

// Makes the calling thread, and the threads it then creates, a process of
// their own, as the monitor is beside the tests: GetCurrentProcessId and
// the windows they create give its new id, and OpenProcess opens it.
// EndProcess, on the same thread, ends it: its handles are signalled.
DWORD BeginProcess();
void EndProcess();
// Every program is found unless marked missing here; starting a missing one
// fails with ERROR_FILE_NOT_FOUND, and SearchPathA and GetFileAttributesA do
// not find it. A name without a directory stands for that file in any
// directory (a search finds it in the first one it tries); ".exe" is implied
// as the platform implies it.
void SetProgramMissing(const std::string& program, bool missing = true);

// ---------------------------------------------------------------- text and output

// The process code page, which CP_ACP names in conversions: 1252 (the
// default) as on a Western system, or 65001 (UTF-8), as a manifest's
// activeCodePage makes it from Windows 10 1903 on. Anything else throws.
void SetAnsiCodePage(UINT codePage);

// Where a console program's standard output leads; the handles are the
// caller's to close. A console: GetConsoleMode succeeds, it shows
// WriteConsoleW's text, and WriteFile's bytes read in its own code page
// (here Windows-1252, whatever the process's). A pipe (or a file): it takes
// WriteFile's bytes as they are; the console calls fail on it with
// ERROR_INVALID_HANDLE.
HANDLE OpenConsoleOutput();
HANDLE OpenPipeOutput();
// What reached them so far.
std::u16string ConsoleScreen(HANDLE console);
std::string PipeBytes(HANDLE pipe);

}  // namespace hxsim
