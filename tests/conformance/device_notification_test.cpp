// Registering a window for device-interface notifications.

#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

namespace {

const GUID kImageClass = {0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};

class NotificationWindow : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "hxConfNotificationWindow";
        RegisterClassExA(&wc);
        window_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, window_);
    }
    void TearDown() override {
        if (window_) DestroyWindow(window_);
        UnregisterClassA("hxConfNotificationWindow", nullptr);
    }
    static DEV_BROADCAST_DEVICEINTERFACE_A ImageFilter() {
        DEV_BROADCAST_DEVICEINTERFACE_A filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kImageClass;
        return filter;
    }

    HWND window_ = nullptr;
};

TEST_F(NotificationWindow, InterfaceFilterRegistersAndUnregisters) {
    EXPECT_EQ(32u, sizeof(DEV_BROADCAST_DEVICEINTERFACE_A));
    DEV_BROADCAST_DEVICEINTERFACE_A filter = ImageFilter();
    HDEVNOTIFY registration = RegisterDeviceNotificationA(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ASSERT_NE(nullptr, registration);
    EXPECT_TRUE(UnregisterDeviceNotification(registration));
}

TEST_F(NotificationWindow, VolumeFilterAndMissingRecipientAreRefused) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, RegisterDeviceNotificationA(window_, &volume, DEVICE_NOTIFY_WINDOW_HANDLE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());

    DEV_BROADCAST_DEVICEINTERFACE_A filter = ImageFilter();
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, RegisterDeviceNotificationA(nullptr, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

}  // namespace
