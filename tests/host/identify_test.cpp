// Finding the camera among the image devices present at start-up, and
// opening its driver's control object.
#include "monitor_fixture.h"

namespace {

using hxtest::RunningMonitor;
using hxtest::WorldTest;

// An image device of some driver with one interface.
hxsim::DeviceDesc ImageDevice(int index, std::optional<hxsim::RegData> service) {
    hxsim::DeviceDesc desc = hxsim::OtherImageDesc(index);
    desc.service = std::move(service);
    return desc;
}

hxsim::DeviceDesc CameraWithPathLength(size_t length) {
    hxsim::DeviceDesc desc = hxsim::CameraDesc(7);
    std::string path = "\\\\?\\root#image#0007#";
    const std::string tail = "#{6bdd1fc6-810f-11d0-bec7-08002be2092f}";
    path += std::string(length - path.size() - tail.size(), 'x') + tail;
    desc.interfaces = {path};
    return desc;
}

class IdentifyTest : public WorldTest {
protected:
    void TearDown() override {
        Release();
        WorldTest::TearDown();
    }
    void Release() {
        if (device_ != NO_HANDLE)
            CloseHandle(device_);
        if (set_ != NO_HANDLE)
            SetupDiDestroyDeviceInfoList(set_);
        device_ = NO_HANDLE;
        set_ = NO_HANDLE;
    }
    // Starts another case in the same test from an empty world.
    void FreshWorld() {
        Release();
        hxsim::ResetWorld();
    }
    // Rebuilds the set after the test has filled the device tree.
    int OpenFirst() {
        Release();
        set_ = SetupDiGetClassDevsA(&hxsim::kImageClassGuid, nullptr, nullptr,
                                    DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        interface_ = SP_DEVICE_INTERFACE_DATA{};
        return OpenFirstDevice(set_, &hxsim::kImageClassGuid, &device_, &interface_);
    }
    // The path of the interface record OpenFirstDevice left behind.
    std::string InterfacePath() {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
            char bytes[sizeof(DWORD) + MAX_PATH];
        } buffer{};
        buffer.detail.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(set_, &interface_, &buffer.detail, sizeof(buffer),
                                              nullptr, nullptr))
            return "<no interface>";
        return buffer.detail.DevicePath;
    }

    HDEVINFO set_ = NO_HANDLE;
    HANDLE device_ = NO_HANDLE;
    SP_DEVICE_INTERFACE_DATA interface_{};
};

TEST_F(IdentifyTest, NothingPresentMeansNoCamera) {
    EXPECT_EQ(OpenFirst(), 0);
    EXPECT_EQ(device_, NO_HANDLE);
}

TEST_F(IdentifyTest, OtherDriversAreWalkedPastOneByOne) {
    const auto a = hxsim::AddDevice(hxsim::OtherImageDesc(0));
    const auto b = hxsim::AddDevice(hxsim::OtherImageDesc(1));

    EXPECT_EQ(OpenFirst(), 0);
    EXPECT_EQ(device_, NO_HANDLE);
    EXPECT_EQ(hxsim::ControlOpens(a) + hxsim::ControlOpens(b), 0);
}

TEST_F(IdentifyTest, CameraAfterOtherDevicesIsOpenedWithTheDriversArguments) {
    hxsim::AddDevice(hxsim::OtherImageDesc(0));
    const auto camera = hxsim::AddDevice(hxsim::CameraDesc(1));

    EXPECT_EQ(OpenFirst(), 1);
    EXPECT_NE(device_, NO_HANDLE);
    EXPECT_EQ(hxsim::ControlOpenNow(camera), 1);
    // The interface record left behind is the camera's, for its driver key.
    EXPECT_EQ(InterfacePath(), hxsim::CameraDesc(1).interfaces.front());

    const auto args = hxsim::LastOpenArgs(camera);
    ASSERT_TRUE(args.has_value());
    EXPECT_EQ(args->access, GENERIC_READ);
    EXPECT_EQ(args->share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));
    EXPECT_EQ(args->disposition, static_cast<DWORD>(OPEN_ALWAYS));
    EXPECT_EQ(args->flags, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(args->security);
    EXPECT_FALSE(args->tmpl);
}

TEST_F(IdentifyTest, UnreadableServiceIsPassedOverAndTheCameraAfterItOpened) {
    // No service property at all, a service name too long for 128 bytes, and
    // one that fills the 128 bytes without a terminator.
    const std::vector<std::optional<hxsim::RegData>> unreadable = {
        std::nullopt, hxsim::RegData::Text(std::string(128, 's')),
        hxsim::RegData::Binary(std::vector<uint8_t>(128, 'u'), REG_SZ)};
    for (const auto& service : unreadable) {
        SCOPED_TRACE(service ? service->bytes.size() : 0);
        FreshWorld();
        const auto other = hxsim::AddDevice(ImageDevice(0, service));
        const auto camera = hxsim::AddDevice(hxsim::CameraDesc(1));

        EXPECT_EQ(OpenFirst(), 1);
        EXPECT_EQ(hxsim::ControlOpenNow(camera), 1);
        EXPECT_EQ(hxsim::ControlOpens(other), 0);
        EXPECT_EQ(InterfacePath(), hxsim::CameraDesc(1).interfaces.front());
    }

    // Alone, such an interface is no camera.
    FreshWorld();
    hxsim::AddDevice(ImageDevice(0, std::nullopt));
    EXPECT_EQ(OpenFirst(), 0);
    EXPECT_EQ(device_, NO_HANDLE);
}

TEST_F(IdentifyTest, ServiceThatJustFitsIsReadAndPassedOver) {
    hxsim::AddDevice(ImageDevice(0, hxsim::RegData::Text(std::string(127, 's'))));
    const auto camera = hxsim::AddDevice(hxsim::CameraDesc(1));

    EXPECT_EQ(OpenFirst(), 1);
    EXPECT_EQ(hxsim::ControlOpenNow(camera), 1);
}

TEST_F(IdentifyTest, ServiceFillingTheBufferWithItsOwnTerminatorIsRead) {
    std::vector<uint8_t> bytes(128, 'x');
    const std::string name = hxtest::kCameraService;
    std::copy(name.begin(), name.end(), bytes.begin());
    bytes[name.size()] = 0;
    hxsim::DeviceDesc camera = hxsim::CameraDesc();
    camera.service = hxsim::RegData::Binary(bytes, REG_SZ);
    const auto id = hxsim::AddDevice(camera);

    EXPECT_EQ(OpenFirst(), 1);
    EXPECT_EQ(hxsim::ControlOpenNow(id), 1);
}

TEST_F(IdentifyTest, OnlyTheFirstOfTwoCamerasIsOpened) {
    const auto first = hxsim::AddDevice(hxsim::CameraDesc(0));
    const auto second = hxsim::AddDevice(hxsim::CameraDesc(1));

    EXPECT_EQ(OpenFirst(), 1);
    EXPECT_EQ(hxsim::ControlOpenNow(first), 1);
    EXPECT_EQ(hxsim::ControlOpens(second), 0);
}

TEST_F(IdentifyTest, ServiceNameMatchesInAnyCaseAndWhateverItsType) {
    for (const auto& service :
         {hxsim::RegData::Text("rudidovudirur"), hxsim::RegData::Text("RUDIDOVUDIRUR"),
          hxsim::RegData::Binary({'R', 'u', 'D', 'i', 'D', 'o', 'V', 'u', 'D', 'i', 'R', 'u', 'R', 0},
                                 REG_BINARY)}) {
        FreshWorld();
        hxsim::DeviceDesc desc = hxsim::CameraDesc();
        desc.service = service;
        const auto camera = hxsim::AddDevice(desc);

        EXPECT_EQ(OpenFirst(), 1);
        EXPECT_EQ(hxsim::ControlOpenNow(camera), 1);
    }
}

TEST_F(IdentifyTest, RefusedOpenHoldsNothing) {
    const auto camera = hxsim::AddDevice(hxsim::CameraDesc());
    hxsim::RefuseOpen(camera);

    EXPECT_EQ(OpenFirst(), 0);
    EXPECT_EQ(device_, NO_HANDLE);
}

TEST_F(IdentifyTest, FailedAllocationHoldsNothing) {
    const auto camera = hxsim::AddDevice(hxsim::CameraDesc());
    const auto handles = hxsim::OpenHandles().kernel;
    hxsim::FailCall("HeapAlloc", ERROR_NOT_ENOUGH_MEMORY);

    EXPECT_EQ(OpenFirst(), 0);
    EXPECT_EQ(device_, NO_HANDLE);
    EXPECT_EQ(hxsim::ControlOpens(camera), 0);
    EXPECT_EQ(hxsim::OpenHandles().kernel, handles);
}

TEST_F(IdentifyTest, StartUpAllocatesOneBlockAndNothingAfterwards) {
    hxsim::AddDevice(hxsim::CameraDesc());
    const auto before = hxsim::ReadCounters().heapAllocations;

    EXPECT_EQ(OpenFirst(), 1);
    EXPECT_EQ(hxsim::ReadCounters().heapAllocations - before, 1u);
}

TEST_F(IdentifyTest, ControlPathFitsWithUpTo252CharactersOfDevicePath) {
    const auto fits = hxsim::AddDevice(CameraWithPathLength(252));
    EXPECT_EQ(OpenFirst(), 1);
    EXPECT_EQ(hxsim::ControlOpenNow(fits), 1);
}

TEST_F(IdentifyTest, DevicePathTooLongForTheControlPathIsAFailedOpen) {
    const auto tooLong = hxsim::AddDevice(CameraWithPathLength(253));
    EXPECT_EQ(OpenFirst(), 0);
    EXPECT_EQ(device_, NO_HANDLE);
    EXPECT_EQ(hxsim::ControlOpens(tooLong), 0);
}

TEST_F(IdentifyTest, DeviceServiceIsReportedOnlyForTextProperties) {
    hxsim::DeviceDesc binary = hxsim::CameraDesc(1);
    binary.service = hxsim::RegData::Binary({'R', 'U', 0}, REG_BINARY);
    hxsim::AddDevice(hxsim::CameraDesc(0));
    hxsim::AddDevice(binary);
    hxsim::AddDevice(ImageDevice(2, std::nullopt));
    OpenFirst();

    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    char service[MAX_PATH];

    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set_, nullptr, &hxsim::kImageClassGuid, 0, &data));
    EXPECT_EQ(GetDeviceService(set_, &data, service, sizeof(service)), 1);
    EXPECT_STREQ(service, hxtest::kCameraService);

    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set_, nullptr, &hxsim::kImageClassGuid, 1, &data));
    EXPECT_EQ(GetDeviceService(set_, &data, service, sizeof(service)), 0);

    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set_, nullptr, &hxsim::kImageClassGuid, 2, &data));
    EXPECT_EQ(GetDeviceService(set_, &data, service, sizeof(service)), 0);

    // A small buffer fails rather than cutting the name short.
    ASSERT_TRUE(SetupDiEnumDeviceInterfaces(set_, nullptr, &hxsim::kImageClassGuid, 0, &data));
    EXPECT_EQ(GetDeviceService(set_, &data, service, 8), 0);
}

TEST_F(IdentifyTest, MonitorStartedWithTheCameraHoldsItAndItsOwnDriverKey) {
    // The camera is listed after an interface with no readable service and a
    // device of another driver; only the camera's key is opened, read-only.
    hxsim::AddDevice(ImageDevice(0, std::nullopt));
    hxsim::AddDevice(hxsim::OtherImageDesc(1));
    const auto cameraDesc = hxsim::CameraDesc(2);
    const auto camera = hxsim::AddDevice(cameraDesc);
    hxtest::RegisterEventApplication(hxtest::DriverKeyOf(cameraDesc), "SnapButton", "Camera");
    hxtest::RegisterApplication("Camera", "C:\\Camera\\snap.exe");
    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);

    EXPECT_EQ(hxsim::ControlOpenNow(camera), 1);
    EXPECT_NE(g_Monitor.hDevice, NO_HANDLE);
    EXPECT_NE(g_Monitor.hDriverKey, NO_KEY);
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, 1u);
    EXPECT_EQ(hxsim::RegistryOpenAccess(), std::vector<REGSAM>{KEY_READ});

    ASSERT_TRUE(hxtest::WaitUntil([&] { return hxsim::IsArmed(camera); }));
    ASSERT_TRUE(hxsim::PressSnapButton(camera));
    ASSERT_TRUE(hxsim::WaitForLaunches(1));
    EXPECT_EQ(hxtest::LaunchedCommands(), std::vector<std::string>{"C:\\Camera\\snap.exe"});

    EXPECT_EQ(monitor.Close(), 0);
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, 0u);
    EXPECT_EQ(HandlesOpenedSinceStart(), 0u);
}

}  // namespace
