// Stands in for a registered imaging program: it writes down how it was
// started (command line, directory, console, inherited handle) and exits.
//
// Environment (the launcher passes its own environment on):
//   HX_PROBE_REPORT  file to write; written under a temporary name and moved
//                    into place, so a reader that sees the file sees all of it
//   HX_PROBE_HANDLE  optional handle value, as the starter's process knows it
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string EnvironmentValue(const char *name)
{
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    if (length == 0 || length >= sizeof(value))
        return std::string();
    return std::string(value, length);
}

std::string CurrentDirectory()
{
    char directory[MAX_PATH * 2];
    DWORD length = GetCurrentDirectoryA(sizeof(directory), directory);
    return length < sizeof(directory) ? std::string(directory, length) : std::string();
}

std::string ModulePath()
{
    char path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return std::string(path, length);
}

// What the handle value from the starter amounts to in this process.
struct HandleFindings {
    bool valid = false;  // some object is open under that value here
    bool set = false;    // it is an event, and it was set (the starter can see that)
};

HandleFindings ExamineHandle(const std::string &text)
{
    HandleFindings findings;
    if (text.empty())
        return findings;
    // A handle value travels as 32 bits and is sign-extended back.
    HANDLE handle = LongToHandle(static_cast<LONG>(std::strtoul(text.c_str(), nullptr, 0)));
    DWORD flags = 0;
    findings.valid = GetHandleInformation(handle, &flags) != FALSE;
    findings.set = findings.valid && SetEvent(handle) != FALSE;
    return findings;
}

// AllocConsole refuses with ERROR_ACCESS_DENIED exactly when the process is
// already attached to a console. GetConsoleWindow alone cannot tell: a console
// made with CREATE_NO_WINDOW, or inherited from a windowless parent, has none.
const char *ConsoleState()
{
    if (AllocConsole()) {
        FreeConsole();
        return "none";
    }
    return GetLastError() == ERROR_ACCESS_DENIED ? "attached" : "unknown";
}

bool WriteWhole(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

}  // namespace

int main()
{
    // First, before anything here opens handles of its own that could take
    // the value being asked about.
    const std::string handleText = EnvironmentValue("HX_PROBE_HANDLE");
    const HandleFindings handle = ExamineHandle(handleText);
    const bool consoleWindow = GetConsoleWindow() != nullptr;
    const char *console = ConsoleState();

    const std::string reportPath = EnvironmentValue("HX_PROBE_REPORT");
    if (reportPath.empty())
        return 2;

    std::string report;
    report += "module=" + ModulePath() + "\n";
    report += "command_line=" + std::string(GetCommandLineA()) + "\n";
    report += "current_directory=" + CurrentDirectory() + "\n";
    report += "console=" + std::string(console) + "\n";
    report += "console_window=" + std::string(consoleWindow ? "1" : "0") + "\n";
    report += "handle=" + handleText + "\n";
    report += "handle_valid=" + std::string(handle.valid ? "1" : "0") + "\n";
    report += "handle_set=" + std::string(handle.set ? "1" : "0") + "\n";
    report += "pid=" + std::to_string(GetCurrentProcessId()) + "\n";

    const std::string partial = reportPath + ".partial";
    if (!WriteWhole(partial, report))
        return 3;
    if (!MoveFileExA(partial.c_str(), reportPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(partial.c_str());
        return 4;
    }
    return 0;
}
