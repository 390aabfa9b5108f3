// Shared by the tests of the substitute platform's device, driver, registry
// and process families: a fresh world per test, and small Win32 helpers.
#pragma once

#include <gtest/gtest.h>
#include <hxsim/world.h>

#include <setupapi.h>
#include <windows.h>

#include <string>
#include <vector>

namespace hxplatformtest {

class FreshWorld : public ::testing::Test {
protected:
    void SetUp() override { hxsim::ResetWorld(); }
    void TearDown() override { hxsim::ResetWorld(); }
};

// The paths of every interface of `cls` in the set, in enumeration order.
inline std::vector<std::string> InterfacePaths(HDEVINFO set, const GUID& cls = hxsim::kImageClassGuid) {
    std::vector<std::string> paths;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &cls, i, &data); ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr);
        std::vector<char> block(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(block.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, size, nullptr, nullptr)) break;
        paths.push_back(detail->DevicePath);
    }
    return paths;
}

inline HDEVINFO PresentImageInterfaces() {
    return SetupDiGetClassDevsA(&hxsim::kImageClassGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
}

inline std::string ControlPath(const hxsim::DeviceDesc& desc) { return desc.interfaces.front() + "\\GLOBAL"; }

inline HANDLE OpenControl(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace hxplatformtest
