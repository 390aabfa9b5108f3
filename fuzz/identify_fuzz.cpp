// Identification of the camera among image-class devices whose service and
// driver properties have any type and length (terminated or not, too long
// for the buffers, absent) and whose interface paths have any length:
// OpenFirstDevice at start-up, GetDeviceService, and an arrival through
// OnDeviceArrival, which also opens the camera's driver key.
//
// Input layout (fuzz/make-corpus.py writes seeds in it):
//   byte  flags   bit0 OpenFirstDevice            bit1 an arrival
//                 bit2 the standard drivers' keys exist (else deleted)
//                 bit3 the arrival record is wide
//                 bit4 the arrival names a path of its own
//                 bit5 the cameras' driver refuses opens
//                 bit6 GetDeviceService on every interface
//                 bit7 devices appear after the information set was built
//   byte  device count (1 + n % 3), then per device:
//     byte  bit0 service set, bit1 service is the camera's name (else the
//           bytes below), bit2 driver set, bit3 driver is the standard one
//           (else the bytes below), bits4-5 interface count (0-2),
//           bit6 first path is the standard one, bit7 name in mixed case
//     byte  service type, sized service bytes
//     byte  driver type, sized driver bytes
//     per interface not standard: sized path bytes
//   byte  arrival: which device and interface; sized path (with bit4)
//   word  buffer size for GetDeviceService (1 + n % 400)
//
// The platform enumerates devices in the order they were added, and their
// interfaces in order; the expectations below walk the same order.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "device.h"
#include "event_worker.h"
#include "fuzz_support.h"

namespace {

constexpr const char* kCameraService = "RUdiDOVUDIRUR";
constexpr const char* kDriverClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr size_t kMaxProperty = 300;
constexpr size_t kMaxPath = 300;

struct Device {
    hxsim::DeviceDesc desc;
    hxsim::DeviceId id = -1;
    bool standardDriver = false;
};

struct Scenario {
    bool openFirst = false;
    bool arrival = false;
    bool driverKeys = false;
    bool wideRecord = false;
    bool ownPath = false;
    bool refuseOpen = false;
    bool serviceChecks = false;
    bool lateDevices = false;
    std::vector<Device> devices;
    size_t arrivalPick = 0;
    std::string arrivalPath;
    size_t serviceBufferSize = MAX_PATH;
};

std::string MixedCase(const char* text, uint8_t seed) {
    std::string mixed(text);
    for (size_t i = 0; i < mixed.size(); ++i) {
        if ((seed >> (i % 8)) & 1)
            mixed[i] = static_cast<char>(mixed[i] ^ 0x20);
    }
    return mixed;
}

bool PathTaken(const std::vector<Device>& devices, const std::string& path) {
    for (const auto& device : devices)
        for (const auto& existing : device.desc.interfaces)
            if (hxfuzz::SameIgnoringAsciiCase(existing, path))
                return true;
    return false;
}

Scenario Read(hxfuzz::Input& in) {
    Scenario s;
    const uint8_t flags = in.Byte();
    s.openFirst = flags & 0x01;
    s.arrival = flags & 0x02;
    s.driverKeys = flags & 0x04;
    s.wideRecord = flags & 0x08;
    s.ownPath = flags & 0x10;
    s.refuseOpen = flags & 0x20;
    s.serviceChecks = flags & 0x40;
    s.lateDevices = flags & 0x80;

    const int count = 1 + in.Byte() % 3;
    for (int i = 0; i < count; ++i) {
        Device device;
        const uint8_t shape = in.Byte();
        const auto standard = hxsim::CameraDesc(i);
        device.desc.instanceId = "ROOT\\IMAGE\\FUZZ" + std::to_string(i);

        const DWORD serviceType = hxfuzz::TypeFrom(in.Byte());
        auto service = in.Sized(kMaxProperty);
        if (shape & 0x02) {
            const std::string name =
                (shape & 0x80) ? MixedCase(kCameraService, shape) : kCameraService;
            service.assign(name.begin(), name.end());
            service.push_back(0);
        }
        if (shape & 0x01)
            device.desc.service = hxsim::RegData::Binary(service, serviceType);

        const DWORD driverType = hxfuzz::TypeFrom(in.Byte());
        auto driver = in.Sized(kMaxProperty);
        if (shape & 0x04) {
            device.standardDriver = (shape & 0x08) != 0;
            device.desc.driver = device.standardDriver ? *standard.driver
                                                       : hxsim::RegData::Binary(driver, driverType);
        }

        const int interfaces = (shape >> 4) & 0x03;
        for (int k = 0; k < interfaces && k < 2; ++k) {
            std::string path = (k == 0 && (shape & 0x40)) ? standard.interfaces[0]
                                                          : hxfuzz::CString(in.Sized(kMaxPath));
            // Interface paths are names the platform made: never empty, never
            // twice, not even in another case.
            const bool taken = std::any_of(
                device.desc.interfaces.begin(), device.desc.interfaces.end(),
                [&](const std::string& p) { return hxfuzz::SameIgnoringAsciiCase(p, path); });
            if (!path.empty() && !taken && !PathTaken(s.devices, path))
                device.desc.interfaces.push_back(path);
        }
        s.devices.push_back(std::move(device));
    }
    s.arrivalPick = in.Byte();
    if (s.ownPath)
        s.arrivalPath = hxfuzz::CString(in.Sized(kMaxPath));
    s.serviceBufferSize = 1 + in.Word() % 400;
    return s;
}

std::string DriverText(const hxsim::RegData& driver) {
    return hxfuzz::CString(driver.bytes);
}

// The device's service as GetDeviceService reads it into `capacity` bytes.
std::optional<std::string> ServiceAsRead(const Device& device, size_t capacity) {
    std::string text;
    if (!device.desc.service || device.desc.service->type != REG_SZ ||
        !hxfuzz::FitsAsText(device.desc.service->bytes, capacity, &text))
        return std::nullopt;
    return text;
}

// Whether a service text names the camera; nullopt when the platform's word
// sort might judge a name outside plain ASCII differently from a byte view.
std::optional<bool> NamesCamera(const std::string& service) {
    if (hxfuzz::SameIgnoringAsciiCase(service, kCameraService))
        return true;
    if (!hxfuzz::PlainAscii(service))
        return std::nullopt;
    return false;
}

bool ControlPathFits(const std::string& path) {
    return path.size() + std::strlen("\\GLOBAL") < MAX_PATH;
}

// The device OpenFirstDevice must open: the first interface whose device's
// service (read into 128 bytes, type unchecked) names the camera; a service
// that cannot be read is no camera. `decidable` is false when a name outside
// plain ASCII comes first.
struct FirstCamera {
    bool decidable = true;
    const Device* device = nullptr;
    std::string path;
};

FirstCamera ExpectFirstCamera(const Scenario& s) {
    FirstCamera first;
    if (s.lateDevices)
        return first;  // the set was built before any device was there
    for (const auto& device : s.devices) {
        for (const auto& path : device.desc.interfaces) {
            std::string service;
            if (!device.desc.service ||
                !hxfuzz::FitsAsText(device.desc.service->bytes, 128, &service))
                continue;
            const auto camera = NamesCamera(service);
            if (!camera) {
                first.decidable = false;
                return first;
            }
            if (*camera) {
                first.device = &device;
                first.path = path;
                return first;
            }
        }
    }
    return first;
}

int OpenNow(const Scenario& s) {
    int open = 0;
    for (const auto& device : s.devices)
        open += hxsim::ControlOpenNow(device.id);
    return open;
}

void CheckOpenFirstDevice(const Scenario& s, HDEVINFO set) {
    HANDLE device = NO_HANDLE;
    SP_DEVICE_INTERFACE_DATA interfaceData;
    const int found = OpenFirstDevice(set, &hxsim::kImageClassGuid, &device, &interfaceData);
    hxfuzz::CheckWorld();
    hxfuzz::Check(found == (device != NO_HANDLE), "OpenFirstDevice reports exactly what it holds");
    hxfuzz::Check(OpenNow(s) == found, "one control object open when found, none otherwise");

    const auto expected = ExpectFirstCamera(s);
    if (expected.decidable) {
        const bool opens =
            expected.device != nullptr && ControlPathFits(expected.path) && !s.refuseOpen;
        hxfuzz::Check(found == (opens ? 1 : 0), std::string("OpenFirstDevice ") +
                                                    (found ? "opened a camera" : "found none") +
                                                    ", expected the opposite");
        if (found)
            hxfuzz::Check(hxsim::ControlOpenNow(expected.device->id) == 1,
                          "the first camera in enumeration order was opened");
    }
    if (device != NO_HANDLE)
        CloseHandle(device);
}

// GetDeviceService on each interface of the set, into a heap block of
// exactly the given size, so that a write past it is an overrun.
void CheckServices(const Scenario& s, HDEVINFO set) {
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData;
        interfaceData.cbSize = sizeof(interfaceData);
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hxsim::kImageClassGuid, index,
                                         &interfaceData))
            break;
        hxfuzz::Check(index < 16, "the set holds no more interfaces than were made");

        std::unique_ptr<char[]> service(new char[s.serviceBufferSize]);
        const int read = GetDeviceService(set, &interfaceData, service.get(),
                                          static_cast<DWORD>(s.serviceBufferSize));
        hxfuzz::CheckWorld();
        if (read)
            hxfuzz::Check(std::memchr(service.get(), 0, s.serviceBufferSize) != nullptr,
                          "a service read is terminated within the buffer");

        // Which device this interface belongs to, by enumeration order.
        const Device* owner = nullptr;
        DWORD seen = 0;
        for (const auto& device : s.devices)
            for (size_t k = 0; k < device.desc.interfaces.size(); ++k, ++seen)
                if (seen == index)
                    owner = &device;
        hxfuzz::Check(owner != nullptr, "every enumerated interface was made by the input");
        const auto expected = ServiceAsRead(*owner, s.serviceBufferSize);
        hxfuzz::Check(
            read == (expected ? 1 : 0),
            std::string("GetDeviceService ") + (read ? "read a service" : "read none") +
                " from a property of type " +
                std::to_string(owner->desc.service ? owner->desc.service->type : 0) + " and " +
                std::to_string(owner->desc.service ? owner->desc.service->bytes.size() : 0) +
                " bytes into " + std::to_string(s.serviceBufferSize));
        if (read)
            hxfuzz::Check(service.get() == *expected, "GetDeviceService read the service's text");
    }
}

bool WaitUntilArmed(const Scenario& s) {
    for (int i = 0; i < 3000; ++i) {
        for (const auto& device : s.devices)
            if (hxsim::IsArmed(device.id))
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The broadcast record for an arrival of `path`, 8-bit or wide.
std::vector<uint8_t> ArrivalRecord(const std::string& path, bool wide) {
    const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
    const size_t unit = wide ? 2 : 1;
    std::vector<uint8_t> record(nameOffset + unit * (path.size() + 1), 0);
    DEV_BROADCAST_DEVICEINTERFACE_A header;
    std::memset(&header, 0, sizeof(header));
    header.dbcc_size = static_cast<DWORD>(record.size());
    header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    header.dbcc_classguid = hxsim::kImageClassGuid;
    std::memcpy(record.data(), &header, nameOffset);
    for (size_t i = 0; i < path.size(); ++i)
        record[nameOffset + unit * i] = static_cast<uint8_t>(path[i]);
    return record;
}

void CheckArrival(const Scenario& s, HDEVINFO set) {
    // The path an arrival names: one of the devices' own, or the input's,
    // which may still name a device's interface in another case.
    const Device* target = nullptr;
    std::string path = s.arrivalPath;
    if (s.ownPath) {
        for (const auto& device : s.devices)
            for (const auto& p : device.desc.interfaces)
                if (hxfuzz::SameIgnoringAsciiCase(p, path))
                    target = &device;
    } else {
        std::vector<std::pair<const Device*, std::string>> all;
        for (const auto& device : s.devices)
            for (const auto& p : device.desc.interfaces)
                all.emplace_back(&device, p);
        if (all.empty())
            return;
        target = all[s.arrivalPick % all.size()].first;
        path = all[s.arrivalPick % all.size()].second;
    }
    if (path.empty())
        return;

    DeviceMonitor monitor;
    InitDeviceMonitor(&monitor);
    monitor.hDevInfo = set;
    const auto bytes = ArrivalRecord(path, s.wideRecord);
    std::unique_ptr<uint8_t[]> record(new uint8_t[bytes.size()]);
    std::memcpy(record.get(), bytes.data(), bytes.size());
    OnDeviceArrival(&monitor, reinterpret_cast<const DEV_BROADCAST_HDR*>(record.get()));
    hxfuzz::CheckWorld();

    // A wide record of a path beyond ASCII goes through the code page; only
    // paths that survive that unchanged are matched against a device.
    if (target != nullptr && (!s.wideRecord || hxfuzz::AsciiOnly(path))) {
        const auto service = ServiceAsRead(*target, MAX_PATH);
        const auto camera = service ? NamesCamera(*service) : std::optional<bool>(false);
        if (camera) {
            const bool opens = *camera && ControlPathFits(path) && !s.refuseOpen;
            hxfuzz::Check(
                (monitor.hDevice != NO_HANDLE) == opens,
                std::string("the arrival ") + (opens ? "did not open" : "opened") + " the camera");
            hxfuzz::Check((monitor.hThread != NO_HANDLE) == opens,
                          "a worker runs exactly when a camera was opened");
        }
        // Only the camera's own key is ever held. A name that does not fit
        // a 260-byte path buffer may be dropped before anything is looked up.
        if (camera && !*camera)
            hxfuzz::Check(monitor.hDriverKey == NO_KEY, "no key is held for another device");
        if (camera && *camera && target->standardDriver && path.size() < MAX_PATH)
            hxfuzz::Check((monitor.hDriverKey != NO_KEY) == s.driverKeys,
                          "the camera's standard driver key is held exactly when it exists");
    }
    if (monitor.hThread != NO_HANDLE)
        hxfuzz::Check(WaitUntilArmed(s), "the started worker arms the camera");

    StopEventWorker(&monitor);
    ReleaseWorkerAndKey(&monitor);
    ReleaseDevice(&monitor);
    hxfuzz::WaitForWorldThreads();
    hxfuzz::CheckWorld();
}

// The platform makes a device's driver key when it adds the device; without
// bit2 the standard drivers' keys are taken away again.
void AddDevices(Scenario& s) {
    for (auto& device : s.devices) {
        device.id = hxsim::AddDevice(device.desc);
        hxsim::RefuseOpen(device.id, s.refuseOpen);
    }
    for (const auto& device : s.devices)
        if (!s.driverKeys && device.standardDriver)
            hxsim::DeleteKey(kDriverClassKey + DriverText(*device.desc.driver));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const hxfuzz::InputWorld inputWorld;
    hxfuzz::Input in(data, size);
    Scenario s = Read(in);

    if (!s.lateDevices)
        AddDevices(s);
    const HDEVINFO set = SetupDiGetClassDevsA(&hxsim::kImageClassGuid, nullptr, nullptr,
                                              DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    hxfuzz::Check(set != NO_HANDLE, "the information set is built");
    if (s.lateDevices)
        AddDevices(s);

    if (s.openFirst)
        CheckOpenFirstDevice(s, set);
    if (s.serviceChecks && !s.lateDevices)
        CheckServices(s, set);
    if (s.arrival)
        CheckArrival(s, set);

    SetupDiDestroyDeviceInfoList(set);
    hxfuzz::CheckWorld();
    hxfuzz::CheckNothingHeld("after the set was destroyed");
    return 0;
}
