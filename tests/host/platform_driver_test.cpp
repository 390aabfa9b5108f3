// The camera driver's simulation: its control object, the set-events request,
// and the references it keeps to the caller's events.
#include "platform_test_support.h"

namespace {

using hxplatformtest::ControlPath;
using hxplatformtest::FreshWorld;
using hxplatformtest::OpenControl;

constexpr DWORD kSetEvents = 0x8160205C;

class DriverTest : public FreshWorld {
protected:
    // Sends the set-events request with `first` and `second` as the input.
    BOOL Request(HANDLE file, HANDLE first, HANDLE second, DWORD code = kSetEvents, DWORD inputSize = 8) {
        DWORD input[2] = {HandleToULong(first), HandleToULong(second)};
        DWORD returned = 0xffff;
        BOOL ok = DeviceIoControl(file, code, input, inputSize, nullptr, 0, &returned, nullptr);
        if (ok) EXPECT_EQ(returned, 0u);
        return ok;
    }
    static HANDLE AutoResetEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }
    static bool Signalled(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }
};

TEST_F(DriverTest, OnlyThePresentCamerasGlobalObjectOpens) {
    const auto desc = hxsim::CameraDesc(0);
    const auto scanner = hxsim::OtherImageDesc(1);
    const hxsim::DeviceId camera = hxsim::AddDevice(desc);
    hxsim::AddDevice(scanner);
    std::string shouted = ControlPath(desc);
    for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    HANDLE file = OpenControl(shouted);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u) << "a device open is no ERROR_ALREADY_EXISTS";
    const auto args = hxsim::LastOpenArgs(camera);
    ASSERT_TRUE(args.has_value());
    EXPECT_EQ(args->disposition, static_cast<DWORD>(OPEN_ALWAYS));
    EXPECT_EQ(args->share, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE));

    for (const std::string& other : {ControlPath(scanner), desc.interfaces[0], desc.interfaces[0] + "\\LOCAL",
                                     std::string("C:\\camera.txt")}) {
        EXPECT_EQ(OpenControl(other), INVALID_HANDLE_VALUE) << other;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << other;
    }
    EXPECT_EQ(hxsim::ControlOpens(camera), 1);

    hxsim::Unplug(camera);
    EXPECT_EQ(OpenControl(ControlPath(desc)), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(hxsim::ControlOpenNow(camera), 1) << "the open handle outlives the device";
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(hxsim::ControlOpenNow(camera), 0);
}

TEST_F(DriverTest, RefusedOpenFailsWithAccessDeniedAndCountsNothing) {
    const hxsim::DeviceId camera = hxsim::AddDevice(hxsim::CameraDesc());
    hxsim::RefuseOpen(camera);
    EXPECT_EQ(OpenControl(ControlPath(hxsim::CameraDesc())), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(hxsim::ControlOpens(camera), 0);
    EXPECT_EQ(hxsim::OpenHandles().kernel, 0u);
}

TEST_F(DriverTest, ArmedDriverHoldsTheEventsAfterTheCallersHandlesAreClosed) {
    const hxsim::DeviceId camera = hxsim::AddDevice(hxsim::CameraDesc());
    HANDLE file = OpenControl(ControlPath(hxsim::CameraDesc()));
    HANDLE snap = AutoResetEvent();
    HANDLE picture = AutoResetEvent();
    HANDLE watch = nullptr;  // a second handle to the picture event, to see it from outside
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), picture, GetCurrentProcess(), &watch, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    EXPECT_FALSE(hxsim::PressSnapButton(camera)) << "not armed yet";

    ASSERT_TRUE(Request(file, snap, picture));
    ASSERT_TRUE(hxsim::IsArmed(camera));
    CloseHandle(snap);
    CloseHandle(picture);

    EXPECT_TRUE(hxsim::PressSnapButton(camera));  // its object lives on in the driver
    EXPECT_TRUE(hxsim::ReportNewPicture(camera));
    EXPECT_TRUE(Signalled(watch));

    // Disarming lets go of both, whatever the second field holds.
    ASSERT_TRUE(Request(file, nullptr, nullptr));
    EXPECT_FALSE(hxsim::IsArmed(camera));
    EXPECT_FALSE(hxsim::ReportNewPicture(camera));
    EXPECT_FALSE(Signalled(watch));
    CloseHandle(watch);
    CloseHandle(file);
    EXPECT_TRUE(hxsim::HandleMisuse().empty());
}

TEST_F(DriverTest, BothSignalsArriveTogether) {
    const hxsim::DeviceId camera = hxsim::AddDevice(hxsim::CameraDesc());
    HANDLE file = OpenControl(ControlPath(hxsim::CameraDesc()));
    HANDLE events[2] = {AutoResetEvent(), AutoResetEvent()};
    ASSERT_TRUE(Request(file, events[0], events[1]));

    ASSERT_TRUE(hxsim::SignalBoth(camera));
    EXPECT_EQ(WaitForMultipleObjects(2, events, TRUE, 0), WAIT_OBJECT_0);

    for (HANDLE h : events) CloseHandle(h);
    CloseHandle(file);
}

TEST_F(DriverTest, EveryRequestIsRecordedWithItsOutcome) {
    const hxsim::DeviceId camera = hxsim::AddDevice(hxsim::CameraDesc());
    HANDLE file = OpenControl(ControlPath(hxsim::CameraDesc()));
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    HANDLE snap = AutoResetEvent();
    HANDLE picture = AutoResetEvent();
    HANDLE closed = AutoResetEvent();
    CloseHandle(closed);

    EXPECT_FALSE(Request(file, snap, picture, 0x81602058));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    EXPECT_FALSE(Request(file, snap, picture, kSetEvents, 4));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Request(file, snap, closed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(Request(file, snap, file)) << "a file is no event";
    hxsim::RefuseArm(camera);
    EXPECT_FALSE(Request(file, snap, picture));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
    hxsim::RefuseArm(camera, false);
    EXPECT_TRUE(Request(copy, snap, picture));

    const auto requests = hxsim::DriverRequests(camera);
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0].code, 0x81602058u);
    EXPECT_EQ(requests[1].inputSize, 4u);
    EXPECT_EQ(requests[2].second, HandleToULong(closed));
    for (size_t i = 0; i < 5; ++i) EXPECT_FALSE(requests[i].accepted) << i;
    EXPECT_TRUE(requests[5].accepted);
    EXPECT_EQ(requests[5].fileHandle, reinterpret_cast<uintptr_t>(copy));
    EXPECT_EQ(requests[5].openIndex, requests[0].openIndex) << "a duplicate reaches the same open";
    EXPECT_EQ(hxsim::ControlOpens(camera), 1);

    // The closed event handle and the file passed as an event are both misuse.
    EXPECT_EQ(hxsim::HandleMisuse().size(), 2u);
    for (HANDLE h : {snap, picture, copy, file}) CloseHandle(h);
    EXPECT_EQ(hxsim::ControlOpenNow(camera), 0);
}

TEST_F(DriverTest, UnpluggedCameraLetsGoOfItsEventsAndRefusesRequests) {
    const auto desc = hxsim::CameraDesc();
    const hxsim::DeviceId camera = hxsim::AddDevice(desc);
    HANDLE file = OpenControl(ControlPath(desc));
    HANDLE snap = AutoResetEvent();
    HANDLE picture = AutoResetEvent();
    ASSERT_TRUE(Request(file, snap, picture));

    hxsim::Unplug(camera);

    EXPECT_FALSE(hxsim::IsArmed(camera));
    EXPECT_FALSE(hxsim::PressSnapButton(camera));
    EXPECT_FALSE(Request(file, nullptr, picture));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    const auto requests = hxsim::DriverRequests(camera);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[1].accepted);

    // The camera plugged in again is a new device with a clean slate.
    const hxsim::DeviceId again = hxsim::AddDevice(desc);
    EXPECT_TRUE(hxsim::DriverRequests(again).empty());
    EXPECT_FALSE(Request(file, snap, picture)) << "the old open stays dead";
    for (HANDLE h : {snap, picture, file}) CloseHandle(h);
}

TEST_F(DriverTest, RequestsOnHandlesThatAreNotTheDriversAreRefused) {
    HANDLE event = AutoResetEvent();
    EXPECT_FALSE(Request(event, event, event));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(Request(INVALID_HANDLE_VALUE, event, event));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(hxsim::HandleMisuse().size(), 1u) << "only the event passed as a file is misuse";
    CloseHandle(event);
}

}  // namespace
