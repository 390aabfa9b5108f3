// The monitor's life as a program: one copy per desktop, a hidden window
// that lives until WM_CLOSE, and the exit codes another program sees.
#include "monitor_fixture.h"

#include <condition_variable>
#include <mutex>

namespace {

using hxtest::RunningMonitor;
using hxtest::WorldTest;

LRESULT CALLBACK PlainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// A window of the monitor's class that some other thread made, with a title
// of its own; it lives until the object goes away.
class ForeignWindow {
public:
    explicit ForeignWindow(const char* title) {
        thread_ = std::thread([this, title] {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = PlainWndProc;
            wc.lpszClassName = "hxMonitor";
            RegisterClassExA(&wc);
            HWND hwnd = CreateWindowExA(0, "hxMonitor", title, WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                                        nullptr, nullptr, nullptr, nullptr);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                window_ = hwnd;
                thread_id_ = GetCurrentThreadId();
                ready_ = true;
            }
            changed_.notify_all();
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            DestroyWindow(hwnd);
        });
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return ready_; });
    }
    // Ends the window's thread, which then destroys the window itself.
    ~ForeignWindow() {
        PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ready_ = false;
    HWND window_ = nullptr;
    DWORD thread_id_ = 0;
    std::thread thread_;
};

bool MonitorClassRegistered() {
    SetLastError(0xdeadbeef);
    HWND probe = CreateWindowExA(0, "hxMonitor", "probe", 0, 0, 0, 0, 0, nullptr, nullptr,
                                 nullptr, nullptr);
    if (probe == nullptr)
        return false;
    DestroyWindow(probe);
    return true;
}

class ShellTest : public WorldTest {};

TEST_F(ShellTest, FirstCopyRunsHiddenUntilClosedAndExitsWithZero) {
    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);

    EXPECT_FALSE(IsWindowVisible(monitor.window()));
    EXPECT_EQ(FindWindowA("hxMonitor", "Halvex Monitor Application"), monitor.window());

    EXPECT_EQ(monitor.Close(), 0);
    EXPECT_FALSE(IsWindow(monitor.window()));
    EXPECT_EQ(HandlesOpenedSinceStart(), 0u);
}

TEST_F(ShellTest, SecondCopyLeavesTheFirstAloneAndSaysSoToTheDebugger) {
    RunningMonitor first;
    ASSERT_NE(first.window(), nullptr);

    EXPECT_EQ(hxtest::RunMonitorToItsEnd(), 0);

    EXPECT_EQ(hxsim::DebugOutput(), std::vector<std::string>{"hxMon: Already Running!"});
    EXPECT_TRUE(IsWindow(first.window()));
    EXPECT_FALSE(first.ended());
    EXPECT_EQ(first.Send(WM_COMMAND, 1, 0), 0);
    EXPECT_EQ(first.Close(), 0);
}

TEST_F(ShellTest, AnyWindowOfTheClassCountsAsARunningCopyWhateverItsTitle) {
    ForeignWindow other("Not the monitor at all");
    ASSERT_NE(other.window(), nullptr);

    EXPECT_EQ(hxtest::RunMonitorToItsEnd(), 0);
    EXPECT_EQ(hxsim::DebugOutput(), std::vector<std::string>{"hxMon: Already Running!"});
}

TEST_F(ShellTest, NoCopyRunningIsRecognisedByWindowsAndByWinesErrorCode) {
    // Windows leaves 2 after a lookup that finds nothing; Wine leaves 1407.
    for (DWORD notFound : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_CANNOT_FIND_WND_CLASS}}) {
        SCOPED_TRACE(notFound);
        hxsim::FailCall("FindWindowA", notFound);
        RunningMonitor monitor;
        ASSERT_NE(monitor.window(), nullptr);
        EXPECT_EQ(monitor.Close(), 0);
    }
    EXPECT_TRUE(hxsim::DebugOutput().empty());
}

TEST_F(ShellTest, FailedLookupEndsWithMinusOneBeforeRegisteringAnything) {
    hxsim::FailCall("FindWindowA", ERROR_ACCESS_DENIED);

    EXPECT_EQ(hxtest::RunMonitorToItsEnd(), -1);

    EXPECT_FALSE(MonitorClassRegistered());
    EXPECT_EQ(hxsim::OpenHandles().devInfoSets, 0u);
    EXPECT_TRUE(hxsim::DebugOutput().empty());
}

TEST_F(ShellTest, WindowThatCannotBeMadeEndsWithMinusOne) {
    hxsim::FailCall("CreateWindowExA", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(hxtest::RunMonitorToItsEnd(), -1);

    // A class that cannot be registered shows up as a window that cannot be made.
    hxsim::ResetWorld();
    hxsim::FailCall("RegisterClassExA", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(hxtest::RunMonitorToItsEnd(), -1);
}

TEST_F(ShellTest, ExitCodeIsZeroWhateverCodeTheQuitMessageCarries) {
    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);
    DWORD thread = GetWindowThreadProcessId(monitor.window(), nullptr);

    ASSERT_TRUE(PostThreadMessageA(thread, WM_QUIT, 7, 0));

    EXPECT_EQ(monitor.Join(), 0);
}

TEST_F(ShellTest, CommandsAreIgnored) {
    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);
    auto before = hxsim::OpenHandles().total();

    EXPECT_EQ(monitor.Send(WM_COMMAND, 0, 0), 0);
    EXPECT_EQ(monitor.Send(WM_COMMAND, 0x10001, 0x1234), 0);

    EXPECT_EQ(hxsim::OpenHandles().total(), before);
    EXPECT_TRUE(IsWindow(monitor.window()));
}

TEST_F(ShellTest, WatchIsSetUpAtCreationAndTakenDownAtClose) {
    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);

    EXPECT_EQ(hxsim::OpenHandles().devInfoSets, 1u);
    EXPECT_EQ(hxsim::OpenHandles().notifications, 1u);

    EXPECT_EQ(monitor.Close(), 0);
    EXPECT_EQ(hxsim::OpenHandles().devInfoSets, 0u);
    EXPECT_EQ(hxsim::OpenHandles().notifications, 0u);
    EXPECT_EQ(HandlesOpenedSinceStart(), 0u);
}

TEST_F(ShellTest, WithoutImageClassSupportTheWindowIdlesAndStillClosesCleanly) {
    hxsim::AddDevice(hxsim::CameraDesc());
    hxsim::FailCall("SetupDiGetClassDevsA", ERROR_INVALID_CLASS);

    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);

    EXPECT_EQ(hxsim::OpenHandles().notifications, 0u);
    EXPECT_EQ(hxsim::ControlOpens(0), 0);
    // A camera plugged in now is not seen: nobody registered for it.
    hxsim::PlugIn(hxsim::CameraDesc(1));
    EXPECT_EQ(hxsim::ControlOpens(1), 0);
    EXPECT_EQ(monitor.Send(WM_COMMAND, 0, 0), 0);

    EXPECT_EQ(monitor.Close(), 0);
    EXPECT_EQ(HandlesOpenedSinceStart(), 0u);
}

TEST_F(ShellTest, DeviceEventsOfOtherKindsGetTheDefaultHandling) {
    auto camera = hxsim::AddDevice(hxsim::CameraDesc());
    RunningMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);
    ASSERT_TRUE(hxtest::WaitUntil([&] { return hxsim::IsArmed(camera); }));
    const std::string path = hxsim::CameraDesc().interfaces.front();

    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << 4;
    const LRESULT expectedDefault =
        DefWindowProcA(monitor.window(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                       reinterpret_cast<LPARAM>(&volume));
    EXPECT_EQ(hxsim::SendRawDeviceChange(DBT_DEVICEREMOVECOMPLETE, &volume), expectedDefault);

    // Asking whether the camera may go is not its removal.
    EXPECT_EQ(hxsim::SendInterfaceEvent(DBT_DEVICEQUERYREMOVE, path),
              DefWindowProcA(monitor.window(), WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE, 0));
    EXPECT_EQ(hxsim::SendInterfaceEvent(DBT_DEVICEQUERYREMOVEFAILED, path),
              DefWindowProcA(monitor.window(), WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVEFAILED, 0));
    EXPECT_EQ(monitor.Send(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0),
              DefWindowProcA(monitor.window(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));

    EXPECT_TRUE(hxsim::IsArmed(camera));
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), 1u);
    EXPECT_EQ(monitor.Close(), 0);
}

TEST_F(ShellTest, ReleasesOnAFreshRecordTouchNothing) {
    DeviceMonitor record;
    InitDeviceMonitor(&record);
    const auto before = hxsim::OpenHandles().total();

    StopEventWorker(&record);
    ReleaseWorkerAndKey(&record);
    ReleaseDevice(&record);

    EXPECT_EQ(record.hThread, NO_HANDLE);
    EXPECT_EQ(record.hStopEvent, NO_HANDLE);
    EXPECT_EQ(record.hDevice, NO_HANDLE);
    EXPECT_EQ(record.hDriverKey, NO_KEY);
    EXPECT_EQ(record.hDevInfo, NO_HANDLE);
    EXPECT_EQ(record.hDevNotify, NO_HANDLE);
    EXPECT_EQ(record.classGuid, hxsim::kImageClassGuid);
    EXPECT_EQ(hxsim::OpenHandles().total(), before);
}

}  // namespace
