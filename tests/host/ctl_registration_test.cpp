// hxmonctl's registration verbs as a user types them: what lands in the
// registry byte for byte, what is refused with nothing written, and changes
// that fail part-way or lack the rights leaving the registry as it was.
#include "monitor_fixture.h"

#include "ctl_run.h"
#include "hxmonctl.h"
#include "exit_codes.h"

#include <memory>

namespace {

using hxtest::RegisterApplication;
using hxtest::RegisterEventApplication;
using hxtest::WorldTest;

using Lines = std::vector<std::string>;

const std::string kExe = "\"C:\\Program Files\\hxMonitor\\hxmonctl.exe\"";
const std::string kCameraKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0001";
const std::string kApps = hxtest::kRegisteredApplications;
const std::string kElevate =
    " cannot be changed without administrator rights: run from an elevated prompt. Nothing "
    "was changed.";

using Outcome = hxtest::CtlOutcome;

// A stored text value as RegistryTree shows it.
std::string TextValue(const std::string& name, const std::string& text) {
    return "\"" + name + "\" = 1:" + text + "\\x00";
}

class RegistrationTest : public WorldTest {
protected:
    // Writing is what these tests are about: only misuse and leaks fail them.
    void TearDown() override {
        EXPECT_EQ(hxsim::HandleMisuse(), std::vector<std::string>{});
        EXPECT_EQ(HandlesOpenedSinceStart(), 0u);
        hxsim::ClearFaults();
    }

    // hxmonctl as typed: the arguments (quoted when they hold blanks), then
    // the raw tail, which reaches the program through its command line.
    Outcome Run(const Lines& args, const std::string& tail = "") {
        std::string line = kExe;
        std::vector<std::string> words = {"hxmonctl"};
        for (const std::string& arg : args) {
            const bool quote = arg.empty() || arg.find(' ') != std::string::npos;
            line += quote ? " \"" + arg + "\"" : " " + arg;
            words.push_back(arg);
        }
        if (!tail.empty()) {
            line += " " + tail;
            words.push_back(tail);
        }
        hxsim::SetCommandLine(line);
        return hxtest::RunCtlWords(words);
    }

    void AddCamera() { hxsim::AddDevice(hxsim::CameraDesc(1)); }
};

TEST_F(RegistrationTest, TheCommandLineIsStoredAsTyped) {
    struct Case {
        std::string typed;
        std::string stored;
    };
    hxsim::SetProgramMissing("C:\\Program.exe");
    const std::vector<Case> cases = {
        {"C:\\Apps\\viewer.exe --title \"My  Pictures\" /x",
         "C:\\Apps\\viewer.exe --title \"My  Pictures\" /x"},
        {"\"C:\\Program Files\\Viewer\\viewer.exe\" /StiDevice:%1 /StiEvent:%2",
         "\"C:\\Program Files\\Viewer\\viewer.exe\" /StiDevice:%1 /StiEvent:%2"},
        {"C:\\Program Files\\Viewer\\viewer /x \"a b\"",
         "\"C:\\Program Files\\Viewer\\viewer\" /x \"a b\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const Outcome registered = Run({"register", "Picture Viewer"}, c.typed);
        EXPECT_EQ(registered.exitCode, CHOICE_DONE);
        EXPECT_EQ(hxsim::RegistryTree(kApps), Lines{TextValue("Picture Viewer", c.stored)});
        EXPECT_EQ(registered.lines.at(0),
                  "\"Picture Viewer\" is registered with the command line: " + c.stored);
    }

    // The whole account of one more: the quoting, the program, what it
    // replaced (keeping the name's spelling), and what each event now starts
    // (no camera: the defaults).
    const Outcome last = Run({"register", "PICTURE VIEWER"}, "C:\\Program Files\\Viewer\\viewer.exe");
    EXPECT_EQ(Lines(last.lines.begin(), last.lines.begin() + 5),
              (Lines{"\"Picture Viewer\" is registered with the command line: "
                     "\"C:\\Program Files\\Viewer\\viewer.exe\"",
                     "  Its program's path holds blanks, so it is stored in quotes: unquoted, "
                     "process creation tries each text up to a blank first.",
                     "  Its program is found: C:\\Program Files\\Viewer\\viewer.exe",
                     "  It replaces: \"C:\\Program Files\\Viewer\\viewer\" /x \"a b\"",
                     "SnapButton:"}));
    EXPECT_EQ(last.lines.size(), 12u) << "both events' sections follow";

    // %1 and %2 are explained wherever a command holds them.
    RegisterApplication("Sti", "sti.exe /StiDevice:%1 /StiEvent:%2");
    AddCamera();
    RegisterEventApplication(kCameraKey, "SnapButton", "Sti");
    const std::string note =
        "  %1 and %2 in it are passed as written: the monitor fills in no device or event name.";
    const Outcome status = Run({"status"});
    EXPECT_EQ(std::count(status.lines.begin(), status.lines.end(), note), 1);
    const Outcome apps = Run({"apps"});
    EXPECT_EQ(std::count(apps.lines.begin(), apps.lines.end(), note), 1);
}

TEST_F(RegistrationTest, RegisterRefusesWhatTheMonitorCannotUseAndWritesNothing) {
    struct Case {
        Lines args;
        std::string tail;
        std::string firstLine;
    };
    hxsim::SetProgramMissing("gone.exe");
    hxsim::SetProgramMissing("gone /x");
    hxsim::SetProgramMissing("C:\\A.exe");
    const std::string unchanged = " Nothing was changed.";
    const std::string path259 = "C:\\A B\\" + std::string(248, 'p') + ".exe";  // 259 bytes
    const std::vector<Case> cases = {
        {{"register", ""}, "a.exe", "An application needs a name." + unchanged},
        {{"register", "Viewer,Editor"}, "a.exe",
         "\"Viewer,Editor\" holds a comma: the monitor does not split lists of names and would "
         "look for one application of that whole name." + unchanged},
        {{"register", "*"}, "a.exe",
         "\"*\" stands for the default program and cannot name an application." + unchanged},
        {{"register", "DEFAULT"}, "a.exe",
         "\"DEFAULT\" stands for the default program and cannot name an application." +
             unchanged},
        {{"register", std::string(260, 'n')}, "a.exe",
         "The name is 260 bytes long as the monitor reads it: with a terminator "
         "LaunchApplications must fit in 260 bytes." + unchanged},
        {{"register", "Long"}, "a.exe " + std::string(254, 'x'),
         "The command line is 260 bytes long as the monitor reads it: with a terminator it "
         "must fit in 260 bytes, or the monitor cannot read it and starts the default "
         "program." + unchanged},
        // Quoting the path would take it past the limit.
        {{"register", "Long"}, path259,
         "The command line is 261 bytes long as the monitor reads it: with a terminator it "
         "must fit in 260 bytes, or the monitor cannot read it and starts the default "
         "program." + unchanged},
        {{"register", "Gone"}, "gone /x",
         "\"Gone\" cannot be registered with the command line: gone /x"},
        {{"register", "--anyway", "Blank"}, "   ",
         "\"Blank\" cannot be registered with the command line: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstLine);
        const Outcome refused = Run(c.args, c.tail);
        EXPECT_EQ(refused.exitCode, CHOICE_REFUSED);
        EXPECT_EQ(refused.lines.at(0), c.firstLine);
        EXPECT_EQ(hxsim::RegistryWrites(), Lines{});
    }

    // Under the UTF-8 code page of the manifest, 130 letters take 260 bytes.
    hxsim::SetAnsiCodePage(CP_UTF8);
    std::string polish;
    for (int i = 0; i < 130; ++i)
        polish += "\xC5\xBC";  // ż
    const Outcome utf8 = Run({"register", "Long"}, polish);
    EXPECT_EQ(utf8.lines.at(0),
              "The command line is 260 bytes long as the monitor reads it (UTF-8: a letter "
              "outside ASCII takes 2 to 4 bytes): with a terminator it must fit in 260 bytes, "
              "or the monitor cannot read it and starts the default program." + unchanged);
    hxsim::SetAnsiCodePage(1252);

    const Outcome gone = Run({"register", "Gone"}, "gone /x");
    EXPECT_EQ(gone.lines.back(),
              "Nothing was changed; to register it all the same, add --anyway before the name.");
    const Outcome anyway = Run({"register", "--anyway", "Gone"}, "gone /x");
    EXPECT_EQ(anyway.exitCode, CHOICE_DONE);
    EXPECT_EQ(anyway.lines.at(1), "  Its program gone is not found, and was registered as asked.");
    EXPECT_EQ(Run({"register", "Edge"}, path259.substr(0, 253) + ".exe").exitCode, CHOICE_DONE)
        << "259 bytes with the quotes fit";
    EXPECT_EQ(hxsim::RegistryTree(kApps),
              (Lines{TextValue("Edge", "\"" + path259.substr(0, 253) + ".exe\""),
                     TextValue("Gone", "gone /x")}));
}

TEST_F(RegistrationTest, UseNamesARegisteredApplicationOrTheDefault) {
    AddCamera();
    RegisterApplication("Viewer", "C:\\Apps\\viewer.exe /snap");
    const std::string events = kCameraKey + "\\Events";

    // Any letter case in; the event's and the application's own spelling out.
    const Outcome used = Run({"use", "newpicture", "VIEWER"});
    EXPECT_EQ(used.exitCode, CHOICE_DONE);
    EXPECT_EQ(hxsim::RegistryTree(events),
              (Lines{"NewPicture\\", "NewPicture\\" + TextValue("LaunchApplications", "Viewer")}));
    EXPECT_EQ(Lines(used.lines.begin(), used.lines.begin() + 2),
              (Lines{"The camera's NewPicture now names \"Viewer\".", "SnapButton:"}));
    EXPECT_EQ(used.lines.back(), "  Its program is found: C:\\Apps\\viewer.exe");

    const Outcome reset = Run({"use", "NewPicture", "Default"});
    EXPECT_EQ(reset.exitCode, CHOICE_DONE);
    EXPECT_EQ(reset.lines.at(0), "The camera's NewPicture now names \"*\" (it named \"Viewer\").");
    EXPECT_EQ(hxsim::RegistryTree(events).back(),
              "NewPicture\\" + TextValue("LaunchApplications", "*"));

    const auto writes = hxsim::RegistryWrites().size();
    const Outcome unknown = Run({"use", "SnapButton", "Nobody"});
    EXPECT_EQ(unknown.exitCode, CHOICE_REFUSED);
    EXPECT_EQ(unknown.lines,
              (Lines{"No application named \"Nobody\" is registered, so SnapButton cannot start "
                     "it. Nothing was changed.",
                     "Registered: \"Viewer\"."}));
    const Outcome shutter = Run({"use", "Shutter", "Viewer"});
    EXPECT_EQ(shutter.exitCode, CHOICE_REFUSED);
    EXPECT_EQ(hxsim::RegistryWrites().size(), writes);
}

TEST_F(RegistrationTest, UseWithNoCameraWritesNothing) {
    RegisterApplication("Viewer", "viewer.exe");
    const Outcome used = Run({"use", "SnapButton", "Viewer"});
    EXPECT_EQ(used.exitCode, CHOICE_NO_CAMERA);
    EXPECT_EQ(used.lines, Lines{"No camera is present, so there is no driver key to write: plug "
                                "the camera in first. Nothing was changed."});
    EXPECT_EQ(hxsim::RegistryWrites(), Lines{});
}

TEST_F(RegistrationTest, UnregisterWaitsUntilNoEventNamesIt) {
    AddCamera();
    RegisterApplication("Viewer", "viewer.exe");
    RegisterApplication("Other", "other.exe /o");
    RegisterEventApplication(kCameraKey, "NewPicture", "viewer");

    const Outcome inUse = Run({"unregister", "Viewer"});
    EXPECT_EQ(inUse.exitCode, CHOICE_REFUSED);
    EXPECT_EQ(inUse.lines, Lines{"The camera's NewPicture names \"Viewer\": choose another first "
                                 "(hxmonctl use NewPicture default). Nothing was changed."});
    const Outcome missing = Run({"unregister", "Gone"});
    EXPECT_EQ(missing.exitCode, CHOICE_REFUSED);
    EXPECT_EQ(missing.lines.back(), "Registered: \"Other\", \"Viewer\".");
    EXPECT_EQ(hxsim::RegistryWrites(), Lines{});

    const Outcome removed = Run({"unregister", "other"});
    EXPECT_EQ(removed.exitCode, CHOICE_DONE);
    EXPECT_EQ(removed.lines.at(0), "\"Other\" is no longer registered; its command line was: "
                                   "other.exe /o");
    EXPECT_EQ(hxsim::RegistryTree(kApps), Lines{TextValue("Viewer", "viewer.exe")});
}

TEST_F(RegistrationTest, WithoutAdministratorRightsEachVerbSaysSoAndChangesNothing) {
    AddCamera();
    RegisterApplication("Viewer", "viewer.exe");
    RegisterEventApplication(kCameraKey, "SnapButton", "*");
    hxsim::DenyMachineWrites();
    const Lines before = hxsim::RegistryTree("");

    const Outcome registered = Run({"register", "New"}, "new.exe");
    EXPECT_EQ(registered.exitCode, CHOICE_NOT_ADMIN);
    EXPECT_EQ(registered.lines, Lines{"HKLM\\" + kApps + kElevate});
    const Outcome used = Run({"use", "SnapButton", "Viewer"});
    EXPECT_EQ(used.exitCode, CHOICE_NOT_ADMIN);
    EXPECT_EQ(used.lines, Lines{"HKLM\\" + kCameraKey + kElevate});
    EXPECT_EQ(Run({"unregister", "Viewer"}).exitCode, CHOICE_NOT_ADMIN);
    EXPECT_EQ(hxsim::RegistryTree(""), before);
}

TEST_F(RegistrationTest, AChangeThatFailsPartWayIsUndone) {
    struct Case {
        std::string name;
        std::string failing;
        unsigned skip;
        Lines args;
        std::string tail;
    };
    const std::vector<Case> cases = {
        {"use: the value after both event keys were made", "RegSetValueExA", 0,
         {"use", "SnapButton", "Viewer"}, ""},
        {"use: the event key after Events was made", "RegCreateKeyExA", 1,
         {"use", "SnapButton", "default"}, ""},
        {"register: the value after the key and its parent were made", "RegSetValueExA", 0,
         {"register", "New"}, "new.exe /n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hxsim::ResetWorld();
        AddCamera();
        hxsim::SetValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "Version",
                        hxsim::RegData::Text("1"));
        if (c.args[0] == "use")
            RegisterApplication("Viewer", "viewer.exe");
        const Lines arranged = hxsim::RegistryTree("");
        hxsim::FailCall(c.failing, ERROR_NOT_ENOUGH_MEMORY, c.skip);

        const Outcome failed = Run(c.args, c.tail);
        EXPECT_EQ(failed.exitCode, CHOICE_FAILED);
        EXPECT_NE(failed.lines.at(0).find("could not be changed (error 8). Nothing was changed."),
                  std::string::npos)
            << failed.lines.at(0);
        EXPECT_EQ(hxsim::RegistryTree(""), arranged);
        EXPECT_GT(hxsim::RegistryWrites().size(), 1u) << "it did get part of the way";
    }
}

TEST_F(RegistrationTest, AppsTellsWhatEachRegistrationStartsAndWhoNamesIt) {
    AddCamera();
    RegisterApplication("Viewer", "C:\\Apps\\viewer.exe /snap");
    RegisterApplication("Gone", "C:\\Gone\\gone.exe");
    RegisterApplication("Long", "a.exe " + std::string(254, 'x'));
    hxsim::SetProgramMissing("C:\\Gone\\gone.exe");
    RegisterEventApplication(kCameraKey, "SnapButton", "viewer");
    RegisterEventApplication(kCameraKey, "NewPicture", "Viewer");

    const Outcome apps = Run({"apps"});
    EXPECT_EQ(apps.exitCode, 0);
    EXPECT_EQ(apps.lines,
              (Lines{"\"Gone\": C:\\Gone\\gone.exe",
                     "  Its program C:\\Gone\\gone.exe does not exist: nothing starts.",
                     "\"Long\": its command is too long: with a terminator it does not fit in 260 "
                     "bytes, so the monitor starts the default program instead.",
                     "\"Viewer\": C:\\Apps\\viewer.exe /snap",
                     "  Its program is found: C:\\Apps\\viewer.exe",
                     "  The camera's SnapButton and NewPicture name it.",
                     "Camera: Stand-in still camera",
                     "  \\\\?\\root#image#0001#{6bdd1fc6-810f-11d0-bec7-08002be2092f}"}));

    // Each event naming its own application: each is told by its own event.
    RegisterEventApplication(kCameraKey, "NewPicture", "Gone");
    const Lines split = Run({"apps"}).lines;
    EXPECT_EQ(split.at(2), "  The camera's NewPicture names it.");
    EXPECT_EQ(split.at(split.size() - 3), "  The camera's SnapButton names it.");
    EXPECT_EQ(hxsim::RegistryWrites(), Lines{});
}

}  // namespace
