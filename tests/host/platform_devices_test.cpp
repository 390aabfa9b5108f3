// The simulated device tree as the device installer functions show it:
// which interfaces a set holds, the two-call protocols for paths and
// properties, and what becomes of sets when devices come and go.
#include "platform_test_support.h"

#include <cstddef>
#include <stdexcept>

namespace {

using hxplatformtest::FreshWorld;
using hxplatformtest::InterfacePaths;
using hxplatformtest::PresentImageInterfaces;

class DeviceSetTest : public FreshWorld {
protected:
    void TearDown() override {
        for (HDEVINFO set : sets_) SetupDiDestroyDeviceInfoList(set);
        FreshWorld::TearDown();
    }
    HDEVINFO Track(HDEVINFO set) {
        sets_.push_back(set);
        return set;
    }
    // The set's interface record and device record at `index`.
    bool Interface(HDEVINFO set, DWORD index, SP_DEVICE_INTERFACE_DATA* data, SP_DEVINFO_DATA* device = nullptr) {
        data->cbSize = sizeof *data;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hxsim::kImageClassGuid, index, data)) return false;
        if (!device) return true;
        device->cbSize = sizeof *device;
        SetupDiGetDeviceInterfaceDetailA(set, data, nullptr, 0, nullptr, device);
        return true;
    }

    std::vector<HDEVINFO> sets_;
};

TEST_F(DeviceSetTest, PresentInterfacesAreListedInTheOrderTheDevicesCameAndTheListEnds) {
    const auto scanner = hxsim::OtherImageDesc(0);
    const auto camera = hxsim::CameraDesc(1);
    hxsim::DeviceDesc twoPorts = hxsim::CameraDesc(2);
    twoPorts.interfaces.push_back("\\\\?\\root#image#0002#{6bdd1fc6-810f-11d0-bec7-08002be2092f}\\second");
    hxsim::AddDevice(scanner);
    hxsim::AddDevice(camera);
    hxsim::AddDevice(twoPorts);

    HDEVINFO set = Track(PresentImageInterfaces());
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    EXPECT_EQ(InterfacePaths(set), (std::vector<std::string>{scanner.interfaces[0], camera.interfaces[0],
                                                             twoPorts.interfaces[0], twoPorts.interfaces[1]}));

    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    data.Reserved = 0x1234;
    SetLastError(0);
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &hxsim::kImageClassGuid, 4, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(data.Reserved, 0u) << "the record is cleared for callers that ignore the result";

    // Only the interfaces of the device asked for.
    SP_DEVINFO_DATA device{};
    ASSERT_TRUE(Interface(set, 2, &data, &device));
    std::vector<DWORD> flags;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, &device, &hxsim::kImageClassGuid, i, &data); ++i)
        flags.push_back(data.Flags);
    EXPECT_EQ(flags, (std::vector<DWORD>{SPINT_ACTIVE, SPINT_ACTIVE}));
}

TEST_F(DeviceSetTest, ClassWithoutInterfacesGivesAnEmptySetThatStillCountsAsOpen) {
    hxsim::AddDevice(hxsim::CameraDesc());
    const GUID other = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

    HDEVINFO set = SetupDiGetClassDevsA(&other, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hxsim::OpenHandles().devInfoSets, 1u);
    EXPECT_TRUE(InterfacePaths(set, other).empty());

    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(hxsim::OpenHandles().devInfoSets, 0u);
    EXPECT_TRUE(hxsim::HandleMisuse().empty());
}

TEST_F(DeviceSetTest, DestroyedSetIsRefusedAndTheMisuseRecorded) {
    HDEVINFO set = PresentImageInterfaces();
    ASSERT_TRUE(SetupDiDestroyDeviceInfoList(set));

    SetLastError(0);
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &hxsim::kImageClassGuid, 0, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(hxsim::HandleMisuse().size(), 2u);

    // The failure value of SetupDiGetClassDevsA is refused without blame.
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(INVALID_HANDLE_VALUE));
    EXPECT_EQ(hxsim::HandleMisuse().size(), 2u);
}

TEST_F(DeviceSetTest, InjectedFailureGivesNoSet) {
    hxsim::AddDevice(hxsim::CameraDesc());
    hxsim::FailCall("SetupDiGetClassDevsA", ERROR_INVALID_CLASS);

    EXPECT_EQ(PresentImageInterfaces(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_CLASS));
    EXPECT_EQ(hxsim::OpenHandles().devInfoSets, 0u);
}

TEST_F(DeviceSetTest, DetailIsAskedForSizeFirstAndThenFetched) {
    const auto camera = hxsim::CameraDesc(3);
    hxsim::AddDevice(camera);
    HDEVINFO set = Track(PresentImageInterfaces());
    SP_DEVICE_INTERFACE_DATA data{};
    ASSERT_TRUE(Interface(set, 0, &data));
    const std::string& path = camera.interfaces[0];
    const DWORD expected = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);

    // The size query fails as expected, reports the size and fills the device record.
    DWORD required = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, &device));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(required, expected);
    EXPECT_EQ(device.ClassGuid, hxsim::kImageClassGuid);
    EXPECT_NE(device.Reserved, 0u);

    std::vector<char> block(expected + 8, '#');
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());

    // The record's size must be that of its fixed part, whatever the buffer.
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) + 1;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, expected, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, expected, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));

    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, expected - 1, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(block[offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath)], '#') << "nothing written";

    ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set, &data, detail, expected, nullptr, nullptr));
    EXPECT_EQ(std::string(detail->DevicePath), path);
    EXPECT_EQ(block[expected], '#') << "nothing written past the size asked for";

    // An interface record the set never handed out.
    SP_DEVICE_INTERFACE_DATA forged = data;
    forged.Reserved += 1000;
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set, &forged, nullptr, 0, &required, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(DeviceSetTest, PropertiesComeBackAsStoredWithTheirType) {
    hxsim::DeviceDesc desc = hxsim::CameraDesc();
    desc.service = hxsim::RegData::Binary({'R', 'U', 'd', 'i'}, REG_SZ);  // no terminator
    hxsim::DeviceDesc bare = hxsim::OtherImageDesc(1);
    bare.service.reset();
    hxsim::AddDevice(desc);
    hxsim::AddDevice(bare);
    HDEVINFO set = Track(PresentImageInterfaces());
    SP_DEVICE_INTERFACE_DATA data{};
    SP_DEVINFO_DATA device{};
    ASSERT_TRUE(Interface(set, 0, &data, &device));

    BYTE buffer[64];
    DWORD type = 0, required = 0;
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_SERVICE, &type, buffer, 3, &required));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(required, 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    std::fill(std::begin(buffer), std::end(buffer), '#');
    ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_SERVICE, &type, buffer, sizeof buffer, &required));
    EXPECT_EQ(std::string(buffer, buffer + 5), "RUdi#") << "no terminator is added to a property";

    ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DRIVER, &type, buffer, sizeof buffer, nullptr));
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0000");
    ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DEVICEDESC, &type, buffer, sizeof buffer,
                                                  nullptr));
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "Stand-in still camera");

    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_MAXIMUM_PROPERTY, &type, buffer,
                                                   sizeof buffer, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_REG_PROPERTY));
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_SERVICE, &type, nullptr, 8, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

    // A device without the property.
    ASSERT_TRUE(Interface(set, 1, &data, &device));
    for (DWORD property : {SPDRP_SERVICE, SPDRP_FRIENDLYNAME, SPDRP_DEVICEDESC}) {
        EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type, buffer, sizeof buffer, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA)) << property;
    }

    device.cbSize = sizeof device - 1;
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DRIVER, &type, buffer, sizeof buffer, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(DeviceSetTest, UnpluggedDeviceLeavesNewSetsButOldSetsStillDescribeIt) {
    const auto desc = hxsim::CameraDesc();
    const hxsim::DeviceId camera = hxsim::AddDevice(desc);
    HDEVINFO before = Track(PresentImageInterfaces());

    hxsim::Unplug(camera);  // nobody registered: nothing to tell

    EXPECT_TRUE(InterfacePaths(Track(PresentImageInterfaces())).empty());
    EXPECT_EQ(InterfacePaths(before), std::vector<std::string>{desc.interfaces[0]});
    SP_DEVICE_INTERFACE_DATA data{};
    SP_DEVINFO_DATA device{};
    ASSERT_TRUE(Interface(before, 0, &data, &device));
    EXPECT_EQ(data.Flags, 0u) << "no longer active";
    char service[32];
    EXPECT_TRUE(SetupDiGetDeviceRegistryPropertyA(before, &device, SPDRP_SERVICE, nullptr,
                                                  reinterpret_cast<BYTE*>(service), sizeof service, nullptr));
    EXPECT_STREQ(service, "RUdiDOVUDIRUR");

    // Plugged in again: a new id for the same device, present once more.
    const hxsim::DeviceId again = hxsim::PlugIn(desc);
    EXPECT_NE(again, camera);
    EXPECT_EQ(InterfacePaths(Track(PresentImageInterfaces())), std::vector<std::string>{desc.interfaces[0]});
    EXPECT_THROW(hxsim::AddDevice(desc), std::invalid_argument) << "the same device cannot be present twice";
}

TEST_F(DeviceSetTest, ExistingSetTakesInLaterArrivalsOnce) {
    const auto first = hxsim::CameraDesc(0);
    const auto second = hxsim::OtherImageDesc(1);
    hxsim::AddDevice(first);
    HDEVINFO set = Track(PresentImageInterfaces());
    hxsim::AddDevice(second);
    const DWORD flags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;

    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(SetupDiGetClassDevsExA(&hxsim::kImageClassGuid, nullptr, nullptr, flags, set, nullptr, nullptr), set);
        EXPECT_EQ(InterfacePaths(set), (std::vector<std::string>{first.interfaces[0], second.interfaces[0]}));
    }
    EXPECT_EQ(hxsim::OpenHandles().devInfoSets, 1u);

    EXPECT_EQ(SetupDiGetClassDevsExA(&hxsim::kImageClassGuid, nullptr, nullptr, flags, set, "\\\\elsewhere", nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MACHINENAME));

    HDEVINFO gone = PresentImageInterfaces();
    SetupDiDestroyDeviceInfoList(gone);
    EXPECT_EQ(SetupDiGetClassDevsExA(&hxsim::kImageClassGuid, nullptr, nullptr, flags, gone, nullptr, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(hxsim::HandleMisuse().size(), 1u);
}

TEST_F(DeviceSetTest, OpeningAnInterfaceByPathAddsItUnlessToldNotTo) {
    const auto camera = hxsim::CameraDesc(4);
    HDEVINFO set = Track(PresentImageInterfaces());  // built before the camera came
    hxsim::AddDevice(camera);
    std::string shouted = camera.interfaces[0];
    for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_FALSE(SetupDiOpenDeviceInterfaceA(set, camera.interfaces[0].c_str(), DIODI_NO_ADD, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVICE_INTERFACE));
    EXPECT_FALSE(SetupDiOpenDeviceInterfaceA(set, "\\\\?\\root#image#9999#{x}", 0, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVICE_INTERFACE));

    ASSERT_TRUE(SetupDiOpenDeviceInterfaceA(set, shouted.c_str(), 0, &data));
    EXPECT_EQ(data.Flags, static_cast<DWORD>(SPINT_ACTIVE));
    EXPECT_EQ(InterfacePaths(set), std::vector<std::string>{camera.interfaces[0]}) << "added once, path as registered";
    SP_DEVICE_INTERFACE_DATA again{};
    again.cbSize = sizeof again;
    ASSERT_TRUE(SetupDiOpenDeviceInterfaceA(set, camera.interfaces[0].c_str(), DIODI_NO_ADD, &again));
    EXPECT_EQ(again.Reserved, data.Reserved);
    EXPECT_EQ(InterfacePaths(set).size(), 1u);

    // Deleted from the set, it is gone from it, and the old record is stale.
    ASSERT_TRUE(SetupDiDeleteDeviceInterfaceData(set, &data));
    EXPECT_TRUE(InterfacePaths(set).empty());
    EXPECT_FALSE(SetupDiDeleteDeviceInterfaceData(set, &again));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetupDiOpenDeviceInterfaceA(set, camera.interfaces[0].c_str(), DIODI_NO_ADD, &again));
}

TEST_F(DeviceSetTest, DevicePluggedInAgainIsReadWithItsCurrentProperties) {
    auto camera = hxsim::CameraDesc(5);
    HDEVINFO set = Track(PresentImageInterfaces());
    const auto first = hxsim::AddDevice(camera);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(SetupDiOpenDeviceInterfaceA(set, camera.interfaces[0].c_str(), 0, &data));
    hxsim::Unplug(first);

    camera.driver = hxsim::RegData::Text("{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0077");
    hxsim::AddDevice(camera);
    ASSERT_TRUE(SetupDiOpenDeviceInterfaceA(set, camera.interfaces[0].c_str(), 0, &data));

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, nullptr, &device);
    char driver[MAX_PATH] = {};
    ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DRIVER, nullptr,
                                                  reinterpret_cast<PBYTE>(driver), sizeof driver, nullptr));
    EXPECT_STREQ(driver, "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0077");
}

}  // namespace
