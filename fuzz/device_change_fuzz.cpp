// WM_DEVICECHANGE with arbitrary broadcast records, sent to the monitor's
// window procedure with a device tree around it: any event code, any
// dbch_size and device type, 8-bit and wide names, names without a
// terminator. Each record is handed over in a block exactly as large as its
// dbch_size claims (at least a header), as the platform would build it, so a
// read past the claimed end is an overrun that ASan reports.
//
// Input layout (fuzz/make-corpus.py writes seeds in it):
//   byte  world   bit0 camera 0 present at start   bit1 another image device present
//                 bit2 camera 1 appears after start (an arrival can bring it in)
//                 bit3 camera 1 has a registered SnapButton program
//                 bit4 the cameras refuse opens    bit5 the cameras refuse arming
//                 bit6 press every armed camera at the end
//   then up to 8 records, each:
//   byte  event   index into kEvents; 0xFF takes the next word as wParam;
//                 0xFE: the timer that follows a tree change fires (no record)
//   sized record bytes, laid out as DEV_BROADCAST_DEVICEINTERFACE_A/W
//
// After every record no handle may have been misused and nothing written to
// the registry; an armed camera must still launch; after WM_CLOSE nothing may
// be left open.
#include <cstring>
#include <memory>
#include <string>

#include <dbt.h>

#include "fuzz_support.h"
#include "monitor.h"

namespace {

constexpr size_t kMaxRecordInput = 1024;
constexpr DWORD kMaxRecordSize = 1u << 16;
constexpr int kMaxRecords = 8;

const WPARAM kEvents[] = {
    DBT_DEVICEARRIVAL,     DBT_DEVICEREMOVECOMPLETE,    DBT_DEVICEREMOVEPENDING,
    DBT_DEVICEQUERYREMOVE, DBT_DEVICEQUERYREMOVEFAILED, DBT_DEVNODES_CHANGED,
    DBT_CUSTOMEVENT,       DBT_DEVICETYPESPECIFIC,      DBT_CONFIGCHANGED,
    DBT_USERDEFINED};
constexpr size_t kEventCount = sizeof(kEvents) / sizeof(kEvents[0]);

struct World {
    std::vector<hxsim::DeviceId> cameras;
};

// The window the monitor's WM_CREATE sets up, created the way MonitorMain
// does, but driven from here without a message loop.
HWND CreateMonitorWindow() {
    WNDCLASSEXA windowClass;
    std::memset(&windowClass, 0, sizeof(windowClass));
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MonitorWndProc;
    windowClass.lpszClassName = MONITOR_CLASS_NAME;
    RegisterClassExA(&windowClass);
    return CreateWindowExA(0, MONITOR_CLASS_NAME, MONITOR_WINDOW_TITLE, WS_OVERLAPPEDWINDOW,
                           CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, nullptr, nullptr);
}

World BuildWorld(uint8_t flags) {
    World world;
    if (flags & 0x01)
        world.cameras.push_back(hxsim::AddDevice(hxsim::CameraDesc(0)));
    if (flags & 0x02)
        hxsim::AddDevice(hxsim::OtherImageDesc(0));
    return world;
}

// Changes to the tree after the monitor has built its information set.
void ChangeWorldAfterStart(uint8_t flags, World& world) {
    if (flags & 0x04) {
        const auto desc = hxsim::CameraDesc(1);
        if (flags & 0x08) {
            const auto& bytes = desc.driver->bytes;
            std::string driver(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
            hxsim::SetValue(
                "SYSTEM\\CurrentControlSet\\Control\\Class\\" + driver + "\\Events\\SnapButton",
                "LaunchApplications", hxsim::RegData::Text("Fuzz Imaging"));
            hxsim::SetValue(
                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\StillImage\\Registered Applications",
                "Fuzz Imaging", hxsim::RegData::Text("C:\\fuzz\\imaging.exe /snap"));
        }
        world.cameras.push_back(hxsim::AddDevice(desc));
    }
    for (auto camera : world.cameras) {
        hxsim::RefuseOpen(camera, (flags & 0x10) != 0);
        hxsim::RefuseArm(camera, (flags & 0x20) != 0);
    }
}

// The record in a block of exactly its claimed size: the claim is kept when
// it is at least a header, so names without a terminator end at the block's
// end; bytes beyond the input are zero, as in a record the platform filled.
std::unique_ptr<uint8_t[]> MakeRecord(const std::vector<uint8_t>& bytes) {
    DWORD claimed = 0;
    if (!bytes.empty())
        std::memcpy(&claimed, bytes.data(), std::min<size_t>(bytes.size(), sizeof(claimed)));
    DWORD size = std::max<DWORD>(claimed, sizeof(DEV_BROADCAST_HDR));
    if (size > kMaxRecordSize)
        size = kMaxRecordSize;
    std::unique_ptr<uint8_t[]> record(new uint8_t[size]);
    std::memset(record.get(), 0, size);
    if (!bytes.empty())
        std::memcpy(record.get(), bytes.data(), std::min<size_t>(bytes.size(), size));
    // A claim larger than the block would make the platform the liar.
    if (claimed > size)
        std::memcpy(record.get(), &size, sizeof(size));
    return record;
}

void PressArmedCameras(const World& world) {
    for (auto camera : world.cameras) {
        if (!hxsim::IsArmed(camera))
            continue;
        const size_t before = hxsim::Launches().size();
        hxfuzz::Check(hxsim::PressSnapButton(camera), "an armed camera takes a press");
        hxfuzz::Check(hxsim::WaitForLaunches(before + 1, hxsim::Millis(3000)),
                      "a press on an armed camera starts a program");
    }
}

void Run(hxfuzz::Input& in) {
    const uint8_t flags = in.Byte();
    World world = BuildWorld(flags);
    const HWND window = CreateMonitorWindow();
    hxfuzz::Check(window != nullptr, "the monitor's window is created");
    ChangeWorldAfterStart(flags, world);
    hxfuzz::CheckWorld();

    for (int i = 0; i < kMaxRecords && !in.empty(); ++i) {
        const uint8_t selector = in.Byte();
        if (selector == 0xFE) {
            MonitorWndProc(window, WM_TIMER, MONITOR_SETTLE_TIMER, 0);
            hxfuzz::CheckWorld();
            continue;
        }
        const WPARAM event = selector == 0xFF ? in.Word() : kEvents[selector % kEventCount];
        const auto bytes = in.Sized(kMaxRecordInput);
        const auto record = MakeRecord(bytes);
        const LRESULT result =
            MonitorWndProc(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record.get()));
        // Handled arrivals and removals of device interfaces answer TRUE.
        DWORD type = 0;
        std::memcpy(&type, record.get() + offsetof(DEV_BROADCAST_HDR, dbch_devicetype),
                    sizeof(type));
        if (type == DBT_DEVTYP_DEVICEINTERFACE &&
            (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVEPENDING ||
             event == DBT_DEVICEREMOVECOMPLETE))
            hxfuzz::Check(result == TRUE, "an interface arrival or removal answers TRUE");
        hxfuzz::CheckWorld();
    }

    if (flags & 0x40)
        PressArmedCameras(world);

    SendMessageA(window, WM_CLOSE, 0, 0);
    hxfuzz::WaitForWorldThreads();
    for (auto camera : world.cameras)
        hxfuzz::Check(!hxsim::IsArmed(camera), "no camera is left armed after WM_CLOSE");
    hxfuzz::CheckWorld();
    hxfuzz::CheckNothingHeld("after WM_CLOSE");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const hxfuzz::InputWorld inputWorld;
    hxfuzz::Input in(data, size);
    Run(in);
    return 0;
}
