// Device installer functions: sets of a class, enumeration, and the size
// protocols of interface paths and device properties.

#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

const GUID kUnusedClass = {0x12345678, 0xee97, 0x4a90, {0xb0, 0x76, 0x33, 0xf5, 0x7b, 0xf4, 0xea, 0xa7}};
// Interface classes that a fresh Wine prefix (and any Windows) has present.
const GUID kMonitorClass = {0xe6f07b5f, 0xee97, 0x4a90, {0xb0, 0x76, 0x33, 0xf5, 0x7b, 0xf4, 0xea, 0xa7}};
const GUID kDisplayAdapterClass = {0x5b45201d, 0xf2f2, 0x4f3b, {0x85, 0xbb, 0x30, 0xff, 0x1f, 0x95, 0x35, 0x99}};

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;

// A set with at least one present interface, and that interface.
class PopulatedSet : public ::testing::Test {
protected:
    void SetUp() override {
        for (const GUID* cls : {&kMonitorClass, &kDisplayAdapterClass}) {
            HDEVINFO set = SetupDiGetClassDevsA(cls, nullptr, nullptr, kPresentInterfaces);
            ASSERT_NE(set, INVALID_HANDLE_VALUE);
            iface_.cbSize = sizeof iface_;
            if (SetupDiEnumDeviceInterfaces(set, nullptr, cls, 0, &iface_)) {
                set_ = set;
                cls_ = *cls;
                return;
            }
            SetupDiDestroyDeviceInfoList(set);
        }
        GTEST_SKIP() << "no monitor or display adapter interface is present to read a path from";
    }
    void TearDown() override {
        if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    }

    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    GUID cls_{};
    SP_DEVICE_INTERFACE_DATA iface_{};
};

TEST(DeviceInstaller, ClassWithNothingPresentGivesAnEmptySet) {
    HDEVINFO set = SetupDiGetClassDevsA(&kUnusedClass, nullptr, nullptr, kPresentInterfaces);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);

    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set, nullptr, &kUnusedClass, 0, &iface));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());

    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(set));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(DeviceInstaller, NoClassAndNotAllClassesIsRefused) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE, SetupDiGetClassDevsA(nullptr, nullptr, nullptr, kPresentInterfaces));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(PopulatedSet, EnumerationEndsWithNoMoreItemsAndChecksTheRecordSize) {
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    DWORD count = 0;
    while (SetupDiEnumDeviceInterfaces(set_, nullptr, &cls_, count, &iface)) ++count;
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_ITEMS), GetLastError());
    EXPECT_GE(count, 1u);

    // Wine refuses a wrong record size with ERROR_INVALID_PARAMETER; the
    // documentation names no code.
    iface.cbSize = sizeof iface - 1;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiEnumDeviceInterfaces(set_, nullptr, &cls_, 0, &iface));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

DWORD CountInterfaces(HDEVINFO set, const GUID& cls) {
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = sizeof iface;
    DWORD count = 0;
    while (SetupDiEnumDeviceInterfaces(set, nullptr, &cls, count, &iface)) ++count;
    return count;
}

TEST_F(PopulatedSet, ExistingSetTakesInWhatIsFoundOnlyOnce) {
    HDEVINFO grown = SetupDiGetClassDevsA(&kUnusedClass, nullptr, nullptr, kPresentInterfaces);
    ASSERT_NE(grown, INVALID_HANDLE_VALUE);

    EXPECT_EQ(grown, SetupDiGetClassDevsExA(&cls_, nullptr, nullptr, kPresentInterfaces, grown, nullptr, nullptr));
    EXPECT_EQ(CountInterfaces(set_, cls_), CountInterfaces(grown, cls_));
    EXPECT_EQ(grown, SetupDiGetClassDevsExA(&cls_, nullptr, nullptr, kPresentInterfaces, grown, nullptr, nullptr));
    EXPECT_EQ(CountInterfaces(set_, cls_), CountInterfaces(grown, cls_)) << "nothing is added twice";

    // (Wine does not check a set given here: a destroyed one is used after
    // being freed. The substitute refuses it, as its host tests show.)
    EXPECT_TRUE(SetupDiDestroyDeviceInfoList(grown));
}

TEST_F(PopulatedSet, PathIsAskedForSizeFirstThenFetched) {
    DWORD required = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set_, &iface_, nullptr, 0, &required, &device));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    ASSERT_GT(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + 1);
    EXPECT_NE(0u, device.Reserved) << "the size query fills the device record";

    std::vector<char> block(required + 16, '#');
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
#ifdef _WIN64
    constexpr size_t kFixedPart = 8;  // aligned to its DWORD on 64-bit Windows
#else
    constexpr size_t kFixedPart = 5;  // packed on 32-bit Windows
#endif
    EXPECT_EQ(kFixedPart, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) << "the fixed part cbSize names";

    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) + 1;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set_, &iface_, detail, required, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_USER_BUFFER), GetLastError());

    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    DWORD again = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiGetDeviceInterfaceDetailA(set_, &iface_, detail, required - 1, &again, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(required, again);

    ASSERT_TRUE(SetupDiGetDeviceInterfaceDetailA(set_, &iface_, detail, required, nullptr, nullptr));
    const std::string path = detail->DevicePath;
    EXPECT_EQ(required, offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    EXPECT_EQ(0, path.compare(0, 4, "\\\\?\\"));
    EXPECT_EQ('#', block[required]) << "nothing written past the size given";
}

TEST_F(PopulatedSet, PropertyIsAskedForSizeFirstThenFetchedWithItsType) {
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    SetupDiGetDeviceInterfaceDetailA(set_, &iface_, nullptr, 0, nullptr, &device);

    DWORD type = 0, required = 0;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set_, &device, SPDRP_DRIVER, &type, nullptr, 0, &required));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    ASSERT_GT(required, 1u);

    std::vector<BYTE> buffer(required + 4, '#');
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set_, &device, SPDRP_DRIVER, &type, buffer.data(), required - 1,
                                                   nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

    ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set_, &device, SPDRP_DRIVER, &type, buffer.data(), required,
                                                  nullptr));
    EXPECT_EQ(required, std::strlen(reinterpret_cast<char*>(buffer.data())) + 1);

    SP_DEVINFO_DATA wrongSize = device;
    wrongSize.cbSize = sizeof wrongSize - 1;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set_, &wrongSize, SPDRP_DRIVER, &type, buffer.data(), required,
                                                   nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

}  // namespace
