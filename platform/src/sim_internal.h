// Internal contracts between the substitute platform's API families. Tests
// do not include this; they use hxsim/world.h.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace hxsim::detail {

// ---------------------------------------------------------------- faults
// True when a fault injected with hxsim::FailCall is due for `api` now; it
// then has already set the last error. Each API calls this once on entry.
bool ShouldFail(const char* api);

// ---------------------------------------------------------------- objects
enum class ObjectKind { Event, Thread, Process, File, RegistryKey };

// A kernel object. Handles refer to objects through shared_ptr, so closing a
// handle while another thread still uses the object (a wait, a driver's
// reference) keeps the object alive, as kernel reference counting does.
class Object {
public:
    explicit Object(ObjectKind kind) : kind_(kind) {}
    virtual ~Object() = default;
    ObjectKind kind() const { return kind_; }

private:
    ObjectKind kind_;
};

// Event objects: the driver simulation holds references and sets them.
class Event;
void SetEventObject(Event& event);
// Sets several events under one hold of the kernel lock, so that a wait
// sees them signalled together.
void SetEventObjects(const std::vector<std::shared_ptr<Event>>& events);
std::shared_ptr<Event> AsEvent(const std::shared_ptr<Object>& object);
// A waitable object that is already signalled, for the process and thread
// objects of a started program (the stand-in program has ended at once).
std::shared_ptr<Object> MakeSignaledObject(ObjectKind kind);

// ---------------------------------------------------------------- processes
// The process the calling thread belongs to: the tests' own unless
// hxsim::BeginProcess made it another; a thread started with CreateThread
// belongs to its creator's. SetThreadProcess(0) returns it to the tests'.
DWORD CurrentProcessId();
void SetThreadProcess(DWORD processId);
// The tests' own process (never signalled) when processId is its id.
std::shared_ptr<Object> TestsProcess(DWORD processId);

// ---------------------------------------------------------------- handles
// Handle values are small multiples of 4, as on Windows, so that they fit
// the camera driver's 32-bit fields. Values are not reused soon after close,
// so a stale handle is detected rather than silently hitting a new object.
HANDLE InsertHandle(std::shared_ptr<Object> object);
// The object behind an open handle; nullptr (and a misuse record) when the
// handle is not open. Pseudo-handles are not resolved here.
std::shared_ptr<Object> ReferenceHandle(HANDLE handle, const char* api);
std::shared_ptr<Object> ReferenceHandle(HANDLE handle, ObjectKind kind, const char* api);
// NULL and INVALID_HANDLE_VALUE are refused without a misuse record: they are
// what failed creations return, and passing them on is ordinary. Any failure
// here sets ERROR_INVALID_HANDLE. An open handle of another kind is refused
// (and recorded) by the kind-checking overload.

// Closes the handle; false (and a misuse record) when it was not open.
bool CloseHandleValue(HANDLE handle, const char* api);
void RecordMisuse(const char* api, uintptr_t value);
size_t CountOpenHandles(ObjectKind kind);

// ---------------------------------------------------------------- windows
// Every existing window, for broadcasts such as DBT_DEVNODES_CHANGED.
std::vector<HWND> AllWindows();

// ---------------------------------------------------------------- programs
// Whether a program path (or bare file name) was marked missing, and the
// configured Windows directory: the program search answers from these.
bool IsProgramMissing(const std::string& path);
std::string ConfiguredWindowsDirectory();

// ---------------------------------------------------------------- reset
// Each family clears its own state; ResetWorld calls them all.
void ResetKernel();
void ResetWindows();
void ResetDevices();
void ResetRegistry();
void ResetProcesses();
void ResetDriver();

// Open-object counts of the other families, for hxsim::OpenHandles().
size_t CountOpenKeys();       // registry keys
size_t CountDevInfoSets();    // device information sets
size_t CountNotifications();  // device notification registrations

// Counters kept by the kernel and window families.
void CountHeapAllocation();

}  // namespace hxsim::detail
