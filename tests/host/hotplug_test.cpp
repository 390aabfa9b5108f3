// The camera coming and going while the monitor runs: what the monitor holds
// after each arrival and removal, and under which driver key a press is
// looked up.
#include "monitor_fixture.h"

#include <cstddef>
#include <cstring>
#include <future>
#include <optional>
#include <tuple>

namespace {

using hxsim::DeviceId;
using hxsim::NameForm;
using hxtest::DriverKeyOf;
using hxtest::LaunchedCommands;
using hxtest::LaunchGate;
using hxtest::RegisterApplication;
using hxtest::RegisterEventApplication;
using hxtest::RunningMonitor;
using hxtest::WaitUntil;
using hxtest::WorldTest;

constexpr const char* kDefaultSnapCommand = "hxAMCap.exe";
constexpr const char* kDefaultPictureCommand = "hxCap.exe";
constexpr const char* kImageClassText = "{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

// What Held() reports while a camera is served, and with nothing held.
constexpr const char* kCameraServed = "worker device key stop";
constexpr const char* kNothingHeld = "";

// Programs registered for both events under one device's driver key; which
// of them a press starts tells which key the lookup went through.
struct Registration {
    std::string snapCommand;
    std::string pictureCommand;
};

Registration RegisterUnder(const hxsim::DeviceDesc& desc, const std::string& owner) {
    const std::string key = DriverKeyOf(desc);
    Registration registration{"C:\\" + owner + "\\snap.exe", "C:\\" + owner + "\\picture.exe"};
    RegisterEventApplication(key, "SnapButton", owner + " Snap");
    RegisterEventApplication(key, "NewPicture", owner + " Picture");
    RegisterApplication(owner + " Snap", registration.snapCommand);
    RegisterApplication(owner + " Picture", registration.pictureCommand);
    return registration;
}

// A flatbed on the same desk: an image device of another driver.
hxsim::DeviceDesc Scanner() {
    return hxsim::OtherImageDesc(5);
}

// A camera whose driver name has exactly `length` characters.
hxsim::DeviceDesc CameraWithDriverName(int index, size_t length) {
    hxsim::DeviceDesc desc = hxsim::CameraDesc(index);
    std::string name = std::string(kImageClassText) + "\\";
    name += std::string(length - name.size(), '7');
    desc.driver = hxsim::RegData::Text(name);
    return desc;
}

// The camera, with an interface path of exactly `length` characters.
hxsim::DeviceDesc CameraWithPathLength(size_t length) {
    const std::string head = "\\\\?\\root#image#";
    const std::string tail = "#{6bdd1fc6-810f-11d0-bec7-08002be2092f}";
    hxsim::DeviceDesc desc = hxsim::CameraDesc();
    desc.interfaces = {head + std::string(length - head.size() - tail.size(), '0') + tail};
    return desc;
}

std::string PathOf(const hxsim::DeviceDesc& desc) {
    return desc.interfaces.front();
}

// An arrival or removal record for `path` whose dbcc_size ends just before
// the name's terminator. The buffer goes on with the terminator, so only a
// reader that ignored dbcc_size would find a whole path in it.
class CutShortRecord {
public:
    CutShortRecord(const std::string& path, NameForm form) {
        const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
        const size_t unit = form == NameForm::Wide ? sizeof(WCHAR) : 1;
        const size_t bytes = nameOffset + (path.size() + 1) * unit;
        storage_.assign(bytes / sizeof(DWORD) + 1, 0);
        auto* record = reinterpret_cast<unsigned char*>(storage_.data());

        const DEV_BROADCAST_HDR header{static_cast<DWORD>(nameOffset + path.size() * unit),
                                       DBT_DEVTYP_DEVICEINTERFACE, 0};
        std::memcpy(record, &header, sizeof(header));
        std::memcpy(record + offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid),
                    &hxsim::kImageClassGuid, sizeof(GUID));
        for (size_t i = 0; i < path.size(); ++i) {
            const WCHAR c = static_cast<unsigned char>(path[i]);
            if (form == NameForm::Wide)
                std::memcpy(record + nameOffset + i * unit, &c, sizeof(c));
            else
                record[nameOffset + i] = static_cast<unsigned char>(path[i]);
        }
    }
    const void* data() const { return storage_.data(); }

private:
    std::vector<DWORD> storage_;  // DWORD-aligned, as the platform hands records out
};

using CountsTuple = std::tuple<size_t, size_t, size_t, size_t>;

CountsTuple CountsOf(const hxsim::HandleCounts& counts) {
    return {counts.kernel, counts.registryKeys, counts.devInfoSets, counts.notifications};
}

// Waits for a worker that is winding down to close its own handles.
::testing::AssertionResult HandlesReturnTo(const hxsim::HandleCounts& expected) {
    if (WaitUntil([&] { return CountsOf(hxsim::OpenHandles()) == CountsOf(expected); }))
        return ::testing::AssertionSuccess();
    const auto now = hxsim::OpenHandles();
    return ::testing::AssertionFailure()
           << "open (kernel, keys, sets, notifications) = (" << now.kernel << ", "
           << now.registryKeys << ", " << now.devInfoSets << ", " << now.notifications
           << "), expected (" << expected.kernel << ", " << expected.registryKeys << ", "
           << expected.devInfoSets << ", " << expected.notifications << ")";
}

class HotplugTest : public WorldTest {
protected:
    void TearDown() override {
        CloseMonitor();
        EXPECT_TRUE(hxsim::WaitForThreadsToEnd());
        WorldTest::TearDown();
    }

    // Starts the monitor and notes what it holds while it only watches.
    // Call with no camera present.
    bool StartMonitor() {
        monitor_.emplace();
        watching_ = hxsim::OpenHandles();
        return monitor_->window() != nullptr;
    }

    void CloseMonitor() {
        if (monitor_) {
            EXPECT_EQ(monitor_->Close(), 0);
            monitor_.reset();
        }
    }

    // The record's fields that hold something, in record order, read under
    // the record's lock.
    static std::string Held() {
        LockMonitor();
        const DeviceMonitor record = g_Monitor;
        UnlockMonitor();
        std::string held;
        const auto note = [&held](bool isHeld, const char* name) {
            if (!isHeld)
                return;
            if (!held.empty())
                held += ' ';
            held += name;
        };
        note(record.hThread != NO_HANDLE, "worker");
        note(record.hDevice != NO_HANDLE, "device");
        note(record.hDriverKey != NO_KEY, "key");
        note(record.hStopEvent != NO_HANDLE, "stop");
        return held;
    }

    static bool ArmedSoon(DeviceId camera) {
        return WaitUntil([&] { return hxsim::IsArmed(camera); });
    }

    static bool RequestsReach(DeviceId camera, size_t count) {
        return WaitUntil([&] { return hxsim::DriverRequests(camera).size() >= count; });
    }

    // The user presses the button; returns what it started.
    static std::string Press(DeviceId camera) {
        return Started(camera, hxsim::PressSnapButton);
    }

    // The camera reports a new picture; returns what it started.
    static std::string NewPicture(DeviceId camera) {
        return Started(camera, hxsim::ReportNewPicture);
    }

    std::optional<RunningMonitor> monitor_;
    hxsim::HandleCounts watching_;

private:
    static std::string Started(DeviceId camera, bool (*signal)(DeviceId)) {
        const size_t before = hxsim::Launches().size();
        if (!signal(camera))
            return "<camera not armed>";
        if (!hxsim::WaitForLaunches(before + 1))
            return "<nothing started>";
        return hxsim::Launches()[before].commandLine;
    }
};

// Scenarios that depend on how the arrival and removal records name the
// interface: 8-bit names as Windows sends them, and 16-bit names in upper
// case as Wine sends them even to an 8-bit registration.
class HotplugFormTest : public HotplugTest, public ::testing::WithParamInterface<NameForm> {
protected:
    static NameForm form() { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(RecordForms, HotplugFormTest,
                         ::testing::Values(NameForm::Ansi, NameForm::Wide),
                         [](const ::testing::TestParamInfo<NameForm>& info) {
                             return info.param == NameForm::Wide ? "Wide" : "Ansi";
                         });

TEST_P(HotplugFormTest, PluggedInCameraIsArmedAndStartsWhatItsOwnKeyNames) {
    ASSERT_TRUE(StartMonitor());
    const auto desc = hxsim::CameraDesc();
    const auto own = RegisterUnder(desc, "Camera");

    const DeviceId camera = hxsim::PlugIn(desc, form());

    ASSERT_TRUE(ArmedSoon(camera));
    const auto requests = hxsim::DriverRequests(camera);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].accepted);
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, watching_.registryKeys + 1);

    EXPECT_EQ(Press(camera), own.snapCommand);
    EXPECT_EQ(NewPicture(camera), own.pictureCommand);
    EXPECT_EQ(hxsim::Launches().size(), 2u);
}

TEST_P(HotplugFormTest, UnplugReleasesEverythingAndReplugMakesItAnew) {
    ASSERT_TRUE(StartMonitor());
    const auto desc = hxsim::CameraDesc();
    const auto own = RegisterUnder(desc, "Camera");
    const DeviceId first = hxsim::PlugIn(desc, form());
    ASSERT_TRUE(ArmedSoon(first));
    EXPECT_EQ(Press(first), own.snapCommand);

    hxsim::Unplug(first, false, form());

    EXPECT_EQ(Held(), kNothingHeld);
    ASSERT_TRUE(RequestsReach(first, 2));
    const auto requests = hxsim::DriverRequests(first);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].first, 0u);
    EXPECT_EQ(requests[1].second, requests[0].second);
    EXPECT_FALSE(hxsim::IsArmed(first));
    EXPECT_EQ(hxsim::ControlOpenNow(first), 0);
    EXPECT_TRUE(HandlesReturnTo(watching_));

    const DeviceId again = hxsim::PlugIn(desc, form());

    ASSERT_TRUE(ArmedSoon(again));
    EXPECT_EQ(hxsim::DriverRequests(again).size(), 1u);
    EXPECT_EQ(hxsim::CreatedThreads().size(), 2u);
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(Press(again), own.snapCommand);
}

TEST_P(HotplugFormTest, PendingRemovalTearsDownAndTheCompleteOneFindsNothingLeft) {
    ASSERT_TRUE(StartMonitor());
    const DeviceId camera = hxsim::PlugIn(hxsim::CameraDesc(), form());
    ASSERT_TRUE(ArmedSoon(camera));

    EXPECT_EQ(hxsim::SendInterfaceEvent(DBT_DEVICEREMOVEPENDING, PathOf(hxsim::CameraDesc()),
                                        form()),
              TRUE);

    EXPECT_EQ(Held(), kNothingHeld);
    EXPECT_FALSE(hxsim::IsArmed(camera));
    ASSERT_TRUE(RequestsReach(camera, 2));
    EXPECT_TRUE(HandlesReturnTo(watching_));

    // The camera is then gone for good.
    hxsim::Unplug(camera, false, form());

    EXPECT_EQ(Held(), kNothingHeld);
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 2u);
    EXPECT_EQ(hxsim::CreatedThreads().size(), 1u);
    EXPECT_TRUE(HandlesReturnTo(watching_));
    EXPECT_EQ(hxsim::HandleMisuse(), std::vector<std::string>{});
}

TEST_P(HotplugFormTest, LateCompleteRemovalOfTheOldCameraSparesTheNewOne) {
    ASSERT_TRUE(StartMonitor());
    const DeviceId old = hxsim::PlugIn(hxsim::CameraDesc(0), form());
    ASSERT_TRUE(ArmedSoon(old));
    hxsim::SendInterfaceEvent(DBT_DEVICEREMOVEPENDING, PathOf(hxsim::CameraDesc(0)), form());

    // A camera is swapped in before the old one's removal is complete.
    const DeviceId swapped = hxsim::PlugIn(hxsim::CameraDesc(1), form());
    ASSERT_TRUE(ArmedSoon(swapped));
    hxsim::Unplug(old, false, form());

    EXPECT_TRUE(hxsim::IsArmed(swapped));
    EXPECT_EQ(hxsim::DriverRequests(swapped).size(), 1u);
    EXPECT_EQ(Held(), kCameraServed);
}

TEST_P(HotplugFormTest, PendingAndCompleteRemovalTogetherDisarmOnce) {
    ASSERT_TRUE(StartMonitor());
    const DeviceId camera = hxsim::PlugIn(hxsim::CameraDesc(), form());
    ASSERT_TRUE(ArmedSoon(camera));

    hxsim::Unplug(camera, true, form());

    EXPECT_EQ(Held(), kNothingHeld);
    ASSERT_TRUE(RequestsReach(camera, 2));
    ASSERT_TRUE(hxsim::WaitForThreadsToEnd());
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 2u);
    EXPECT_TRUE(HandlesReturnTo(watching_));
}

TEST_P(HotplugFormTest, ImageDeviceArrivingFirstLeavesNoKeyAndTheCameraUsesItsOwn) {
    ASSERT_TRUE(StartMonitor());
    RegisterUnder(Scanner(), "Scanner");
    const auto cameraApps = RegisterUnder(hxsim::CameraDesc(), "Camera");

    hxsim::PlugIn(Scanner(), form());

    EXPECT_EQ(Held(), kNothingHeld);
    EXPECT_TRUE(HandlesReturnTo(watching_));
    EXPECT_TRUE(hxsim::CreatedThreads().empty());

    const DeviceId camera = hxsim::PlugIn(hxsim::CameraDesc(), form());

    ASSERT_TRUE(ArmedSoon(camera));
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, watching_.registryKeys + 1);
    EXPECT_EQ(Press(camera), cameraApps.snapCommand);
    EXPECT_EQ(NewPicture(camera), cameraApps.pictureCommand);
}

TEST_P(HotplugFormTest, RemovingAnotherImageDeviceLeavesCameraAndKeyInPlace) {
    ASSERT_TRUE(StartMonitor());
    RegisterUnder(Scanner(), "Scanner");
    const auto cameraApps = RegisterUnder(hxsim::CameraDesc(), "Camera");
    const DeviceId scanner = hxsim::PlugIn(Scanner(), form());
    const DeviceId camera = hxsim::PlugIn(hxsim::CameraDesc(), form());
    ASSERT_TRUE(ArmedSoon(camera));

    hxsim::Unplug(scanner, false, form());

    EXPECT_TRUE(hxsim::IsArmed(camera));
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 1u);
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, watching_.registryKeys + 1);
    EXPECT_EQ(Press(camera), cameraApps.snapCommand);
}

TEST_P(HotplugFormTest, QueriesAndNodeChangesLeaveEverythingAsItWas) {
    ASSERT_TRUE(StartMonitor());
    const auto own = RegisterUnder(hxsim::CameraDesc(0), "Camera");
    const DeviceId held = hxsim::PlugIn(hxsim::CameraDesc(0), form());
    ASSERT_TRUE(ArmedSoon(held));
    // A second camera is in the tree, but nobody has announced it.
    const DeviceId unannounced = hxsim::AddDevice(hxsim::CameraDesc(1));
    const size_t keys = hxsim::OpenHandles().registryKeys;

    for (WPARAM query : {WPARAM{DBT_DEVICEQUERYREMOVE}, WPARAM{DBT_DEVICEQUERYREMOVEFAILED}}) {
        for (const auto& path : {PathOf(hxsim::CameraDesc(0)), PathOf(hxsim::CameraDesc(1))})
            hxsim::SendInterfaceEvent(query, path, form());
    }
    monitor_->Send(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);

    EXPECT_TRUE(hxsim::IsArmed(held));
    EXPECT_EQ(hxsim::DriverRequests(held).size(), 1u);
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(hxsim::ControlOpens(unannounced), 0);
    EXPECT_TRUE(hxsim::DriverRequests(unannounced).empty());
    EXPECT_EQ(hxsim::CreatedThreads().size(), 1u);
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, keys);
    EXPECT_EQ(Press(held), own.snapCommand);
}

TEST_P(HotplugFormTest, CameraThatCannotBeOpenedKeepsOnlyItsKeyUntilRemoved) {
    ASSERT_TRUE(StartMonitor());
    const auto desc = hxsim::CameraDesc();
    const auto own = RegisterUnder(desc, "Camera");
    const DeviceId refusing = hxsim::AddDevice(desc);
    hxsim::RefuseOpen(refusing);

    EXPECT_EQ(hxsim::SendInterfaceEvent(DBT_DEVICEARRIVAL, PathOf(desc), form()), TRUE);

    EXPECT_EQ(Held(), "key");
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, watching_.registryKeys + 1);
    EXPECT_EQ(hxsim::ControlOpenNow(refusing), 0);
    EXPECT_FALSE(hxsim::IsArmed(refusing));
    EXPECT_TRUE(hxsim::CreatedThreads().empty());

    // Its removal releases the key; there is no worker or device to release.
    hxsim::Unplug(refusing, false, form());
    EXPECT_EQ(Held(), kNothingHeld);
    EXPECT_TRUE(HandlesReturnTo(watching_));

    const DeviceId working = hxsim::PlugIn(desc, form());
    ASSERT_TRUE(ArmedSoon(working));
    EXPECT_EQ(Press(working), own.snapCommand);
}

TEST_P(HotplugFormTest, SecondCameraReplacesTheHeldOneWhileTheFirstStaysArmed) {
    ASSERT_TRUE(StartMonitor());
    const auto firstApps = RegisterUnder(hxsim::CameraDesc(0), "First");
    RegisterUnder(hxsim::CameraDesc(1), "Second");
    const DeviceId first = hxsim::PlugIn(hxsim::CameraDesc(0), form());
    ASSERT_TRUE(ArmedSoon(first));

    const DeviceId second = hxsim::PlugIn(hxsim::CameraDesc(1), form());

    EXPECT_EQ(hxsim::ControlOpens(second), 1);
    EXPECT_TRUE(hxsim::IsArmed(first));
    EXPECT_FALSE(hxsim::IsArmed(second));
    EXPECT_EQ(hxsim::CreatedThreads().size(), 1u);
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(Press(second), "<camera not armed>");
    EXPECT_EQ(Press(first), firstApps.snapCommand);

    // The held camera leaves; the worker armed on the first one is stopped.
    hxsim::Unplug(second, false, form());

    EXPECT_EQ(Held(), kNothingHeld);
    ASSERT_TRUE(RequestsReach(first, 2));
    ASSERT_TRUE(hxsim::WaitForThreadsToEnd());
    const auto requests = hxsim::DriverRequests(first);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].first, 0u);
    EXPECT_EQ(requests[1].second, requests[0].second);
    EXPECT_FALSE(hxsim::IsArmed(first));
    EXPECT_TRUE(hxsim::DriverRequests(second).empty());
    EXPECT_EQ(hxsim::ControlOpenNow(first), 0);
    EXPECT_EQ(hxsim::ControlOpenNow(second), 0);
    EXPECT_TRUE(HandlesReturnTo(watching_));
    EXPECT_EQ(hxsim::Launches().size(), 1u);
}

// Wine drops an arrival or removal it sends to a queue it judges hung; the
// change of the device tree announced just before it still arrives.
TEST_P(HotplugFormTest, CameraWhoseRemovalWasLostIsArmedAnewWhenItComesBack) {
    ASSERT_TRUE(StartMonitor());
    const auto desc = hxsim::CameraDesc();
    const auto own = RegisterUnder(desc, "Camera");
    const DeviceId first = hxsim::PlugIn(desc, form());
    ASSERT_TRUE(ArmedSoon(first));

    // Its removal is lost, and the look at the tree's change fails too.
    hxsim::FailCall("SetupDiGetClassDevsA", ERROR_NOT_ENOUGH_MEMORY);
    hxsim::Unplug(first, false, form(), hxsim::Delivery::NodesChangedOnly);
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(hxsim::DriverRequests(first).size(), 1u);

    const DeviceId again = hxsim::PlugIn(desc, form());

    ASSERT_TRUE(ArmedSoon(again));
    EXPECT_EQ(hxsim::DriverRequests(again).size(), 1u);
    EXPECT_EQ(hxsim::CreatedThreads().size(), 2u);
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(Press(again), own.snapCommand);
    // The old worker was stopped, and the gone camera's handles closed.
    ASSERT_TRUE(RequestsReach(first, 2));
    EXPECT_TRUE(WaitUntil([&] { return hxsim::ControlOpenNow(first) == 0; }));
}

TEST_F(HotplugTest, CameraWhoseRemovalAndArrivalWereBothLostIsFollowedThroughTreeChanges) {
    ASSERT_TRUE(StartMonitor());
    // Another image device, listed before the camera by every look.
    hxsim::PlugIn(Scanner());
    const auto desc = hxsim::CameraDesc();
    const auto own = RegisterUnder(desc, "Camera");
    const DeviceId first = hxsim::PlugIn(desc);
    ASSERT_TRUE(ArmedSoon(first));

    hxsim::Unplug(first, false, NameForm::Ansi, hxsim::Delivery::NodesChangedOnly);

    EXPECT_EQ(Held(), kNothingHeld);
    ASSERT_TRUE(RequestsReach(first, 2));
    EXPECT_TRUE(HandlesReturnTo(watching_));

    const DeviceId again = hxsim::PlugIn(desc, NameForm::Ansi, hxsim::Delivery::NodesChangedOnly);

    ASSERT_TRUE(ArmedSoon(again));
    monitor_->Send(WM_COMMAND);  // the look that armed it has returned
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(Press(again), own.snapCommand);

    // Found by a look, it is still followed to its removal.
    hxsim::Unplug(again);
    EXPECT_EQ(Held(), kNothingHeld);
    EXPECT_TRUE(HandlesReturnTo(watching_));
}

TEST_F(HotplugTest, TreeChangesThatChangeNothingForTheCameraCostItNothing) {
    ASSERT_TRUE(StartMonitor());
    const auto counters = hxsim::ReadCounters();
    const DeviceId camera = hxsim::PlugIn(hxsim::CameraDesc());
    ASSERT_TRUE(ArmedSoon(camera));
    // The look that follows a plug-in, its arrival served by then: after the
    // tree change and the arrival, the timer's message is the third.
    ASSERT_TRUE(WaitUntil([&] {
        return hxsim::ReadCounters().messagesRetrieved > counters.messagesRetrieved + 2;
    }));
    monitor_->Send(WM_COMMAND);
    const auto held = hxsim::OpenHandles();

    hxsim::BroadcastNodesChanged();
    hxsim::PlugIn(Scanner());

    EXPECT_EQ(hxsim::ControlOpens(camera), 1);
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 1u);
    EXPECT_EQ(hxsim::CreatedThreads().size(), 1u);
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_TRUE(HandlesReturnTo(held));
}

TEST_P(HotplugFormTest, ControlObjectPathMustFitThePathBuffer) {
    ASSERT_TRUE(StartMonitor());

    // 252 characters, "\GLOBAL" and the terminator fill 260 bytes exactly.
    const DeviceId fits = hxsim::PlugIn(CameraWithPathLength(252), form());
    ASSERT_TRUE(ArmedSoon(fits));
    EXPECT_EQ(hxsim::ControlOpens(fits), 1);
    hxsim::Unplug(fits, false, form());
    EXPECT_TRUE(HandlesReturnTo(watching_));

    for (size_t length : {253u, 259u, 260u, 300u}) {
        SCOPED_TRACE(length);
        const DeviceId tooLong = hxsim::PlugIn(CameraWithPathLength(length), form());
        EXPECT_EQ(hxsim::ControlOpens(tooLong), 0);
        EXPECT_FALSE(hxsim::IsArmed(tooLong));
        EXPECT_EQ(hxsim::CreatedThreads().size(), 1u);
        EXPECT_EQ(Held().find("device"), std::string::npos);
        hxsim::Unplug(tooLong, false, form());
        EXPECT_EQ(Held(), kNothingHeld);
    }

    // None of that got in the way of the camera's next arrival.
    const DeviceId camera = hxsim::PlugIn(hxsim::CameraDesc(), form());
    ASSERT_TRUE(ArmedSoon(camera));
    EXPECT_EQ(Press(camera), kDefaultSnapCommand);
}

TEST_P(HotplugFormTest, RecordsWhoseNameRunsPastTheirSizeAreIgnored) {
    ASSERT_TRUE(StartMonitor());
    const auto desc = hxsim::CameraDesc();
    const DeviceId camera = hxsim::AddDevice(desc);

    EXPECT_EQ(hxsim::SendRawDeviceChange(DBT_DEVICEARRIVAL,
                                         CutShortRecord(PathOf(desc), form()).data()),
              TRUE);

    EXPECT_EQ(Held(), kNothingHeld);
    EXPECT_EQ(hxsim::ControlOpens(camera), 0);
    EXPECT_TRUE(hxsim::CreatedThreads().empty());

    // The same camera announced properly is served, and a cut-short removal
    // does not take it down.
    hxsim::SendInterfaceEvent(DBT_DEVICEARRIVAL, PathOf(desc), form());
    ASSERT_TRUE(ArmedSoon(camera));

    EXPECT_EQ(hxsim::SendRawDeviceChange(DBT_DEVICEREMOVECOMPLETE,
                                         CutShortRecord(PathOf(desc), form()).data()),
              TRUE);

    EXPECT_TRUE(hxsim::IsArmed(camera));
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 1u);
}

// Wine leaves SetupDiOpenDeviceInterfaceA unimplemented and names interfaces
// in 16-bit records with upper-case instance parts; the camera must still be
// followed there.
TEST_F(HotplugTest, CameraIsFollowedWhereInterfacesCannotBeOpenedByPath) {
    hxsim::FailCall("SetupDiOpenDeviceInterfaceA", ERROR_CALL_NOT_IMPLEMENTED, 0, 0);
    ASSERT_TRUE(StartMonitor());
    RegisterUnder(Scanner(), "Scanner");
    const auto cameraApps = RegisterUnder(hxsim::CameraDesc(), "Camera");

    const DeviceId scanner = hxsim::PlugIn(Scanner(), NameForm::Wide);
    EXPECT_EQ(Held(), kNothingHeld);
    const DeviceId camera = hxsim::PlugIn(hxsim::CameraDesc(), NameForm::Wide);
    ASSERT_TRUE(ArmedSoon(camera));
    EXPECT_EQ(Press(camera), cameraApps.snapCommand);

    hxsim::Unplug(scanner, false, NameForm::Wide);
    EXPECT_TRUE(hxsim::IsArmed(camera));
    EXPECT_EQ(Held(), kCameraServed);

    hxsim::Unplug(camera, true, NameForm::Wide);
    EXPECT_EQ(Held(), kNothingHeld);
    ASSERT_TRUE(RequestsReach(camera, 2));
    ASSERT_TRUE(hxsim::WaitForThreadsToEnd());
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 2u);
    EXPECT_TRUE(HandlesReturnTo(watching_));

    const DeviceId again = hxsim::PlugIn(hxsim::CameraDesc(), NameForm::Wide);
    ASSERT_TRUE(ArmedSoon(again));
    EXPECT_EQ(Press(again), cameraApps.snapCommand);
}

TEST_F(HotplugTest, DriverKeyPathMayFillThePathBufferButNotOverflowIt) {
    ASSERT_TRUE(StartMonitor());

    // The 39-character class prefix, 220 characters and the terminator make 260.
    const auto fitting = CameraWithDriverName(0, 220);
    const auto fittingApps = RegisterUnder(fitting, "Fits");
    const DeviceId fits = hxsim::PlugIn(fitting);
    ASSERT_TRUE(ArmedSoon(fits));
    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(Press(fits), fittingApps.snapCommand);
    hxsim::Unplug(fits);
    EXPECT_TRUE(HandlesReturnTo(watching_));

    // One more character: no key, but the camera is served with the defaults.
    const auto overlong = CameraWithDriverName(1, 221);
    RegisterUnder(overlong, "TooLong");
    const DeviceId tooLong = hxsim::PlugIn(overlong);
    ASSERT_TRUE(ArmedSoon(tooLong));
    EXPECT_EQ(Held(), "worker device stop");
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, watching_.registryKeys);
    EXPECT_EQ(Press(tooLong), kDefaultSnapCommand);
    EXPECT_EQ(NewPicture(tooLong), kDefaultPictureCommand);
    hxsim::Unplug(tooLong);
    EXPECT_TRUE(HandlesReturnTo(watching_));
}

TEST_F(HotplugTest, CameraPresentAtStartIsServedWithItsOwnRegistrationFromTheFirstPress) {
    const auto cameraApps = RegisterUnder(hxsim::CameraDesc(), "Camera");
    RegisterUnder(Scanner(), "Scanner");
    const auto before = hxsim::OpenHandles();
    const DeviceId camera = hxsim::AddDevice(hxsim::CameraDesc());
    ASSERT_TRUE(StartMonitor());
    ASSERT_TRUE(ArmedSoon(camera));

    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(Press(camera), cameraApps.snapCommand);
    EXPECT_EQ(NewPicture(camera), cameraApps.pictureCommand);

    // Another image device arriving later changes nothing.
    const size_t keys = hxsim::OpenHandles().registryKeys;
    hxsim::PlugIn(Scanner());

    EXPECT_EQ(Held(), kCameraServed);
    EXPECT_EQ(hxsim::OpenHandles().registryKeys, keys);
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 1u);
    EXPECT_EQ(hxsim::CreatedThreads().size(), 1u);
    EXPECT_EQ(Press(camera), cameraApps.snapCommand);

    // The key leaves with the camera's worker, as after an arrival.
    hxsim::Unplug(camera);
    EXPECT_EQ(Held(), kNothingHeld);
    CloseMonitor();
    EXPECT_TRUE(HandlesReturnTo(before));
}

TEST_F(HotplugTest, CameraPresentAtStartWhoseKeyCannotBeOpenedIsServedWithTheDefaults) {
    RegisterUnder(hxsim::CameraDesc(), "Camera");
    const auto before = hxsim::OpenHandles();
    const DeviceId camera = hxsim::AddDevice(hxsim::CameraDesc());
    // The first key the monitor opens is the camera's driver key.
    hxsim::FailCall("RegOpenKeyExA", ERROR_ACCESS_DENIED);
    ASSERT_TRUE(StartMonitor());
    ASSERT_TRUE(ArmedSoon(camera));

    EXPECT_EQ(Held(), "worker device stop");
    EXPECT_EQ(Press(camera), kDefaultSnapCommand);
    EXPECT_EQ(NewPicture(camera), kDefaultPictureCommand);

    CloseMonitor();
    EXPECT_TRUE(HandlesReturnTo(before));
}

TEST_F(HotplugTest, RemovalDuringASlowLaunchDoesNotWaitForIt) {
    LaunchGate gate;
    ASSERT_TRUE(StartMonitor());
    const auto own = RegisterUnder(hxsim::CameraDesc(), "Camera");
    const DeviceId camera = hxsim::PlugIn(hxsim::CameraDesc());
    ASSERT_TRUE(ArmedSoon(camera));
    ASSERT_TRUE(hxsim::PressSnapButton(camera));
    ASSERT_TRUE(gate.WaitForEntered(1));

    // The launch is held at the gate for as long as the removal takes.
    auto removal = std::async(std::launch::async, [camera] { hxsim::Unplug(camera); });
    const bool removalReturned =
        removal.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!removalReturned)
        gate.Open();
    ASSERT_TRUE(removalReturned) << "the removal waited for the launch to end";

    EXPECT_EQ(Held(), kNothingHeld);
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 1u);  // still launching, not yet disarmed
    EXPECT_EQ(hxsim::HandleMisuse(), std::vector<std::string>{});

    gate.Open();

    ASSERT_TRUE(RequestsReach(camera, 2));
    const auto requests = hxsim::DriverRequests(camera);
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].first, 0u);
    EXPECT_EQ(requests[1].second, requests[0].second);
    EXPECT_FALSE(hxsim::IsArmed(camera));
    ASSERT_TRUE(hxsim::WaitForThreadsToEnd());
    EXPECT_EQ(hxsim::HandleMisuse(), std::vector<std::string>{});
    EXPECT_EQ(hxsim::ControlOpenNow(camera), 0);
    EXPECT_TRUE(HandlesReturnTo(watching_));
    EXPECT_EQ(LaunchedCommands(), std::vector<std::string>{own.snapCommand});
    // Close while the gate is still alive: its hook is installed until reset.
    CloseMonitor();
}

}  // namespace
