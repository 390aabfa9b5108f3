// Text in any language: hxmonctl's output reaches a console and a pipe
// intact under either process code page, and the camera is read by its name.
#include "monitor_fixture.h"
#include "platform_test_support.h"

#include "readers.h"
#include "console_output.h"

namespace {

using hxtest::WorldTest;

struct Written {
    std::u16string console;
    std::string pipe;
};

Written WriteToBoth(const std::string& text) {
    HANDLE console = hxsim::OpenConsoleOutput(), pipe = hxsim::OpenPipeOutput();
    WriteOutputText(console, text.c_str());
    WriteOutputText(pipe, text.c_str());
    Written written{hxsim::ConsoleScreen(console), hxsim::PipeBytes(pipe)};
    for (HANDLE handle : {console, pipe}) CloseHandle(handle);
    return written;
}

using CtlTextTest = WorldTest;

TEST_F(CtlTextTest, ConsoleGetsWideTextAndPipeUtf8UnderEitherCodePage) {
    // UTF-8 as the process code page: letters of no 8-bit code page, and
    // one beyond UTF-16's first plane.
    hxsim::SetAnsiCodePage(CP_UTF8);
    const std::string utf8 = "C:\\hxtest\\\xC5\x81\xC3\xB3" "d\xC5\xBA \xE5\x86\x99\xE7\x9C\x9F \xF0\x9F\x93\xB7";
    Written written = WriteToBoth(utf8 + "\n\nmonitor: running\n");
    EXPECT_EQ(written.console, u"C:\\hxtest\\\u0141\u00F3d\u017A \u5199\u771F \U0001F4F7\r\n\r\nmonitor: running\r\n");
    EXPECT_EQ(written.pipe, utf8 + "\r\n\r\nmonitor: running\r\n");

    // Windows-1252, as before 10 1903: its own letters, 0x80 being the euro.
    hxsim::SetAnsiCodePage(1252);
    written = WriteToBoth("Caf\xE9 \x80\nlast line without its end");
    EXPECT_EQ(written.console, u"Caf\u00E9 \u20AC\r\nlast line without its end\r\n");
    EXPECT_EQ(written.pipe, "Caf\xC3\xA9 \xE2\x82\xAC\r\nlast line without its end\r\n");

    // Without memory for the conversion the bytes still go out, as they are.
    hxsim::FailCall("HeapAlloc", ERROR_NOT_ENOUGH_MEMORY, 0, 0);
    written = WriteToBoth("Caf\xE9\n");
    hxsim::ClearFaults();
    EXPECT_EQ(written.pipe, "Caf\xE9\r\n");
}

TEST_F(CtlTextTest, CameraIsNamedByItsFriendlyNameElseItsDescription) {
    hxsim::DeviceDesc named = hxsim::CameraDesc(0);
    named.friendlyName = hxsim::RegData::Text("Studio camera");
    hxsim::DeviceDesc blankName = hxsim::CameraDesc(1);
    blankName.friendlyName = hxsim::RegData::Text("");
    hxsim::DeviceDesc binaryName = hxsim::CameraDesc(2);
    binaryName.friendlyName = hxsim::RegData::Binary({'X', 0});
    binaryName.description.reset();
    for (const auto& desc : {named, blankName, binaryName, hxsim::OtherImageDesc(0)})
        hxsim::AddDevice(desc);

    HDEVINFO set = hxplatformtest::PresentImageInterfaces();
    std::vector<std::string> names;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hxsim::kImageClassGuid, i, &data); ++i) {
        char name[MAX_PATH] = "#";
        const int found = ReadCameraName(set, &data, name);
        names.push_back(std::to_string(found) + ":" + name);
    }
    SetupDiDestroyDeviceInfoList(set);
    EXPECT_EQ(names, (std::vector<std::string>{"1:Studio camera", "1:Stand-in still camera", "0:", "0:"}));
}

}  // namespace
