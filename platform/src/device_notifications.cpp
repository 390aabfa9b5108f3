// Device notifications: windows register for device-interface broadcasts,
// and the simulated plug-and-play manager sends WM_DEVICECHANGE to them when
// tests plug devices in and out. Broadcasts are sent, not posted: the caller
// returns once every recipient has handled them, as the platform's sender does.

#include "device_tree.h"

#include <dbt.h>

#include <cctype>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace hxsim::detail {
namespace {

struct Registration {
    HWND window;
    bool toWindow;  // services register too, but get no window messages
    DWORD deviceType;  // DBT_DEVTYP_DEVICEINTERFACE or DBT_DEVTYP_HANDLE
    GUID interfaceClass;
    bool allClasses;
};

// Registration handles are tokens of their own, never reused in a process.
constexpr uintptr_t kFirstNotifyHandle = 0x00d5000c;
constexpr uintptr_t kNotifyHandleStep = 0x18;

class Registrations {
public:
    HDEVNOTIFY Add(const Registration& registration) {
        std::lock_guard<std::mutex> lock(mutex_);
        const uintptr_t value = next_;
        next_ += kNotifyHandleStep;
        entries_.emplace(value, registration);
        return reinterpret_cast<HDEVNOTIFY>(value);
    }

    bool Remove(HDEVNOTIFY handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
    }

    // The windows to tell about an interface of `cls`, once per registration,
    // in the order they registered.
    std::vector<HWND> RecipientsFor(const GUID& cls) const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<HWND> windows;
        for (const auto& entry : entries_) {
            const Registration& r = entry.second;
            if (r.toWindow && r.deviceType == DBT_DEVTYP_DEVICEINTERFACE && (r.allClasses || r.interfaceClass == cls))
                windows.push_back(r.window);
        }
        return windows;
    }

    size_t Count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_.size();
    }

    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::map<uintptr_t, Registration> entries_;  // handle values grow, so this is registration order
    uintptr_t next_ = kFirstNotifyHandle;
};

Registrations& Table() {
    static auto* table = new Registrations;
    return *table;
}

// One broadcast record in a block of exactly its stated size (never less
// than the structure), so that a reader going past dbcc_size is caught.
class InterfaceRecord {
public:
    InterfaceRecord(const std::string& path, const GUID& cls, NameForm form) {
        const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
        std::vector<WCHAR> wide;
        size_t nameBytes = path.size() + 1;
        if (form == NameForm::Wide) {
            wide = WideName(path);
            nameBytes = wide.size() * sizeof(WCHAR);
        }
        const size_t size = nameOffset + nameBytes;
        const size_t structure = form == NameForm::Wide ? sizeof(DEV_BROADCAST_DEVICEINTERFACE_W)
                                                        : sizeof(DEV_BROADCAST_DEVICEINTERFACE_A);
        block_.reset(new unsigned char[size < structure ? structure : size]());

        const DEV_BROADCAST_HDR header{static_cast<DWORD>(size), DBT_DEVTYP_DEVICEINTERFACE, 0};
        std::memcpy(block_.get(), &header, sizeof header);
        std::memcpy(block_.get() + offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid), &cls, sizeof cls);
        if (form == NameForm::Wide)
            std::memcpy(block_.get() + nameOffset, wide.data(), nameBytes);
        else
            std::memcpy(block_.get() + nameOffset, path.c_str(), nameBytes);
    }

    LPARAM lparam() const { return reinterpret_cast<LPARAM>(block_.get()); }

private:
    // Wine names the interface by its symbolic link: the device instance part
    // in upper case, the class GUID as registered.
    static std::vector<WCHAR> WideName(const std::string& path) {
        std::string name = path;
        const size_t lastHash = name.rfind('#');
        for (size_t i = 0; lastHash != std::string::npos && i < lastHash; ++i)
            name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
        const int count = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
        std::vector<WCHAR> wide(count > 0 ? count : 1, 0);
        if (count > 0) MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wide.data(), count);
        return wide;
    }

    std::unique_ptr<unsigned char[]> block_;
};

// What a broadcast answers: the last recipient's result, unless one of them
// denied a query.
class BroadcastAnswer {
public:
    void Add(LRESULT result) {
        if (result == BROADCAST_QUERY_DENY)
            denied_ = true;
        else
            last_ = result;
    }
    LRESULT Result() const { return denied_ ? BROADCAST_QUERY_DENY : last_; }

private:
    LRESULT last_ = TRUE;
    bool denied_ = false;
};

}  // namespace

size_t CountNotifications() { return Table().Count(); }

void ResetNotifications() { Table().Clear(); }

}  // namespace hxsim::detail

using namespace hxsim::detail;

extern "C" {

HDEVNOTIFY WINAPI RegisterDeviceNotificationA(HANDLE hRecipient, LPVOID NotificationFilter, DWORD Flags) {
    if (ShouldFail("RegisterDeviceNotificationA")) return nullptr;
    const DWORD known = DEVICE_NOTIFY_SERVICE_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES;
    if ((Flags & ~known) || !hRecipient || !NotificationFilter) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A window recipient must exist; services cannot be told apart here.
    HWND window = static_cast<HWND>(hRecipient);
    if (!(Flags & DEVICE_NOTIFY_SERVICE_HANDLE) && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const auto* header = static_cast<const DEV_BROADCAST_HDR*>(NotificationFilter);
    Registration registration{window, !(Flags & DEVICE_NOTIFY_SERVICE_HANDLE), header->dbch_devicetype, GUID{}, false};
    if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        // The class GUID must lie inside the record that the size describes.
        if (header->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name)) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        const auto* filter = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(NotificationFilter);
        registration.interfaceClass = filter->dbcc_classguid;
        registration.allClasses = (Flags & DEVICE_NOTIFY_ALL_INTERFACE_CLASSES) != 0;
    } else if (header->dbch_devicetype != DBT_DEVTYP_HANDLE) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return Table().Add(registration);
}

BOOL WINAPI UnregisterDeviceNotification(HDEVNOTIFY Handle) {
    if (ShouldFail("UnregisterDeviceNotification")) return FALSE;
    if (Table().Remove(Handle)) return TRUE;
    if (Handle != nullptr && Handle != INVALID_HANDLE_VALUE)
        RecordMisuse("UnregisterDeviceNotification", reinterpret_cast<uintptr_t>(Handle));
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

}  // extern "C"

namespace hxsim {

LRESULT SendInterfaceEvent(WPARAM event, const std::string& path, NameForm form, const GUID& cls) {
    detail::BroadcastAnswer answer;
    for (HWND window : detail::Table().RecipientsFor(cls)) {
        // A record of its own for every recipient: one that writes into it
        // cannot change what the next one reads.
        const detail::InterfaceRecord record(path, cls, form);
        answer.Add(SendMessageA(window, WM_DEVICECHANGE, event, record.lparam()));
    }
    return answer.Result();
}

LRESULT SendRawDeviceChange(WPARAM event, const void* record) {
    detail::BroadcastAnswer answer;
    for (HWND window : detail::Table().RecipientsFor(kImageClassGuid))
        answer.Add(SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record)));
    return answer.Result();
}

void BroadcastNodesChanged() {
    for (HWND window : detail::AllWindows()) SendMessageA(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
}

DeviceId PlugIn(const DeviceDesc& desc, NameForm form, Delivery delivery) {
    const DeviceId id = AddDevice(desc);
    if (delivery == Delivery::Nothing) return id;
    BroadcastNodesChanged();
    if (delivery == Delivery::NodesChangedOnly) return id;
    for (const std::string& path : desc.interfaces) SendInterfaceEvent(DBT_DEVICEARRIVAL, path, form, desc.interfaceClass);
    return id;
}

void Unplug(DeviceId id, bool pending, NameForm form, Delivery delivery) {
    const detail::NodePtr node = detail::NodeById(id);
    if (!node) throw std::invalid_argument("unknown device id " + std::to_string(id));
    // A device that is already gone has nothing left to announce.
    if (!detail::MarkUnplugged(id)) return;
    detail::DriverDeviceRemoved(id);
    if (delivery == Delivery::Nothing) return;
    BroadcastNodesChanged();
    if (delivery == Delivery::NodesChangedOnly) return;
    for (const std::string& path : node->desc.interfaces) {
        if (pending) SendInterfaceEvent(DBT_DEVICEREMOVEPENDING, path, form, node->desc.interfaceClass);
        SendInterfaceEvent(DBT_DEVICEREMOVECOMPLETE, path, form, node->desc.interfaceClass);
    }
}

}  // namespace hxsim
