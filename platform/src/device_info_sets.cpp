// Device installer functions (setupapi): device information sets built from
// the simulated device tree, their interfaces, paths and properties. Argument
// checks follow Wine's setupapi, which follows Windows; where Wine is a stub
// (SetupDiOpenDeviceInterfaceA) they follow the platform's documentation.

#include "device_tree.h"

#include <setupapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace hxsim::detail {
namespace {

struct SetInterface {
    ULONG_PTR token;  // SP_DEVICE_INTERFACE_DATA.Reserved
    NodePtr node;
    size_t index;  // into node->desc.interfaces
    const std::string& path() const { return node->desc.interfaces[index]; }
};

struct SetDevice {
    ULONG_PTR token;  // SP_DEVINFO_DATA.Reserved
    NodePtr node;
    std::vector<SetInterface> interfaces;
};

struct InfoSet {
    std::vector<SetDevice> devices;  // enumeration order: devices, then their interfaces
    ULONG_PTR nextToken = 1;
};

// Set handles are tokens of their own, never handed out twice in a process,
// so that a destroyed set is recognised when it is used again.
constexpr uintptr_t kFirstSetHandle = 0x00c40010;
constexpr uintptr_t kSetHandleStep = 0x28;

class InfoSets {
public:
    std::mutex mutex;

    HDEVINFO Insert(InfoSet set) {
        const uintptr_t value = next_;
        next_ += kSetHandleStep;
        sets_.emplace(value, std::move(set));
        return reinterpret_cast<HDEVINFO>(value);
    }

    // The open set behind `handle`; nullptr (last error set, misuse noted
    // for anything but the usual failure values) when there is none.
    InfoSet* Find(HDEVINFO handle, const char* api) {
        auto it = sets_.find(reinterpret_cast<uintptr_t>(handle));
        if (it != sets_.end()) return &it->second;
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            RecordMisuse(api, reinterpret_cast<uintptr_t>(handle));
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }

    bool Erase(HDEVINFO handle) { return sets_.erase(reinterpret_cast<uintptr_t>(handle)) != 0; }
    size_t Count() const { return sets_.size(); }
    void Clear() { sets_.clear(); }

private:
    std::map<uintptr_t, InfoSet> sets_;
    uintptr_t next_ = kFirstSetHandle;
};

InfoSets& Sets() {
    static auto* sets = new InfoSets;
    return *sets;
}

using Guard = std::lock_guard<std::mutex>;

// The interface a caller's record names in this set; null with
// ERROR_INVALID_PARAMETER when the record is missing, malformed or foreign.
SetInterface* FindInterface(InfoSet& set, const SP_DEVICE_INTERFACE_DATA* data, SetDevice** owner = nullptr) {
    if (data && data->cbSize == sizeof(SP_DEVICE_INTERFACE_DATA))
        for (SetDevice& device : set.devices)
            for (SetInterface& entry : device.interfaces)
                if (entry.token == data->Reserved) {
                    if (owner) *owner = &device;
                    return &entry;
                }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

// The same for a device record.
SetDevice* FindDevice(InfoSet& set, const SP_DEVINFO_DATA* data) {
    if (data && data->cbSize == sizeof(SP_DEVINFO_DATA))
        for (SetDevice& device : set.devices)
            if (device.token == data->Reserved) return &device;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

SetInterface* FindInterfaceByPath(InfoSet& set, const std::string& path) {
    for (SetDevice& device : set.devices)
        for (SetInterface& entry : device.interfaces)
            if (SamePath(entry.path(), path)) return &entry;
    return nullptr;
}

void FillInterfaceData(const SetInterface& entry, SP_DEVICE_INTERFACE_DATA* data) {
    data->InterfaceClassGuid = entry.node->desc.interfaceClass;
    data->Flags = entry.node->present ? SPINT_ACTIVE : 0;
    data->Reserved = entry.token;
}

void FillDeviceData(const SetDevice& device, SP_DEVINFO_DATA* data) {
    // Image devices are both of the image setup class and the image interface class.
    data->ClassGuid = device.node->desc.interfaceClass;
    data->DevInst = device.node->devInst;
    data->Reserved = device.token;
}

// The device's node as the tree holds it now: properties live with the device
// instance, so a device plugged in again is read as it is now.
NodePtr CurrentNodeOf(const NodePtr& node) {
    for (const NodePtr& current : CurrentNodes())
        if (SamePath(current->desc.instanceId, node->desc.instanceId)) return current;
    return node;
}

// The set's entry for the node's device, found by instance id as the
// platform finds it, or a new one at the end.
SetDevice& DeviceEntryFor(InfoSet& set, const NodePtr& node) {
    for (SetDevice& device : set.devices)
        if (SamePath(device.node->desc.instanceId, node->desc.instanceId)) return device;
    set.devices.push_back(SetDevice{set.nextToken++, node, {}});
    return set.devices.back();
}

bool MatchesEnumerator(const DeviceNode& node, const char* enumerator) {
    const std::string& id = node.desc.instanceId;
    return SamePath(id, enumerator) || SamePath(id.substr(0, id.find('\\')), enumerator);
}

// Adds what SetupDiGetClassDevs finds to `set`: devices of the class, or with
// DIGCF_DEVICEINTERFACE the devices that have interfaces of it, with those
// interfaces. What the set holds already is not added twice.
void AddMatchingDevices(InfoSet& set, const GUID* cls, PCSTR enumerator, DWORD flags) {
    for (const NodePtr& node : CurrentNodes()) {
        if ((flags & DIGCF_PRESENT) && !node->present) continue;
        if (enumerator && *enumerator && !MatchesEnumerator(*node, enumerator)) continue;
        if (!(flags & DIGCF_ALLCLASSES) && node->desc.interfaceClass != *cls) continue;
        if ((flags & DIGCF_DEVICEINTERFACE) && node->desc.interfaces.empty()) continue;
        SetDevice& device = DeviceEntryFor(set, node);
        if (!(flags & DIGCF_DEVICEINTERFACE)) continue;
        for (size_t i = 0; i < node->desc.interfaces.size(); ++i) {
            const std::string& path = node->desc.interfaces[i];
            bool held = false;
            for (const SetInterface& entry : device.interfaces) held = held || SamePath(entry.path(), path);
            if (!held) device.interfaces.push_back(SetInterface{set.nextToken++, node, i});
        }
    }
}

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

// The device's property as its registry entry holds it; nothing when absent.
std::optional<RegData> PropertyValue(const DeviceNode& node, DWORD property) {
    switch (property) {
    case SPDRP_SERVICE:
        return node.desc.service;
    case SPDRP_DRIVER:
        return node.desc.driver;
    case SPDRP_FRIENDLYNAME:
        return node.desc.friendlyName;
    case SPDRP_DEVICEDESC:
        return node.desc.description;
    case SPDRP_HARDWAREID: {
        // The instance id without its instance part, as one multi-string.
        const std::string& id = node.desc.instanceId;
        RegData data = RegData::Text(id.substr(0, id.rfind('\\')));
        data.type = REG_MULTI_SZ;
        data.bytes.push_back(0);
        return data;
    }
    case SPDRP_CLASSGUID:
        return RegData::Text(GuidText(node.desc.interfaceClass));
    case SPDRP_CLASS:
        if (node.desc.interfaceClass == kImageClassGuid) return RegData::Text("Image");
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

}  // namespace

size_t CountDevInfoSets() {
    Guard guard(Sets().mutex);
    return Sets().Count();
}

void ResetDevInfoSets() {
    Guard guard(Sets().mutex);
    Sets().Clear();
}

}  // namespace hxsim::detail

using namespace hxsim::detail;

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND, DWORD Flags) {
    if (ShouldFail("SetupDiGetClassDevsA")) return INVALID_HANDLE_VALUE;
    if (!ClassGuid && !(Flags & DIGCF_ALLCLASSES)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    InfoSet set;
    AddMatchingDevices(set, ClassGuid, Enumerator, Flags);
    // A class with nothing in it gives an empty set, not a failure.
    Guard guard(Sets().mutex);
    return Sets().Insert(std::move(set));
}

HDEVINFO WINAPI SetupDiGetClassDevsExA(const GUID* ClassGuid, PCSTR Enumerator, HWND, DWORD Flags,
                                       HDEVINFO DeviceInfoSet, PCSTR MachineName, PVOID Reserved) {
    if (ShouldFail("SetupDiGetClassDevsExA")) return INVALID_HANDLE_VALUE;
    if (Reserved || (!ClassGuid && !(Flags & DIGCF_ALLCLASSES))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (MachineName && *MachineName) {
        SetLastError(ERROR_INVALID_MACHINENAME);
        return INVALID_HANDLE_VALUE;
    }
    Guard guard(Sets().mutex);
    if (!DeviceInfoSet) {
        InfoSet set;
        AddMatchingDevices(set, ClassGuid, Enumerator, Flags);
        return Sets().Insert(std::move(set));
    }
    InfoSet* set = Sets().Find(DeviceInfoSet, "SetupDiGetClassDevsExA");
    if (!set) return INVALID_HANDLE_VALUE;
    AddMatchingDevices(*set, ClassGuid, Enumerator, Flags);
    return DeviceInfoSet;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                        const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    if (ShouldFail("SetupDiEnumDeviceInterfaces")) return FALSE;
    if (!DeviceInterfaceData || DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The record is cleared before anything else, for callers that ignore the result.
    *DeviceInterfaceData = SP_DEVICE_INTERFACE_DATA{};
    DeviceInterfaceData->cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);

    Guard guard(Sets().mutex);
    InfoSet* set = Sets().Find(DeviceInfoSet, "SetupDiEnumDeviceInterfaces");
    if (!set) return FALSE;
    if (!InterfaceClassGuid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SetDevice* only = nullptr;
    if (DeviceInfoData && !(only = FindDevice(*set, DeviceInfoData))) return FALSE;
    DWORD seen = 0;
    for (SetDevice& device : set->devices) {
        if (only && &device != only) continue;
        for (SetInterface& entry : device.interfaces) {
            if (entry.node->desc.interfaceClass != *InterfaceClassGuid) continue;
            if (seen++ == MemberIndex) {
                FillInterfaceData(entry, DeviceInterfaceData);
                return TRUE;
            }
        }
    }
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO DeviceInfoSet,
                                             PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
                                             DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                                             PSP_DEVINFO_DATA DeviceInfoData) {
    if (ShouldFail("SetupDiGetDeviceInterfaceDetailA")) return FALSE;
    Guard guard(Sets().mutex);
    InfoSet* set = Sets().Find(DeviceInfoSet, "SetupDiGetDeviceInterfaceDetailA");
    if (!set) return FALSE;
    SetDevice* device = nullptr;
    SetInterface* entry = FindInterface(*set, DeviceInterfaceData, &device);
    if (!entry) return FALSE;
    if ((DeviceInterfaceDetailData &&
         DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) ||
        (!DeviceInterfaceDetailData && DeviceInterfaceDetailDataSize != 0)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }

    const std::string& path = entry->path();
    const DWORD needed =
        static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    if (RequiredSize) *RequiredSize = needed;
    // The device record is filled whether or not the path fits: callers use
    // the size query for exactly that.
    if (DeviceInfoData && DeviceInfoData->cbSize == sizeof(SP_DEVINFO_DATA)) FillDeviceData(*device, DeviceInfoData);
    if (DeviceInterfaceDetailDataSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(DeviceInterfaceDetailData->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                              DWORD Property, PDWORD PropertyRegDataType,
                                              PBYTE PropertyBuffer, DWORD PropertyBufferSize,
                                              PDWORD RequiredSize) {
    if (ShouldFail("SetupDiGetDeviceRegistryPropertyA")) return FALSE;
    Guard guard(Sets().mutex);
    InfoSet* set = Sets().Find(DeviceInfoSet, "SetupDiGetDeviceRegistryPropertyA");
    if (!set) return FALSE;
    SetDevice* device = FindDevice(*set, DeviceInfoData);
    if (!device) return FALSE;
    if (Property >= SPDRP_MAXIMUM_PROPERTY) {
        SetLastError(ERROR_INVALID_REG_PROPERTY);
        return FALSE;
    }
    if (!PropertyBuffer && PropertyBufferSize != 0) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const std::optional<hxsim::RegData> value = PropertyValue(*CurrentNodeOf(device->node), Property);
    if (!value) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const DWORD size = static_cast<DWORD>(value->bytes.size());
    if (PropertyRegDataType) *PropertyRegDataType = value->type;
    if (RequiredSize) *RequiredSize = size;
    if (PropertyBufferSize < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (size) std::memcpy(PropertyBuffer, value->bytes.data(), size);
    return TRUE;
}

BOOL WINAPI SetupDiOpenDeviceInterfaceA(HDEVINFO DeviceInfoSet, PCSTR DevicePath, DWORD OpenFlags,
                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    if (ShouldFail("SetupDiOpenDeviceInterfaceA")) return FALSE;
    Guard guard(Sets().mutex);
    InfoSet* set = Sets().Find(DeviceInfoSet, "SetupDiOpenDeviceInterfaceA");
    if (!set) return FALSE;
    if (!DevicePath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (DeviceInterfaceData && DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (OpenFlags & ~static_cast<DWORD>(DIODI_NO_ADD)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return FALSE;
    }
    SetInterface* entry = FindInterfaceByPath(*set, DevicePath);
    if (!entry) {
        // Only an interface the tree knows can be added, present or not: the
        // platform keeps the interfaces of unplugged devices registered.
        size_t index = 0;
        NodePtr node = (OpenFlags & DIODI_NO_ADD) ? nullptr : NodeByInterfacePath(DevicePath, &index);
        if (!node) {
            SetLastError(ERROR_NO_SUCH_DEVICE_INTERFACE);
            return FALSE;
        }
        SetDevice& device = DeviceEntryFor(*set, node);
        device.interfaces.push_back(SetInterface{set->nextToken++, node, index});
        entry = &device.interfaces.back();
    }
    if (DeviceInterfaceData) FillInterfaceData(*entry, DeviceInterfaceData);
    return TRUE;
}

BOOL WINAPI SetupDiDeleteDeviceInterfaceData(HDEVINFO DeviceInfoSet,
                                             PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    if (ShouldFail("SetupDiDeleteDeviceInterfaceData")) return FALSE;
    Guard guard(Sets().mutex);
    InfoSet* set = Sets().Find(DeviceInfoSet, "SetupDiDeleteDeviceInterfaceData");
    if (!set) return FALSE;
    SetDevice* device = nullptr;
    SetInterface* entry = FindInterface(*set, DeviceInterfaceData, &device);
    if (!entry) return FALSE;
    device->interfaces.erase(device->interfaces.begin() + (entry - device->interfaces.data()));
    return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    if (ShouldFail("SetupDiDestroyDeviceInfoList")) return FALSE;
    Guard guard(Sets().mutex);
    if (!Sets().Find(DeviceInfoSet, "SetupDiDestroyDeviceInfoList")) return FALSE;
    Sets().Erase(DeviceInfoSet);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // extern "C"
