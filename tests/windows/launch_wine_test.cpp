// The event launcher against the platform's own registry and process
// creation: the registration is written as an imaging program's installer
// would write it, the driver key is held as after the camera's arrival, and
// launchprobe.exe (also as hxAMCap.exe and hxCap.exe) reports how it was
// started.
//
// What Wine 8 showed about the started program, and what these tests hold it to:
// - Its command line (GetCommandLineA) is the registered text byte for byte:
//   "%WINDIR%" and "%1" arrive unexpanded, quotes as written.
// - Its current directory is GetWindowsDirectoryA's "C:\windows".
// - It has no console: AllocConsole succeeds in it, and GetConsoleWindow is
//   null. A console child started from here without DETACHED_PROCESS is
//   attached to one (AllocConsole fails with ERROR_ACCESS_DENIED) even though
//   it has no console window either, so the window alone proves nothing.
// - The value of an inheritable event of this program names no object in it.
//   Low values do name objects of the child's own (in Wine a fresh process
//   already holds an object at 0x34), which is why the event is made at a
//   high value.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>

#include "launch_event.h"
#include "probe_watch.h"
#include "process_starts.h"
#include "still_image_registration.h"
#include "win_owned.h"

namespace {

// What LookupEventCommand answered, and the text it left when it said 1.
struct LookupResult {
    int result = 0;
    std::string command;

    bool operator==(const LookupResult &other) const
    {
        return result == other.result && command == other.command;
    }
};

void PrintTo(const LookupResult &lookup, std::ostream *out)
{
    if (lookup.result == 1)
        *out << "1 with \"" << lookup.command << "\"";
    else
        *out << lookup.result << " (use the default)";
}

LookupResult Found(const std::string &command)
{
    return {1, command};
}

LookupResult UseDefault()
{
    return {0, ""};
}

// One call of LaunchEventCommand and the program it started, if any.
struct Launch {
    int result = 0;
    std::optional<StartedProgram> program;
    bool eventReachedProgram = false;
};

std::string Quoted(const std::string &path)
{
    return "\"" + path + "\"";
}

// A probe command line of exactly `length` characters.
std::string ProbeCommandOfLength(std::string::size_type length)
{
    std::string command = Quoted(ProbePath()) + " --pad=";
    command.append(length > command.size() ? length - command.size() : 0, 'x');
    return command;
}

::testing::AssertionResult Started(const Launch &launch, const std::string &commandLine)
{
    if (launch.result != 1)
        return ::testing::AssertionFailure()
               << "LaunchEventCommand returned " << launch.result << ", not 1";
    if (!launch.program)
        return ::testing::AssertionFailure() << "no program reported that it started";
    if (launch.program->commandLine != commandLine)
        return ::testing::AssertionFailure()
               << "started \"" << launch.program->commandLine << "\" (" << launch.program->module
               << "), expected \"" << commandLine << "\"";
    return ::testing::AssertionSuccess();
}

// The default names carry no directory: the program search finds our copies.
::testing::AssertionResult StartedDefault(const Launch &launch, const std::string &program)
{
    ::testing::AssertionResult started = Started(launch, program);
    if (!started)
        return started;
    if (!SamePath(FileName(launch.program->module), program))
        return ::testing::AssertionFailure() << "the search found " << launch.program->module;
    return ::testing::AssertionSuccess();
}

class LauncherOnWine : public ::testing::Test {
protected:
    void SetUp() override { InitDeviceMonitor(&g_Monitor); }
    // The record only borrowed heldKey_, which closes after this.
    void TearDown() override { g_Monitor.hDriverKey = NO_KEY; }

    // As after the camera's arrival: the record holds its driver key.
    void HoldDriverKey()
    {
        heldKey_ = registration_.OpenDriverKey();
        g_Monitor.hDriverKey = heldKey_.get();
    }

    LookupResult Lookup(CameraEvent event)
    {
        char command[MAX_PATH];
        std::memset(command, '#', sizeof(command));
        DWORD size = sizeof(command);
        const int result =
            LookupEventCommand(&g_Monitor, EventSubkey(event), command, &size, &trace_);
        if (result != 1)
            return {result, ""};
        return {result, std::string(command, strnlen(command, sizeof(command)))};
    }

    Launch LaunchAndWatch(CameraEvent event)
    {
        ProbeWatch watch;
        Launch launch;
        launch.result = LaunchEventCommand(&g_Monitor, event);
        if (launch.result == 1)
            launch.program = watch.WaitForStart();
        launch.eventReachedProgram = watch.EventSetByChild();
        return launch;
    }

    StillImageRegistration registration_;
    UniqueKey heldKey_;
    LookupTrace trace_ = {};
};

TEST_F(LauncherOnWine, SnapButtonStartsTheRegisteredCommandLineDetachedInTheWindowsDirectory)
{
    const std::string viewer =
        Quoted(ProbePath()) + " --hx-viewer /snap %WINDIR% \"two words\" %1";
    registration_.SetLaunchApplications(SnapButton, "hx Test Viewer");
    registration_.RegisterApplication("hx Test Viewer", viewer);
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), Found(viewer));

    const Launch launch = LaunchAndWatch(SnapButton);
    ASSERT_TRUE(Started(launch, viewer));
    const StartedProgram &program = *launch.program;
    EXPECT_TRUE(SamePath(program.module, ProbePath())) << program.module;
    EXPECT_TRUE(SamePath(program.currentDirectory, WindowsDirectory()))
        << program.currentDirectory << " is not " << WindowsDirectory();
    EXPECT_EQ(program.console, "none");
    EXPECT_FALSE(program.consoleWindow);
    EXPECT_FALSE(program.handleValid) << "the inheritable event's value is open in the program";
    EXPECT_FALSE(launch.eventReachedProgram);
}

TEST_F(LauncherOnWine, EachEventFollowsItsOwnEntry)
{
    const std::string editor = Quoted(ProbePath()) + " --hx-editor";
    registration_.SetLaunchApplications(SnapButton, "*");
    registration_.SetLaunchApplications(NewPicture, "hx Test Editor");
    registration_.RegisterApplication("hx Test Editor", editor);
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), UseDefault());
    EXPECT_EQ(Lookup(NewPicture), Found(editor));

    const Launch picture = LaunchAndWatch(NewPicture);
    EXPECT_TRUE(Started(picture, editor));
    ASSERT_TRUE(picture.program);
    EXPECT_TRUE(SamePath(picture.program->currentDirectory, WindowsDirectory()));
    EXPECT_EQ(picture.program->console, "none");

    EXPECT_TRUE(StartedDefault(LaunchAndWatch(SnapButton), "hxAMCap.exe"));
}

TEST_F(LauncherOnWine, StarStartsTheBuiltInDefaults)
{
    // Even an application registered under the name "*" is not consulted.
    registration_.RegisterApplication("*", Quoted(ProbePath()) + " --registered-as-star");
    registration_.SetLaunchApplications(SnapButton, "*");
    registration_.SetLaunchApplications(NewPicture, "*");
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), UseDefault());
    EXPECT_EQ(Lookup(NewPicture), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_STAR);

    const Launch snap = LaunchAndWatch(SnapButton);
    EXPECT_TRUE(StartedDefault(snap, "hxAMCap.exe"));
    ASSERT_TRUE(snap.program);
    EXPECT_TRUE(SamePath(snap.program->currentDirectory, WindowsDirectory()));
    EXPECT_EQ(snap.program->console, "none");
    EXPECT_FALSE(snap.program->handleValid);

    EXPECT_TRUE(StartedDefault(LaunchAndWatch(NewPicture), "hxCap.exe"));
}

TEST_F(LauncherOnWine, OnlyTheWholeTextStarMeansTheDefault)
{
    const std::string twoStars = Quoted(ProbePath()) + " --two-stars";
    const std::string starSpace = Quoted(ProbePath()) + " --star-space";
    registration_.RegisterApplication("**", twoStars);
    registration_.RegisterApplication("* ", starSpace);
    HoldDriverKey();

    registration_.SetLaunchApplications(SnapButton, "**");
    registration_.SetLaunchApplications(NewPicture, "* ");
    EXPECT_EQ(Lookup(SnapButton), Found(twoStars));
    EXPECT_EQ(Lookup(NewPicture), Found(starSpace));

    // The text ends at its terminator, whatever the stored bytes hold after it
    // or whether they hold one at all.
    registration_.SetLaunchApplicationsBytes(SnapButton, std::string("*\0**", 4));
    registration_.SetLaunchApplicationsBytes(NewPicture, "*");
    EXPECT_EQ(Lookup(SnapButton), UseDefault());
    EXPECT_EQ(Lookup(NewPicture), UseDefault());
}

TEST_F(LauncherOnWine, AnApplicationThatIsNotRegisteredFallsBackToTheDefault)
{
    registration_.RegisterApplication("hx Test Viewer", Quoted(ProbePath()) + " --registered");
    registration_.SetLaunchApplications(SnapButton, "hx Removed Viewer");
    registration_.SetLaunchApplications(NewPicture, "hx Removed Editor");
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_NOT_REGISTERED);
    EXPECT_STREQ(trace_.application, "hx Removed Viewer");
    EXPECT_EQ(Lookup(NewPicture), UseDefault());
    EXPECT_TRUE(StartedDefault(LaunchAndWatch(SnapButton), "hxAMCap.exe"));
}

TEST_F(LauncherOnWine, WithoutADriverKeyEveryEventStartsItsDefault)
{
    // The camera was there before the monitor started and has not arrived
    // since: a registration exists, but the record holds no key to reach it.
    const std::string viewer = Quoted(ProbePath()) + " --registered";
    registration_.RegisterApplication("hx Test Viewer", viewer);
    registration_.SetLaunchApplications(SnapButton, "hx Test Viewer");
    registration_.SetLaunchApplications(NewPicture, "hx Test Viewer");
    ASSERT_EQ(g_Monitor.hDriverKey, NO_KEY);

    EXPECT_EQ(Lookup(SnapButton), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_NO_DRIVER_KEY);
    EXPECT_EQ(Lookup(NewPicture), UseDefault());
    EXPECT_TRUE(StartedDefault(LaunchAndWatch(SnapButton), "hxAMCap.exe"));
    EXPECT_TRUE(StartedDefault(LaunchAndWatch(NewPicture), "hxCap.exe"));

    // The same registration, once the key is held.
    HoldDriverKey();
    EXPECT_EQ(Lookup(SnapButton), Found(viewer));
}

TEST_F(LauncherOnWine, AMissingEventEntryFallsBackToTheDefault)
{
    registration_.RegisterApplication("hx Test Viewer", Quoted(ProbePath()) + " --registered");
    registration_.AddEventWithoutLaunchApplications(SnapButton);  // NewPicture: no subkey at all
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_NO_APPLICATION);
    EXPECT_EQ(trace_.status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Lookup(NewPicture), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_NO_EVENT_KEY);
    EXPECT_EQ(trace_.status, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(StartedDefault(LaunchAndWatch(NewPicture), "hxCap.exe"));
}

TEST_F(LauncherOnWine, ACommandLineOf259CharactersIsTheLongestThatIsUsed)
{
    const std::string longest = ProbeCommandOfLength(259);
    const std::string tooLong = ProbeCommandOfLength(260);
    ASSERT_EQ(longest.size(), 259u) << "the build directory's path is too long for this test";
    registration_.RegisterApplication("hx Long Viewer", longest);
    registration_.RegisterApplication("hx Longer Viewer", tooLong);
    registration_.SetLaunchApplications(SnapButton, "hx Long Viewer");
    registration_.SetLaunchApplications(NewPicture, "hx Longer Viewer");
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), Found(longest));
    EXPECT_EQ(Lookup(NewPicture), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_COMMAND_TOO_LONG);
    EXPECT_TRUE(Started(LaunchAndWatch(SnapButton), longest));
    EXPECT_TRUE(StartedDefault(LaunchAndWatch(NewPicture), "hxCap.exe"));
}

TEST_F(LauncherOnWine, AnApplicationNameOf259CharactersIsTheLongestThatIsRead)
{
    const std::string longestName(259, 'n');
    const std::string tooLongName(260, 'n');
    const std::string viewer = Quoted(ProbePath()) + " --long-name";
    registration_.RegisterApplication(longestName, viewer);
    registration_.RegisterApplication(tooLongName, viewer);
    registration_.SetLaunchApplications(SnapButton, longestName);
    registration_.SetLaunchApplications(NewPicture, tooLongName);
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), Found(viewer));
    EXPECT_EQ(Lookup(NewPicture), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_APPLICATION_TOO_LONG);
}

TEST_F(LauncherOnWine, TextStoredWithoutATerminatorIsUsedAsFarAsItGoes)
{
    // Value types are not checked: raw bytes serve as text.
    const std::string viewer = Quoted(ProbePath()) + " --binary-viewer";
    const std::string editor = Quoted(ProbePath()) + " --binary-editor";
    registration_.RegisterApplication("hx Test Viewer", viewer);
    registration_.RegisterApplicationBytes("hx Binary Editor", editor);
    registration_.SetLaunchApplicationsBytes(SnapButton, "hx Test Viewer");
    registration_.SetLaunchApplications(NewPicture, "hx Binary Editor");
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), Found(viewer));
    EXPECT_EQ(trace_.applicationType, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(Lookup(NewPicture), Found(editor));
    EXPECT_EQ(trace_.commandType, static_cast<DWORD>(REG_BINARY));
    EXPECT_TRUE(Started(LaunchAndWatch(NewPicture), editor));
}

TEST_F(LauncherOnWine, UnterminatedTextFillingTheWholeBufferFallsBackToTheDefault)
{
    // 260 bytes with no zero among them: as text they need 261. The name a
    // read cut short to fit would give is registered too, to catch that.
    const std::string fullName(260, 'A');
    const std::string trap = Quoted(ProbePath()) + " --should-not-start";
    registration_.RegisterApplication(fullName, trap);
    registration_.RegisterApplication(fullName.substr(0, 259), trap);
    registration_.SetLaunchApplicationsBytes(SnapButton, fullName);

    const std::string fullCommand = ProbeCommandOfLength(260);
    registration_.RegisterApplicationBytes("hx Full Editor", fullCommand);
    registration_.SetLaunchApplications(NewPicture, "hx Full Editor");
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_APPLICATION_TOO_LONG);
    EXPECT_EQ(Lookup(NewPicture), UseDefault());
    EXPECT_EQ(trace_.stop, LOOKUP_COMMAND_TOO_LONG);
    EXPECT_TRUE(StartedDefault(LaunchAndWatch(SnapButton), "hxAMCap.exe"));
}

TEST_F(LauncherOnWine, ACommaSeparatedListIsLookedUpAsOneName)
{
    registration_.RegisterApplication("hx Viewer A", Quoted(ProbePath()) + " --viewer-a");
    registration_.RegisterApplication("hx Viewer B", Quoted(ProbePath()) + " --viewer-b");
    registration_.SetLaunchApplications(SnapButton, "hx Viewer A,hx Viewer B");
    HoldDriverKey();

    EXPECT_EQ(Lookup(SnapButton), UseDefault());

    const std::string both = Quoted(ProbePath()) + " --viewer-a-and-b";
    registration_.RegisterApplication("hx Viewer A,hx Viewer B", both);
    EXPECT_EQ(Lookup(SnapButton), Found(both));
    EXPECT_TRUE(Started(LaunchAndWatch(SnapButton), both));
}

TEST_F(LauncherOnWine, ARegisteredProgramThatDoesNotExistStartsNothing)
{
    // Not even the default, which is there to be found.
    registration_.RegisterApplication("hx Deleted Viewer",
                                      Quoted(TestProgramDirectory() + "\\hxDeletedViewer.exe"));
    registration_.SetLaunchApplications(SnapButton, "hx Deleted Viewer");
    HoldDriverKey();

    const DWORD before = ProcessesStartedSoFar();
    EXPECT_EQ(LaunchEventCommand(&g_Monitor, SnapButton), 0);
    EXPECT_EQ(ProcessesStartedSoFar(), before);
}

// The probe's findings are what the tests above rest on: started the other
// way, with handles inherited and a console, it must say so.
TEST(LaunchProbe, NoticesAnInheritedHandleAConsoleAndItsDirectory)
{
    ProbeWatch watch;
    std::string commandLine = Quoted(ProbePath()) + " --inheriting";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // A console of its own, without a window to show on the test's display.
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                               nullptr, TestProgramDirectory().c_str(), &startup, &process));
    UniqueHandle thread(process.hThread);
    UniqueHandle child(process.hProcess);

    const std::optional<StartedProgram> program = watch.WaitForStart();
    ASSERT_TRUE(program);
    EXPECT_EQ(program->commandLine, commandLine);
    EXPECT_TRUE(SamePath(program->currentDirectory, TestProgramDirectory()));
    EXPECT_EQ(program->console, "attached");
    EXPECT_TRUE(program->handleValid);
    EXPECT_TRUE(program->handleSet);
    EXPECT_TRUE(watch.EventSetByChild());
}

}  // namespace
