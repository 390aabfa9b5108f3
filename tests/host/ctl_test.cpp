// hxmonctl's account of the monitor, the camera and each event, read line for
// line, and its close command.
#include "monitor_fixture.h"

#include "close.h"
#include "command_line.h"
#include "ctl_run.h"
#include "hxmonctl.h"

#include <functional>
#include <future>
#include <memory>

namespace {

using hxtest::RegisterApplication;
using hxtest::RegisterEventApplication;
using hxtest::RunningMonitor;
using hxtest::WorldTest;

using Lines = std::vector<std::string>;

const std::string kInterfaceTail = "#{6bdd1fc6-810f-11d0-bec7-08002be2092f}";
const std::string kCameraPath = "\\\\?\\root#image#0001" + kInterfaceTail;
const std::string kSecondCameraPath = "\\\\?\\root#image#0002" + kInterfaceTail;
const std::string kScannerPath = "\\\\?\\usb#vid_04a9&pid_220e#0000" + kInterfaceTail;
const std::string kCameraKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0001";
const std::string kFolder = "C:\\Program Files\\hxMonitor";
const std::string kPid = std::to_string(GetCurrentProcessId());

const std::string kControlOpens = "The camera's control object " + kCameraPath +
                                  "\\GLOBAL opens (closed again at once; nothing was sent to "
                                  "the driver).";
const std::string kKeyOpens = "The camera's driver key is HKLM\\" + kCameraKey +
                              "; it opens for reading.";
// The camera in the list of interfaces: by its description, its path beneath.
const std::string kCameraNamed = "  Stand-in still camera: service \"RUdiDOVUDIRUR\": the camera";
const std::string kCameraPathBeneath = "    " + kCameraPath;
const std::string kNoKey =
    "  No driver key is held, so no registration is read: the default program starts.";

using hxtest::SplitLines;

// The lines under a heading ("SnapButton:"), up to the next unindented one.
Lines Section(const Lines& lines, const std::string& heading) {
    Lines section;
    auto line = std::find(lines.begin(), lines.end(), heading);
    if (line == lines.end())
        return {"<no " + heading + " section>"};
    while (++line != lines.end() && line->rfind("  ", 0) == 0)
        section.push_back(*line);
    return section;
}

// An event's lines when its default is found where the search starts.
Lines DefaultFound(const std::string& lookup, const std::string& program) {
    return {lookup, "  The monitor would start: " + program,
            "  Its program is found: " + kFolder + "\\" + program};
}

// The monitor's stop event and the worker's copy of it.
size_t StopEventHandles() {
    LockMonitor();
    const size_t handles = hxsim::OpenHandlesTo(g_Monitor.hStopEvent);
    UnlockMonitor();
    return handles;
}

using Outcome = hxtest::CtlOutcome;

class CtlTest : public WorldTest {
protected:
    Outcome Run(const Lines& args = {"status"}) {
        std::vector<std::string> words = {"hxmonctl"};
        words.insert(words.end(), args.begin(), args.end());
        return hxtest::RunCtlWords(words);
    }
    // The camera at index 1, whose driver key is kCameraKey.
    hxsim::DeviceId AddCamera() { return hxsim::AddDevice(hxsim::CameraDesc(1)); }
};

TEST_F(CtlTest, HealthyReportMatchesWhatTheMonitorStarts) {
    hxsim::AddDevice(hxsim::OtherImageDesc(0));
    RegisterEventApplication(kCameraKey, "SnapButton", "Picture Viewer");
    RegisterEventApplication(kCameraKey, "NewPicture", "*");
    RegisterApplication("Picture Viewer", "C:\\Apps\\viewer.exe /snap");
    RunningMonitor monitor;
    const std::string pid = std::to_string(monitor.pid());
    const auto camera = hxsim::PlugIn(hxsim::CameraDesc(1));
    ASSERT_TRUE(hxtest::WaitUntil([&] { return hxsim::IsArmed(camera); }));
    // The worker arms first and takes its own copy of the stop event after.
    ASSERT_TRUE(hxtest::WaitUntil([] { return StopEventHandles() == 2; }));
    const auto handles = hxsim::OpenHandles().total();
    const auto requests = hxsim::DriverRequests(camera).size();

    const Outcome status = Run();

    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.lines,
              (Lines{"The monitor is running (process " + pid + ").",
                     "Image-class interfaces present:",
                     "  " + kScannerPath + ": service \"usbscan\"",
                     kCameraNamed, kCameraPathBeneath,
                     kControlOpens,
                     kKeyOpens,
                     "SnapButton:",
                     "  LaunchApplications under Events\\SnapButton is \"Picture Viewer\".",
                     "  \"Picture Viewer\" is registered with the command line: "
                     "C:\\Apps\\viewer.exe /snap",
                     "  The monitor would start: C:\\Apps\\viewer.exe /snap",
                     "  Its program is found: C:\\Apps\\viewer.exe",
                     "NewPicture:",
                     "  LaunchApplications under Events\\NewPicture is \"*\".",
                     "  \"*\" leaves the choice to the monitor: the default program starts.",
                     "  The monitor would start: hxCap.exe",
                     "  Its program is found: " + kFolder + "\\hxCap.exe",
                     "",
                     "monitor: running (pid " + pid + ")",
                     "camera: present " + kCameraPath,
                     "SnapButton starts: C:\\Apps\\viewer.exe /snap",
                     "NewPicture starts: hxCap.exe"}));

    // It looked without touching: the camera's object opened and closed
    // once, no request, nothing left open.
    EXPECT_EQ(hxsim::DriverRequests(camera).size(), requests);
    EXPECT_EQ(hxsim::ControlOpens(camera), 2);
    EXPECT_EQ(hxsim::ControlOpenNow(camera), 1);
    EXPECT_EQ(hxsim::OpenHandles().total(), handles);
    for (REGSAM access : hxsim::RegistryOpenAccess())
        EXPECT_EQ(access, static_cast<REGSAM>(KEY_READ));

    // One truth: the running monitor starts what the report says.
    ASSERT_TRUE(hxsim::PressSnapButton(camera));
    ASSERT_TRUE(hxsim::ReportNewPicture(camera));
    ASSERT_TRUE(hxsim::WaitForLaunches(2));
    EXPECT_EQ(hxtest::LaunchedCommands(),
              (Lines{"C:\\Apps\\viewer.exe /snap", "hxCap.exe"}));
    EXPECT_EQ(monitor.Close(), 0);
}

TEST_F(CtlTest, NoCameraAndNoMonitor) {
    const Outcome status = Run({});

    EXPECT_EQ(status.exitCode, 1);
    const Lines snap = DefaultFound(kNoKey, "hxAMCap.exe");
    const Lines picture = DefaultFound(kNoKey, "hxCap.exe");
    Lines expected = {"The monitor is not running: nothing starts until it does.",
                      "No image-class interface is present.",
                      "No camera is present: no interface is served by \"RUdiDOVUDIRUR\".",
                      "SnapButton:"};
    expected.insert(expected.end(), snap.begin(), snap.end());
    expected.push_back("NewPicture:");
    expected.insert(expected.end(), picture.begin(), picture.end());
    expected.insert(expected.end(), {"", "monitor: not running", "camera: not found",
                                     "SnapButton starts: hxAMCap.exe",
                                     "NewPicture starts: hxCap.exe"});
    EXPECT_EQ(status.lines, expected);
}

TEST_F(CtlTest, TheFirstCameraIsTheOneAndARefusedObjectFailsTheStatus) {
    hxsim::DeviceDesc unreadable = hxsim::OtherImageDesc(0);
    unreadable.service.reset();
    hxsim::AddDevice(unreadable);
    hxsim::RefuseOpen(AddCamera());
    // A camera with neither a friendly name nor a description: its path alone.
    hxsim::DeviceDesc nameless = hxsim::CameraDesc(2);
    nameless.description.reset();
    hxsim::AddDevice(nameless);

    const Outcome status = Run();

    EXPECT_EQ(status.exitCode, 1);
    const Lines head(status.lines.begin() + 1, status.lines.begin() + 8);
    EXPECT_EQ(head,
              (Lines{"Image-class interfaces present:",
                     "  " + kScannerPath + ": its service cannot be read as text",
                     kCameraNamed, kCameraPathBeneath,
                     "  " + kSecondCameraPath +
                         ": service \"RUdiDOVUDIRUR\": another camera; the monitor serves "
                         "only the first",
                     "The camera's control object " + kCameraPath +
                         "\\GLOBAL does not open (error 5): the monitor cannot arm the camera, "
                         "and nothing starts on its events.",
                     kKeyOpens}));
    EXPECT_EQ(status.lines.at(status.lines.size() - 3), "camera: present " + kCameraPath);
}

TEST_F(CtlTest, EveryReasonForNoDriverKey) {
    struct Case {
        std::string name;
        std::optional<hxsim::RegData> driver;
        std::string line;
    };
    const std::string tail = ", so there is no driver key: every event starts its default program.";
    const std::vector<Case> cases = {
        {"no driver property", std::nullopt,
         "The camera's device has no driver property that can be read" + tail},
        {"driver as a number", hxsim::RegData::Dword(1),
         "The camera's driver property is not stored as text" + tail},
        {"driver name too long", hxsim::RegData::Text(std::string(221, 'd')),
         "The camera's driver name is too long for a key path" + tail},
        {"key deleted", hxsim::RegData::Text("{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0001"),
         "The camera's driver key HKLM\\" + kCameraKey +
             " does not open for reading: every event starts its default program."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hxsim::ResetWorld();
        hxsim::DeviceDesc camera = hxsim::CameraDesc(1);
        camera.driver = c.driver;
        hxsim::AddDevice(camera);
        hxsim::DeleteKey(kCameraKey);

        const Outcome status = Run();
        EXPECT_EQ(status.exitCode, 0) << "the defaults are found";
        EXPECT_EQ(status.lines.at(5), c.line);
        EXPECT_EQ(Section(status.lines, "SnapButton:"), DefaultFound(kNoKey, "hxAMCap.exe"));
    }
}

TEST_F(CtlTest, EveryStepOfTheLookupSaysWhereItStopped) {
    struct Case {
        std::string name;
        std::function<void()> arrange;
        Lines snap;  // the SnapButton section
        int exitCode;
    };
    const std::string events = kCameraKey + "\\Events\\SnapButton";
    const std::string under = "  LaunchApplications under Events\\SnapButton is ";
    const std::string defaultStarts = ": the default program starts.";
    const Lines amcap = {"  The monitor would start: hxAMCap.exe",
                         "  Its program is found: " + kFolder + "\\hxAMCap.exe"};
    auto with = [](Lines lines, const Lines& more) {
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    };
    const std::vector<Case> cases = {
        {"no event subkey", [] {},
         with({"  The driver key has no subkey Events\\SnapButton" + defaultStarts}, amcap), 0},
        {"no LaunchApplications", [&] { hxsim::CreateKey(events); },
         with({"  Events\\SnapButton has no value LaunchApplications" + defaultStarts}, amcap),
         0},
        {"unterminated name filling the buffer",
         [&] {
             hxsim::SetValue(events, "LaunchApplications",
                             hxsim::RegData::Binary(std::vector<uint8_t>(260, 'n')));
         },
         with({"  LaunchApplications under Events\\SnapButton is too long: with a terminator it "
               "does not fit in 260 bytes. The default program starts.",
               "  It is stored as REG_BINARY, not as text: the monitor uses its bytes as text."},
              amcap),
         0},
        {"no Registered Applications",
         [&] { RegisterEventApplication(kCameraKey, "SnapButton", "Viewer"); },
         with({under + "\"Viewer\".", "  HKLM\\" + std::string(hxtest::kRegisteredApplications) +
                                          " does not open (error 2)" + defaultStarts},
              amcap),
         0},
        {"name not registered, with a line break in it",
         [&] {
             RegisterEventApplication(kCameraKey, "SnapButton", "Gone\nAway");
             RegisterApplication("Somebody Else", "else.exe");
         },
         with({under + "\"Gone\\x0AAway\".",
               "  No application named \"Gone\\x0AAway\" is registered" + defaultStarts},
              amcap),
         0},
        {"command too long",
         [&] {
             RegisterEventApplication(kCameraKey, "SnapButton", "Long");
             RegisterApplication("Long", "a.exe " + std::string(254, 'x'));
         },
         with({under + "\"Long\".",
               "  The command registered for \"Long\" is too long: with a terminator it does "
               "not fit in 260 bytes. The default program starts."},
              amcap),
         0},
        {"values that are not plain text",
         [&] {
             hxsim::SetValue(events, "LaunchApplications", hxsim::RegData::Dword('A'));
             hxsim::RegData expand = hxsim::RegData::Text("%ProgramFiles%\\a.exe /x");
             expand.type = REG_EXPAND_SZ;
             hxsim::SetValue(hxtest::kRegisteredApplications, "A", expand);
             hxsim::SetProgramMissing("%ProgramFiles%\\a.exe");
             hxsim::SetProgramMissing("%ProgramFiles%\\a.exe /x");
         },
         {under + "\"A\".",
          "  It is stored as REG_DWORD, not as text: the monitor uses its bytes as text.",
          "  \"A\" is registered with the command line: %ProgramFiles%\\a.exe /x",
          "  It is stored as REG_EXPAND_SZ: the monitor uses it as written and expands nothing "
          "in it.",
          "  The monitor would start: %ProgramFiles%\\a.exe /x",
          "  Its program %ProgramFiles%\\a.exe does not exist: nothing starts."},
         1},
        {"program nowhere on the search path",
         [&] {
             RegisterEventApplication(kCameraKey, "SnapButton", "Viewer");
             RegisterApplication("Viewer", "viewer /snap");
             hxsim::SetProgramMissing("viewer.exe");
             hxsim::SetProgramMissing("viewer /snap");  // the whole line is tried too
         },
         {under + "\"Viewer\".", "  \"Viewer\" is registered with the command line: viewer /snap",
          "  The monitor would start: viewer /snap",
          "  Its program viewer is not found in the monitor's folder (" + kFolder +
              "), the current directory (taken as the Windows directory), C:\\windows\\system32, "
              "C:\\windows\\System, C:\\windows or on PATH: nothing starts."},
         1},
        {"unquoted path with a blank, tried word by word",
         [&] {
             RegisterEventApplication(kCameraKey, "SnapButton", "Viewer");
             RegisterApplication("Viewer", "C:\\Program Files\\viewer.exe /snap");
             hxsim::SetProgramMissing("C:\\Program.exe");
         },
         {under + "\"Viewer\".",
          "  \"Viewer\" is registered with the command line: C:\\Program Files\\viewer.exe /snap",
          "  The monitor would start: C:\\Program Files\\viewer.exe /snap",
          "  Its program is found: C:\\Program Files\\viewer.exe"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hxsim::ResetWorld();
        AddCamera();
        c.arrange();

        const Outcome status = Run();
        EXPECT_EQ(Section(status.lines, "SnapButton:"), c.snap);
        EXPECT_EQ(status.exitCode, c.exitCode);
        const std::string starts = c.snap.at(c.snap.size() - 2).substr(27);
        EXPECT_EQ(status.lines.at(status.lines.size() - 2), "SnapButton starts: " + starts);
    }
}

TEST_F(CtlTest, CloseEndsTheMonitorOrSaysWhyNot) {
    Outcome none = Run({"close"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.lines, Lines{"monitor: not running"});

    RunningMonitor monitor;
    const Outcome closed = Run({"close"});
    EXPECT_EQ(closed.exitCode, 0);
    EXPECT_EQ(closed.lines, Lines{"monitor: closed (pid " + std::to_string(monitor.pid()) + ")"});
    EXPECT_EQ(monitor.Join(), 0);
    EXPECT_EQ(FindWindowA("hxMonitor", nullptr), nullptr);
}

TEST_F(CtlTest, CloseGivesUpOnAMonitorThatDoesNotEnd) {
    // A window of the monitor's class whose thread never takes its messages,
    // as a hung monitor's would not.
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "hxMonitor";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    HWND window = CreateWindowExA(0, "hxMonitor", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(window, nullptr);

    auto report = std::make_unique<Report>();
    ClearReport(report.get());
    EXPECT_EQ(CloseRunningMonitor(report.get(), 100), 2);
    EXPECT_EQ(SplitLines(report->text),
              Lines{"monitor: still running (pid " + kPid + ") after 100 ms"});
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
}

TEST_F(CtlTest, CloseSaysWhenTheMonitorRunsWithHigherRights) {
    // Started by an installer with its administrator rights: Windows refuses
    // this prompt's message to its window.
    RunningMonitor monitor;
    HWND window = hxsim::WaitForWindow("hxMonitor");
    ASSERT_TRUE(hxsim::RaiseWindowIntegrity(window));
    const auto handles = hxsim::OpenHandles().total();

    const Outcome refused = Run({"close"});

    EXPECT_EQ(refused.exitCode, CLOSE_REFUSED);
    EXPECT_EQ(refused.lines,
              Lines{"monitor: not closed (pid " + std::to_string(monitor.pid()) +
                    "): it runs with higher rights than "
                    "this prompt, and Windows refused the close message; run hxmonctl close "
                    "from an elevated prompt, or log off"});
    EXPECT_EQ(hxsim::OpenHandles().total(), handles);
    EXPECT_TRUE(IsWindow(window));

    // Another failure of the post is not taken for higher rights.
    hxsim::RaiseWindowIntegrity(window, false);
    hxsim::FailCall("PostMessageA", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(CloseRunningMonitor(std::make_unique<Report>().get(), 100), 2);

    // From an elevated prompt (the same level) it closes.
    EXPECT_EQ(Run({"close"}).exitCode, 0);
    EXPECT_EQ(monitor.Join(), 0);
}

TEST_F(CtlTest, UnknownCommandsGetTheUsage) {
    const Outcome usage = Run({"restart"});
    EXPECT_EQ(usage.exitCode, CTL_USAGE);
    EXPECT_EQ(usage.lines.at(0).substr(0, 41), "usage: hxmonctl [status | close | apps | ");
    EXPECT_NE(usage.lines.at(2).find(", 4 it runs with higher rights: use an elevated prompt, "
                                     "or log off)"),
              std::string::npos)
        << usage.lines.at(2);
    EXPECT_EQ(Run({"STATUS"}).lines.at(0), Run({}).lines.at(0));
}

// ---- What once went unnoticed: the report must follow the monitor where a
// wrong rule still gives a plausible answer.

// A monitor whose window goes at once on WM_CLOSE while its process takes
// until Release to end, as one whose worker is still finishing.
class SlowlyEndingMonitor {
public:
    SlowlyEndingMonitor() {
        thread_ = std::thread([this] {
            pid_ = hxsim::BeginProcess();
            WNDCLASSEXA windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                if (message == WM_DESTROY)
                    PostQuitMessage(0);
                return DefWindowProcA(hwnd, message, wParam, lParam);
            };
            windowClass.lpszClassName = "hxMonitor";
            RegisterClassExA(&windowClass);
            CreateWindowExA(0, "hxMonitor", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
            MSG msg;
            while (GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            UnregisterClassA("hxMonitor", nullptr);
            released_.get_future().wait();
            hxsim::EndProcess();
        });
        window_ = hxsim::WaitForWindow("hxMonitor");
    }
    ~SlowlyEndingMonitor() {
        Release();
        thread_.join();
    }
    void Release() {
        if (!releasedOnce_.exchange(true))
            released_.set_value();
    }
    HWND window() const { return window_; }
    DWORD pid() const { return pid_; }

private:
    std::thread thread_;
    std::promise<void> released_;
    std::atomic<bool> releasedOnce_{false};
    std::atomic<DWORD> pid_{0};
    HWND window_ = nullptr;
};

TEST_F(CtlTest, CloseWaitsForTheMonitorsProcessNotJustItsWindow) {
    SlowlyEndingMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);
    const std::string pid = std::to_string(monitor.pid());

    auto report = std::make_unique<Report>();
    ClearReport(report.get());
    EXPECT_EQ(CloseRunningMonitor(report.get(), 300), 2);
    EXPECT_FALSE(IsWindow(monitor.window())) << "the window went, the process did not";
    EXPECT_EQ(SplitLines(report->text), Lines{"monitor: still running (pid " + pid + ") after 300 ms"});

    monitor.Release();
    EXPECT_EQ(Run({"close"}).lines, Lines{"monitor: not running"});
}

TEST_F(CtlTest, CloseReportsTheEndOnlyOnceTheProcessHasEnded) {
    SlowlyEndingMonitor monitor;
    ASSERT_NE(monitor.window(), nullptr);
    std::thread releaser([&] {
        hxtest::WaitUntil([&] { return !IsWindow(monitor.window()); });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        monitor.Release();
    });
    const auto asked = std::chrono::steady_clock::now();

    const Outcome closed = Run({"close"});

    EXPECT_GE(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(100));
    EXPECT_EQ(closed.exitCode, 0);
    EXPECT_EQ(closed.lines, Lines{"monitor: closed (pid " + std::to_string(monitor.pid()) + ")"});
    releaser.join();
}

TEST_F(CtlTest, ProgramsAreFoundWhereProcessCreationFindsThem) {
    struct Case {
        std::string name;
        std::string command;
        std::vector<std::string> missing;
        std::string found;
    };
    const std::vector<Case> cases = {
        // The most common form of registration: the quoted part is the
        // program, blanks and all, and nothing else is tried.
        {"quoted path with blanks", "\"C:\\Program Files\\Viewer\\viewer.exe\" /snap \"%1\"",
         {}, "C:\\Program Files\\Viewer\\viewer.exe"},
        // Neither beside the monitor nor in the system directories.
        {"only in the Windows directory", "viewer /snap",
         {kFolder + "\\viewer.exe", "C:\\windows\\system32\\viewer.exe",
          "C:\\windows\\System\\viewer.exe"},
         "C:\\windows\\viewer.exe"},
        {"only in the 16-bit system directory", "viewer.exe",
         {kFolder + "\\viewer.exe", "C:\\windows\\viewer.exe",
          "C:\\windows\\system32\\viewer.exe"},
         "C:\\windows\\System\\viewer.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hxsim::ResetWorld();
        AddCamera();
        RegisterEventApplication(kCameraKey, "SnapButton", "Viewer");
        RegisterApplication("Viewer", c.command);
        for (const std::string& path : c.missing)
            hxsim::SetProgramMissing(path);

        const Outcome status = Run();
        EXPECT_EQ(Section(status.lines, "SnapButton:").back(), "  Its program is found: " + c.found);
        EXPECT_EQ(status.exitCode, 0);
    }
}

TEST_F(CtlTest, ACameraWhoseServiceIsNotStoredAsTextIsTheCameraTheMonitorArms) {
    hxsim::DeviceDesc desc = hxsim::CameraDesc(1);
    const std::string name = hxtest::kCameraService;
    desc.service = hxsim::RegData::Binary(std::vector<uint8_t>(name.begin(), name.end() + 1),
                                          REG_EXPAND_SZ);
    hxsim::DeviceDesc binary = hxsim::OtherImageDesc(0);
    binary.service = hxsim::RegData::Binary({'u', 's', 'b', 0}, REG_BINARY);
    hxsim::AddDevice(binary);
    const auto camera = hxsim::AddDevice(desc);
    RunningMonitor monitor;
    ASSERT_TRUE(hxtest::WaitUntil([&] { return hxsim::IsArmed(camera); }));

    const Outcome status = Run();

    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(Lines(status.lines.begin() + 1, status.lines.begin() + 5),
              (Lines{"Image-class interfaces present:",
                     "  " + kScannerPath + ": its service cannot be read as text",
                     kCameraNamed, kCameraPathBeneath}));
    EXPECT_EQ(status.lines.at(status.lines.size() - 3), "camera: present " + kCameraPath);
    EXPECT_EQ(monitor.Close(), 0);
}

// hxmonctl has no C runtime: its own split must give main() what the C
// runtime's would, and `register` needs the rest of the line as typed.
TEST(CommandLine, SplitsAsTheCRuntimeDoesAndKeepsTheRestAsTyped) {
    struct Case {
        const char* line;
        Lines args;
    };
    const std::vector<Case> cases = {
        {"", {""}},
        {"  hxmonctl  ", {"", "hxmonctl"}},
        {"\"C:\\Program Files\\hxmonctl.exe\" status", {"C:\\Program Files\\hxmonctl.exe", "status"}},
        {"C:\\a\"b c\"\\ x", {"C:\\ab c\\", "x"}},  // the name: quotes only group
        {"x \"a b\"\tc\\d", {"x", "a b", "c\\d"}},
        {"x a\\\\\"b c\" a\\\\\\\"b", {"x", "a\\b c", "a\\\"b"}},  // 2n and 2n+1 backslashes
        {"x \"a\"\"b\" \"\"", {"x", "a\"b", ""}},  // "" inside quotes, and an empty argument
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        char** argv = nullptr;
        const int argc = SplitCommandLine(c.line, &argv);
        ASSERT_NE(argv, nullptr);
        EXPECT_EQ(Lines(argv, argv + argc), c.args);
        EXPECT_EQ(argv[argc], nullptr);
        HeapFree(GetProcessHeap(), 0, argv);
    }

    const char* registration = "hxmonctl register \"My Viewer\"  \"C:\\a b\\v.exe\" /p \"%1\" ";
    EXPECT_STREQ(CommandLineAfter(registration, 3), "\"C:\\a b\\v.exe\" /p \"%1\" ");
    EXPECT_STREQ(CommandLineAfter(registration, 0), registration);
    EXPECT_STREQ(CommandLineAfter(registration, 9), "");
}

}  // namespace
