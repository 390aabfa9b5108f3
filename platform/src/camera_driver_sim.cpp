// The camera's kernel driver as the monitor meets it: CreateFileA opens its
// control object "<interface path>\GLOBAL", and DeviceIoControl carries the
// one request that hands it two event handles. The driver takes references
// to the event objects, as a kernel driver does with ObReferenceObjectByHandle,
// so they outlive the caller's handles until it is disarmed.

#include "device_tree.h"

#include <hxsim/world.h>

#include <winioctl.h>

#include <cstring>
#include <map>
#include <mutex>

namespace hxsim::detail {
namespace {

constexpr DWORD kSetEventsCode = CTL_CODE(0x8160, 0x817, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr const char* kCameraService = "RUdiDOVUDIRUR";
constexpr const char* kControlSuffix = "GLOBAL";

// What the driver keeps for one plug-in of a camera.
struct CameraState {
    std::shared_ptr<Event> snap;
    std::shared_ptr<Event> picture;
    bool refuseArm = false;
    bool refuseOpen = false;
    std::vector<DriverRequest> requests;
    int opens = 0;
    int openNow = 0;
    std::optional<OpenArgs> lastOpen;

    bool armed() const { return snap && picture; }
};

class Driver {
public:
    std::mutex mutex;

    // The state of a camera, made on first mention (a test may refuse opens
    // before the first one). Call with the mutex held.
    const std::shared_ptr<CameraState>& StateLocked(DeviceId camera) {
        std::shared_ptr<CameraState>& state = cameras_[camera];
        if (!state) state = std::make_shared<CameraState>();
        return state;
    }

    void ResetLocked() { cameras_.clear(); }

private:
    std::map<DeviceId, std::shared_ptr<CameraState>> cameras_;
};

Driver& TheDriver() {
    static auto* driver = new Driver;
    return *driver;
}

using Guard = std::lock_guard<std::mutex>;

// One open of the control object. Handles duplicated from it share it; the
// open ends when the last of them is closed.
class ControlFile final : public Object {
public:
    ControlFile(DeviceId camera, int openIndex, std::shared_ptr<CameraState> state)
        : Object(ObjectKind::File), camera_(camera), openIndex_(openIndex), state_(std::move(state)) {}
    ~ControlFile() override {
        Guard guard(TheDriver().mutex);
        --state_->openNow;
    }

    DeviceId camera() const { return camera_; }
    int openIndex() const { return openIndex_; }
    CameraState& state() const { return *state_; }

private:
    const DeviceId camera_;
    const int openIndex_;
    const std::shared_ptr<CameraState> state_;
};

bool IsCamera(const DeviceNode& node) {
    return node.desc.service && lstrcmpiA(PropertyText(*node.desc.service).c_str(), kCameraService) == 0;
}

// The driver's answer to one request on an open of a present camera: the
// last error to fail with, or ERROR_SUCCESS. Call with the driver's mutex held;
// the references are taken before, outside it.
DWORD Serve(CameraState& state, DWORD code, DWORD inputSize, uint32_t first,
            const std::shared_ptr<Event>& snap, const std::shared_ptr<Event>& picture) {
    if (code != kSetEventsCode) return ERROR_INVALID_FUNCTION;
    if (inputSize != 8) return ERROR_INVALID_PARAMETER;
    if (first == 0) {
        // Disarm: the driver lets go of both events whatever the second field says.
        state.snap.reset();
        state.picture.reset();
        return ERROR_SUCCESS;
    }
    if (state.refuseArm) return ERROR_GEN_FAILURE;
    if (!snap || !picture) return ERROR_INVALID_HANDLE;
    state.snap = snap;
    state.picture = picture;
    return ERROR_SUCCESS;
}

std::shared_ptr<Event> ReferenceEvent(uint32_t value) {
    return AsEvent(ReferenceHandle(ULongToHandle(value), ObjectKind::Event, "DeviceIoControl"));
}

}  // namespace

void DriverDeviceRemoved(DeviceId id) {
    std::shared_ptr<Event> snap, picture;  // released after the lock
    Guard guard(TheDriver().mutex);
    CameraState& state = *TheDriver().StateLocked(id);
    snap.swap(state.snap);
    picture.swap(state.picture);
}

void ResetDriver() {
    Guard guard(TheDriver().mutex);
    TheDriver().ResetLocked();
}

}  // namespace hxsim::detail

using namespace hxsim::detail;
using hxsim::DriverRequest;
using hxsim::OpenArgs;

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    if (ShouldFail("CreateFileA")) return INVALID_HANDLE_VALUE;
    if (!lpFileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // Only device objects exist in this world: "<interface path>\<name>".
    const std::string name = lpFileName;
    const size_t slash = name.rfind('\\');
    NodePtr node = slash == std::string::npos ? nullptr : NodeByInterfacePath(name.substr(0, slash));
    if (!node) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // The interface's link is gone with the device, so the path above the name is.
    if (!node->present) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!IsCamera(*node) || lstrcmpiA(name.c_str() + slash + 1, kControlSuffix) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    std::shared_ptr<CameraState> state;
    int openIndex = 0;
    {
        Guard guard(TheDriver().mutex);
        state = TheDriver().StateLocked(node->id);
        state->lastOpen = OpenArgs{dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes,
                                   lpSecurityAttributes != nullptr, hTemplateFile != nullptr};
        if (state->refuseOpen) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        openIndex = state->opens++;
        ++state->openNow;
    }
    HANDLE handle = InsertHandle(std::make_shared<ControlFile>(node->id, openIndex, state));
    // The driver reports a plain open, so OPEN_ALWAYS leaves no ERROR_ALREADY_EXISTS.
    SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                            LPVOID, DWORD, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
    if (ShouldFail("DeviceIoControl")) return FALSE;
    auto file = std::dynamic_pointer_cast<ControlFile>(ReferenceHandle(hDevice, ObjectKind::File, "DeviceIoControl"));
    if (!file) return FALSE;
    // A synchronous request needs somewhere to report its byte count.
    if (!lpBytesReturned && !lpOverlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpBytesReturned) *lpBytesReturned = 0;

    DriverRequest request;
    request.code = dwIoControlCode;
    request.inputSize = nInBufferSize;
    request.fileHandle = reinterpret_cast<uintptr_t>(hDevice);
    request.openIndex = file->openIndex();
    if (lpInBuffer && nInBufferSize >= 4) std::memcpy(&request.first, lpInBuffer, 4);
    if (lpInBuffer && nInBufferSize >= 8) std::memcpy(&request.second, static_cast<char*>(lpInBuffer) + 4, 4);
    if (!lpInBuffer) request.inputSize = 0;

    // References to the caller's events are taken outside the driver's lock:
    // the handle table has a lock of its own.
    const bool arming = dwIoControlCode == kSetEventsCode && request.inputSize == 8 && request.first != 0;
    std::shared_ptr<Event> snap, picture;
    if (arming) {
        snap = ReferenceEvent(request.first);
        picture = ReferenceEvent(request.second);
    }
    const NodePtr node = NodeById(file->camera());
    std::shared_ptr<Event> releasedSnap, releasedPicture;  // let go of after the lock
    DWORD error;
    {
        Guard guard(TheDriver().mutex);
        CameraState& state = file->state();
        releasedSnap = state.snap;
        releasedPicture = state.picture;
        // Once the camera is unplugged its device object answers nothing.
        error = node && node->present
                    ? Serve(state, dwIoControlCode, request.inputSize, request.first, snap, picture)
                    : ERROR_ACCESS_DENIED;
        request.accepted = error == ERROR_SUCCESS;
        state.requests.push_back(request);
    }
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"

namespace hxsim {

namespace {

template <class Read>
auto ReadState(DeviceId camera, Read read) {
    detail::Guard guard(detail::TheDriver().mutex);
    return read(*detail::TheDriver().StateLocked(camera));
}

// The armed events to set, taken under the driver's lock and set after it.
std::vector<std::shared_ptr<detail::Event>> ArmedEvents(DeviceId camera, bool snap, bool picture) {
    return ReadState(camera, [&](const detail::CameraState& state) {
        std::vector<std::shared_ptr<detail::Event>> events;
        if (!state.armed()) return events;
        if (snap) events.push_back(state.snap);
        if (picture) events.push_back(state.picture);
        return events;
    });
}

bool Signal(DeviceId camera, bool snap, bool picture) {
    const auto events = ArmedEvents(camera, snap, picture);
    if (events.empty()) return false;
    detail::SetEventObjects(events);
    return true;
}

}  // namespace

bool IsArmed(DeviceId camera) {
    return ReadState(camera, [](const detail::CameraState& state) { return state.armed(); });
}

bool PressSnapButton(DeviceId camera) { return Signal(camera, true, false); }
bool ReportNewPicture(DeviceId camera) { return Signal(camera, false, true); }
bool SignalBoth(DeviceId camera) { return Signal(camera, true, true); }

void RefuseArm(DeviceId camera, bool refuse) {
    ReadState(camera, [&](detail::CameraState& state) { return state.refuseArm = refuse; });
}

void RefuseOpen(DeviceId camera, bool refuse) {
    ReadState(camera, [&](detail::CameraState& state) { return state.refuseOpen = refuse; });
}

std::vector<DriverRequest> DriverRequests(DeviceId camera) {
    return ReadState(camera, [](const detail::CameraState& state) { return state.requests; });
}

int ControlOpens(DeviceId camera) {
    return ReadState(camera, [](const detail::CameraState& state) { return state.opens; });
}

int ControlOpenNow(DeviceId camera) {
    return ReadState(camera, [](const detail::CameraState& state) { return state.openNow; });
}

std::optional<OpenArgs> LastOpenArgs(DeviceId camera) {
    return ReadState(camera, [](const detail::CameraState& state) { return state.lastOpen; });
}

}  // namespace hxsim
