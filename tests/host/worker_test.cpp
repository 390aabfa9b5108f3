// From the driver's signal to the started program: the worker arms the
// camera, turns each signal into one launch, and disarms when told to stop.
#include "monitor_fixture.h"

namespace {

using hxtest::LaunchedCommands;
using hxtest::LaunchGate;
using hxtest::RunningMonitor;
using hxtest::WaitUntil;
using hxtest::WorldTest;

class WorkerTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        camera_ = hxsim::AddDevice(hxsim::CameraDesc());
    }
    // Driver requests seen by the camera so far.
    size_t RequestCount() const { return hxsim::DriverRequests(camera_).size(); }

    hxsim::DeviceId camera_ = -1;
};

TEST_F(WorkerTest, CameraPresentAtStartIsArmedWithTwoEvents) {
    RunningMonitor monitor;
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));

    const auto requests = hxsim::DriverRequests(camera_);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].code, 0x8160205Cu);
    EXPECT_EQ(requests[0].inputSize, 8u);
    EXPECT_NE(requests[0].first, 0u);
    EXPECT_NE(requests[0].second, 0u);
    EXPECT_NE(requests[0].first, requests[0].second);
    EXPECT_TRUE(requests[0].accepted);
    EXPECT_EQ(monitor.Close(), 0);
}

TEST_F(WorkerTest, ButtonAndPictureStartTheirDefaultsInTheWindowsDirectory) {
    hxsim::SetWindowsDirectory("C:\\WINNT");
    const auto handlesBefore = hxsim::OpenHandles().total();
    RunningMonitor monitor;
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));

    ASSERT_TRUE(hxsim::PressSnapButton(camera_));
    ASSERT_TRUE(hxsim::WaitForLaunches(1));
    ASSERT_TRUE(hxsim::ReportNewPicture(camera_));
    ASSERT_TRUE(hxsim::WaitForLaunches(2));

    const auto launches = hxsim::Launches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].commandLine, "hxAMCap.exe");
    EXPECT_EQ(launches[1].commandLine, "hxCap.exe");
    for (const auto& launch : launches) {
        EXPECT_FALSE(launch.applicationName.has_value());
        EXPECT_EQ(launch.currentDirectory, std::optional<std::string>("C:\\WINNT"));
        EXPECT_EQ(launch.creationFlags, static_cast<DWORD>(DETACHED_PROCESS));
        EXPECT_FALSE(launch.inheritHandles);
        EXPECT_TRUE(launch.ownEnvironment);
        EXPECT_EQ(launch.startupCb, sizeof(STARTUPINFOA));
    }

    EXPECT_EQ(monitor.Close(), 0);
    // Closing disarms with (0, picture event), and every handle is back.
    const auto requests = hxsim::DriverRequests(camera_);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].first, 0u);
    EXPECT_EQ(requests[1].second, requests[0].second);
    EXPECT_FALSE(hxsim::IsArmed(camera_));
    EXPECT_TRUE(WaitUntil([&] { return hxsim::OpenHandles().total() == handlesBefore; }));
}

TEST_F(WorkerTest, StopWhileIdleDisarmsAndEndsWithinTheBound) {
    RunningMonitor monitor;
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));

    EXPECT_EQ(monitor.Close(), 0);

    // An idle worker has disarmed and ended before the bounded wait ran out,
    // so the disarm is on record by the time the monitor has exited.
    ASSERT_EQ(RequestCount(), 2u);
    EXPECT_EQ(hxsim::DriverRequests(camera_)[1].first, 0u);
    EXPECT_TRUE(hxsim::Launches().empty());
}

TEST_F(WorkerTest, BothEventsAtOnceLaunchSnapshotFirstThenPicture) {
    RunningMonitor monitor;
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));

    ASSERT_TRUE(hxsim::SignalBoth(camera_));
    ASSERT_TRUE(hxsim::WaitForLaunches(2));

    EXPECT_EQ(LaunchedCommands(), (std::vector<std::string>{"hxAMCap.exe", "hxCap.exe"}));
    EXPECT_EQ(monitor.Close(), 0);
}

TEST_F(WorkerTest, PressesDuringALaunchMergeIntoOne) {
    LaunchGate gate;
    RunningMonitor monitor;
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));

    ASSERT_TRUE(hxsim::PressSnapButton(camera_));
    ASSERT_TRUE(gate.WaitForEntered(1));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(hxsim::PressSnapButton(camera_));
    gate.Open();

    ASSERT_TRUE(hxsim::WaitForLaunches(2));
    EXPECT_EQ(monitor.Close(), 0);
    EXPECT_EQ(LaunchedCommands(), (std::vector<std::string>{"hxAMCap.exe", "hxAMCap.exe"}));
}

TEST_F(WorkerTest, ClosingDuringASlowLaunchDoesNotWaitForItNorPendingPresses) {
    LaunchGate gate;
    const auto handlesBefore = hxsim::OpenHandles().total();
    RunningMonitor monitor;
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));

    ASSERT_TRUE(hxsim::PressSnapButton(camera_));
    ASSERT_TRUE(gate.WaitForEntered(1));
    ASSERT_TRUE(hxsim::PressSnapButton(camera_));  // pending behind the launch

    // The main thread gives up on the busy worker and closes everything.
    EXPECT_EQ(monitor.Close(), 0);
    EXPECT_EQ(RequestCount(), 1u);

    // Once the launch returns, the stop outranks the pending press.
    gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return RequestCount() == 2; }));
    EXPECT_EQ(hxsim::DriverRequests(camera_)[1].first, 0u);
    EXPECT_EQ(LaunchedCommands(), std::vector<std::string>{"hxAMCap.exe"});
    EXPECT_TRUE(WaitUntil([&] { return hxsim::OpenHandles().total() == handlesBefore; }));
}

TEST_F(WorkerTest, RefusedArmLaunchesNothingAndKeepsTheThreadUntilClose) {
    hxsim::RefuseArm(camera_);
    RunningMonitor monitor;
    ASSERT_TRUE(WaitUntil([&] { return RequestCount() == 1; }));

    EXPECT_FALSE(hxsim::DriverRequests(camera_)[0].accepted);
    EXPECT_FALSE(hxsim::PressSnapButton(camera_));
    EXPECT_NE(g_Monitor.hThread, NO_HANDLE);

    // The ended worker still blocks a new one: a second camera is not armed.
    const auto second = hxsim::PlugIn(hxsim::CameraDesc(1));
    EXPECT_FALSE(hxsim::IsArmed(second));
    EXPECT_TRUE(hxsim::DriverRequests(second).empty());

    EXPECT_EQ(monitor.Close(), 0);
    EXPECT_EQ(RequestCount(), 1u);  // never armed, so never disarmed
    EXPECT_TRUE(hxsim::Launches().empty());
}

class WorkerRecordTest : public WorkerTest {
protected:
    void SetUp() override {
        WorkerTest::SetUp();
        InitDeviceMonitor(&record_);
        const std::string control = hxsim::CameraDesc().interfaces.front() + "\\GLOBAL";
        record_.hDevice = CreateFileA(control.c_str(), GENERIC_READ, 3, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(record_.hDevice, NO_HANDLE);
    }
    void TearDown() override {
        StopEventWorker(&record_);
        ReleaseWorkerAndKey(&record_);
        ReleaseDevice(&record_);
        WorkerTest::TearDown();
    }

    DeviceMonitor record_{};
};

TEST_F(WorkerRecordTest, StartingWhileAWorkerRunsChangesNothing) {
    StartEventWorker(&record_);
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));
    const HANDLE thread = record_.hThread;
    const HANDLE stop = record_.hStopEvent;
    const auto handles = hxsim::OpenHandles().kernel;

    StartEventWorker(&record_);

    EXPECT_EQ(record_.hThread, thread);
    EXPECT_EQ(record_.hStopEvent, stop);
    EXPECT_EQ(hxsim::OpenHandles().kernel, handles);
    EXPECT_EQ(RequestCount(), 1u);
}

TEST_F(WorkerRecordTest, StopEventThatCannotBeMadeStartsNoWorkerAndALaterStartRetries) {
    hxsim::FailCall("CreateEventA", ERROR_NOT_ENOUGH_MEMORY);
    StartEventWorker(&record_);
    EXPECT_EQ(record_.hStopEvent, NO_HANDLE);
    EXPECT_EQ(record_.hThread, NO_HANDLE);
    EXPECT_EQ(RequestCount(), 0u);

    StartEventWorker(&record_);
    EXPECT_NE(record_.hStopEvent, NO_HANDLE);
    EXPECT_NE(record_.hThread, NO_HANDLE);
    EXPECT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));
}

TEST_F(WorkerRecordTest, ThreadThatCannotBeMadeHoldsNothingAndALaterStartRetries) {
    const auto handles = hxsim::OpenHandles().kernel;
    hxsim::FailCall("CreateThread", ERROR_NOT_ENOUGH_MEMORY);
    StartEventWorker(&record_);
    EXPECT_EQ(record_.hThread, NO_HANDLE);
    EXPECT_EQ(record_.hStopEvent, NO_HANDLE);
    EXPECT_EQ(hxsim::OpenHandles().kernel, handles);

    StartEventWorker(&record_);
    EXPECT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));
}

TEST_F(WorkerRecordTest, WorkerEventsThatCannotBeMadeLeaveTheDriverAlone) {
    // The stop event is made, then the worker's first or second event fails.
    for (unsigned skip : {1u, 2u}) {
        SCOPED_TRACE(skip);
        hxsim::FailCall("CreateEventA", ERROR_NOT_ENOUGH_MEMORY, skip);
        StartEventWorker(&record_);
        ASSERT_NE(record_.hThread, NO_HANDLE);
        EXPECT_EQ(WaitForSingleObject(record_.hThread, 5000), WAIT_OBJECT_0);
        EXPECT_EQ(RequestCount(), 0u);
        StopEventWorker(&record_);
        ReleaseWorkerAndKey(&record_);
    }
}

TEST_F(WorkerRecordTest, WorkerRaisesItselfToHighestPriorityOnceArmed) {
    StartEventWorker(&record_);
    ASSERT_TRUE(WaitUntil([&] { return hxsim::IsArmed(camera_); }));
    EXPECT_TRUE(WaitUntil(
        [&] { return GetThreadPriority(record_.hThread) == THREAD_PRIORITY_HIGHEST; }));
}

}  // namespace
