// Device notifications: who registers, and what the plug-and-play manager
// sends when a test plugs devices in and out.
#include "platform_test_support.h"

#include <dbt.h>

#include <cstddef>
#include <cstring>

namespace {

using hxplatformtest::FreshWorld;

// One WM_DEVICECHANGE as a window saw it, with a copy of its record.
struct Seen {
    HWND window;
    WPARAM event;
    bool hasRecord;
    std::vector<unsigned char> record;  // dbch_size bytes

    DWORD size() const { return header().dbch_size; }
    DEV_BROADCAST_HDR header() const {
        DEV_BROADCAST_HDR h{};
        std::memcpy(&h, record.data(), sizeof h);
        return h;
    }
    GUID classGuid() const {
        GUID g{};
        std::memcpy(&g, record.data() + offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid), sizeof g);
        return g;
    }
    std::string ansiName() const {
        return reinterpret_cast<const char*>(record.data() + offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name));
    }
    std::string wideNameAsAscii() const {
        std::string name;
        for (size_t at = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name); at + 1 < record.size(); at += 2) {
            const WCHAR c = static_cast<WCHAR>(record[at] | record[at + 1] << 8);
            if (!c) break;
            name += static_cast<char>(c);
        }
        return name;
    }
};

std::vector<Seen>* g_seen = nullptr;
LRESULT g_answer = TRUE;

LRESULT CALLBACK Recorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_DEVICECHANGE) return DefWindowProcA(hwnd, message, wParam, lParam);
    Seen seen{hwnd, wParam, lParam != 0, {}};
    if (lParam) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(lParam);
        DWORD size = 0;
        std::memcpy(&size, bytes, sizeof size);
        seen.record.assign(bytes, bytes + size);  // reads exactly what the record says it has
    }
    g_seen->push_back(seen);
    return g_answer;
}

class NotificationTest : public FreshWorld {
protected:
    void SetUp() override {
        FreshWorld::SetUp();
        g_seen = &seen_;
        g_answer = TRUE;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Recorder;
        wc.lpszClassName = "hxNotificationRecorder";
        RegisterClassExA(&wc);
    }
    void TearDown() override {
        for (HDEVNOTIFY n : registrations_) UnregisterDeviceNotification(n);
        for (HWND w : windows_) DestroyWindow(w);
        UnregisterClassA("hxNotificationRecorder", nullptr);
        g_seen = nullptr;
        FreshWorld::TearDown();
    }
    // A window of this thread, so that messages sent to it arrive at once.
    HWND Window() {
        HWND w = CreateWindowExA(0, "hxNotificationRecorder", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        windows_.push_back(w);
        return w;
    }
    HDEVNOTIFY Register(HWND window, const GUID& cls, DWORD flags = DEVICE_NOTIFY_WINDOW_HANDLE) {
        DEV_BROADCAST_DEVICEINTERFACE_A filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = cls;
        HDEVNOTIFY n = RegisterDeviceNotificationA(window, &filter, flags);
        if (n) registrations_.push_back(n);
        return n;
    }
    std::vector<WPARAM> EventsOf(HWND window) const {
        std::vector<WPARAM> events;
        for (const Seen& s : seen_)
            if (s.window == window) events.push_back(s.event);
        return events;
    }

    std::vector<Seen> seen_;
    std::vector<HWND> windows_;
    std::vector<HDEVNOTIFY> registrations_;
};

const GUID kOtherClass = {0xe6f07b5f, 0xee97, 0x4a90, {0xb0, 0x76, 0x33, 0xf5, 0x7b, 0xf4, 0xea, 0xa7}};

TEST_F(NotificationTest, PlugInTellsEveryWindowTheTreeChangedAndRegisteredOnesWhatArrived) {
    HWND listener = Window();
    HWND bystander = Window();
    HWND otherClass = Window();
    ASSERT_NE(Register(listener, hxsim::kImageClassGuid), nullptr);
    ASSERT_NE(Register(otherClass, kOtherClass), nullptr);
    EXPECT_EQ(hxsim::OpenHandles().notifications, 2u);

    const auto desc = hxsim::CameraDesc(2);
    hxsim::PlugIn(desc);

    EXPECT_EQ(EventsOf(listener), (std::vector<WPARAM>{DBT_DEVNODES_CHANGED, DBT_DEVICEARRIVAL}));
    EXPECT_EQ(EventsOf(bystander), std::vector<WPARAM>{DBT_DEVNODES_CHANGED});
    EXPECT_EQ(EventsOf(otherClass), std::vector<WPARAM>{DBT_DEVNODES_CHANGED});
    ASSERT_EQ(seen_.size(), 4u);
    EXPECT_FALSE(seen_[0].hasRecord) << "DBT_DEVNODES_CHANGED carries no record";

    const Seen& arrival = seen_.back();
    const std::string& path = desc.interfaces[0];
    EXPECT_EQ(arrival.size(), offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + path.size() + 1);
    EXPECT_EQ(arrival.header().dbch_devicetype, static_cast<DWORD>(DBT_DEVTYP_DEVICEINTERFACE));
    EXPECT_EQ(arrival.classGuid(), hxsim::kImageClassGuid);
    EXPECT_EQ(arrival.ansiName(), path);
}

TEST_F(NotificationTest, WideRecordsCountTwoBytesACharacterAndNameTheInstanceInUpperCase) {
    HWND listener = Window();
    ASSERT_NE(Register(listener, hxsim::kImageClassGuid), nullptr);
    const auto desc = hxsim::CameraDesc(7);

    const hxsim::DeviceId camera = hxsim::PlugIn(desc, hxsim::NameForm::Wide);
    hxsim::Unplug(camera, true, hxsim::NameForm::Wide);

    EXPECT_EQ(EventsOf(listener),
              (std::vector<WPARAM>{DBT_DEVNODES_CHANGED, DBT_DEVICEARRIVAL, DBT_DEVNODES_CHANGED,
                                   DBT_DEVICEREMOVEPENDING, DBT_DEVICEREMOVECOMPLETE}));
    const std::string& path = desc.interfaces[0];  // \\?\root#image#0007#{6bdd...}
    for (const Seen& s : seen_) {
        if (!s.hasRecord) continue;
        EXPECT_EQ(s.size(), offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + 2 * (path.size() + 1));
        EXPECT_EQ(s.wideNameAsAscii(), "\\\\?\\ROOT#IMAGE#0007#{6bdd1fc6-810f-11d0-bec7-08002be2092f}");
    }
}

TEST_F(NotificationTest, AllClassesRegistrationHearsEveryClassAndUnregisteredWindowsNothing) {
    HWND everything = Window();
    HWND gone = Window();
    ASSERT_NE(Register(everything, kOtherClass, DEVICE_NOTIFY_ALL_INTERFACE_CLASSES), nullptr);
    HDEVNOTIFY goneRegistration = Register(gone, hxsim::kImageClassGuid);
    ASSERT_TRUE(UnregisterDeviceNotification(goneRegistration));
    registrations_.pop_back();

    EXPECT_EQ(hxsim::SendInterfaceEvent(DBT_DEVICEARRIVAL, "\\\\?\\x#y#z#{6bdd1fc6-810f-11d0-bec7-08002be2092f}"), TRUE);

    EXPECT_EQ(EventsOf(everything), std::vector<WPARAM>{DBT_DEVICEARRIVAL});
    EXPECT_TRUE(EventsOf(gone).empty());

    // Unregistering twice is a use of a closed handle.
    EXPECT_FALSE(UnregisterDeviceNotification(goneRegistration));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(hxsim::HandleMisuse().size(), 1u);
}

TEST_F(NotificationTest, FiltersThatAreNotInterfaceFiltersOrNotWholeAreRefused) {
    HWND window = Window();
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    EXPECT_EQ(RegisterDeviceNotificationA(window, &volume, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid) + 8;  // GUID cut in half
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    EXPECT_EQ(RegisterDeviceNotificationA(window, &filter, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

    filter.dbcc_size = sizeof filter;
    EXPECT_EQ(RegisterDeviceNotificationA(nullptr, &filter, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RegisterDeviceNotificationA(window, &filter, 0x100), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    hxsim::FailCall("RegisterDeviceNotificationA", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(RegisterDeviceNotificationA(window, &filter, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(hxsim::OpenHandles().notifications, 0u);
}

TEST_F(NotificationTest, OneDenialAnswersAQueryAndRawRecordsArriveAsGiven) {
    HWND first = Window();
    HWND second = Window();
    Register(first, hxsim::kImageClassGuid);
    Register(second, hxsim::kImageClassGuid);

    g_answer = BROADCAST_QUERY_DENY;
    EXPECT_EQ(hxsim::SendInterfaceEvent(DBT_DEVICEQUERYREMOVE, hxsim::CameraDesc().interfaces[0]),
              BROADCAST_QUERY_DENY);
    EXPECT_EQ(seen_.size(), 2u) << "every registered window is asked";

    g_answer = TRUE;
    DEV_BROADCAST_HDR odd{sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_PORT, 0};
    EXPECT_EQ(hxsim::SendRawDeviceChange(DBT_DEVICEARRIVAL, &odd), TRUE);
    ASSERT_EQ(seen_.size(), 4u);
    EXPECT_EQ(seen_[3].size(), sizeof(DEV_BROADCAST_HDR));
    EXPECT_EQ(seen_[3].header().dbch_devicetype, static_cast<DWORD>(DBT_DEVTYP_PORT));
}

}  // namespace
