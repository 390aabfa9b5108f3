#include "probe_watch.h"

#include <map>
#include <sstream>
#include <vector>

namespace {

const char kReportVariable[] = "HX_PROBE_REPORT";
const char kHandleVariable[] = "HX_PROBE_HANDLE";
const DWORD kPatienceMs = 30000;

std::optional<std::string> EnvironmentValue(const char *name)
{
    std::vector<char> value(32768);
    DWORD length = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size())
        return std::nullopt;
    return std::string(value.data(), length);
}

void RestoreEnvironment(const char *name, const std::optional<std::string> &value)
{
    SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
}

// A fresh process holds a few dozen handles with small values. Holding many
// placeholders while the event is made puts its value far above those, so
// that a valid handle of that value in a child can only be the inherited one.
UniqueHandle HighValuedInheritableEvent()
{
    std::vector<UniqueHandle> placeholders;
    for (int i = 0; i < 1024; ++i)
        placeholders.emplace_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    return UniqueHandle(CreateEventA(&inheritable, TRUE, FALSE, nullptr));
}

std::string UniqueReportPath()
{
    char directory[MAX_PATH];
    GetTempPathA(sizeof(directory), directory);
    static unsigned counter = 0;
    return std::string(directory) + "hx_launch_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++counter) + ".txt";
}

// Empty while the report cannot be read yet. The probe moves its report into
// place, and the mover may still hold the file open for deletion as it
// appears: share everything, and let the caller try again.
std::map<std::string, std::string> ReadReport(const std::string &path)
{
    std::map<std::string, std::string> fields;
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        return fields;
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0)
        text.append(chunk, got);

    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos)
            fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

void WaitForExit(DWORD pid)
{
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (process)
        WaitForSingleObject(process.get(), kPatienceMs);
}

}  // namespace

std::string TestProgramDirectory()
{
    char path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string module(path, length);
    return module.substr(0, module.find_last_of('\\'));
}

std::string ProbePath()
{
    return TestProgramDirectory() + "\\launchprobe.exe";
}

std::string WindowsDirectory()
{
    char directory[MAX_PATH];
    UINT length = GetWindowsDirectoryA(directory, sizeof(directory));
    return std::string(directory, length < sizeof(directory) ? length : 0);
}

bool SamePath(const std::string &a, const std::string &b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string FileName(const std::string &path)
{
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ProbeWatch::ProbeWatch()
    : reportPath_(UniqueReportPath()),
      savedReport_(EnvironmentValue(kReportVariable)),
      savedHandle_(EnvironmentValue(kHandleVariable)),
      event_(HighValuedInheritableEvent())
{
    DeleteFileA(reportPath_.c_str());
    SetEnvironmentVariableA(kReportVariable, reportPath_.c_str());
    // Handle values fit in 32 bits on every build; launchprobe extends them back.
    SetEnvironmentVariableA(kHandleVariable, std::to_string(HandleToULong(event_.get())).c_str());
}

ProbeWatch::~ProbeWatch()
{
    RestoreEnvironment(kReportVariable, savedReport_);
    RestoreEnvironment(kHandleVariable, savedHandle_);
    DeleteFileA(reportPath_.c_str());
}

std::optional<StartedProgram> ProbeWatch::WaitForStart()
{
    const DWORD begin = GetTickCount();
    std::map<std::string, std::string> fields;
    // "pid" is the report's last line.
    while ((fields = ReadReport(reportPath_)).count("pid") == 0) {
        if (GetTickCount() - begin > kPatienceMs)
            return std::nullopt;
        Sleep(20);
    }
    StartedProgram started;
    started.module = fields["module"];
    started.commandLine = fields["command_line"];
    started.currentDirectory = fields["current_directory"];
    started.console = fields["console"];
    started.consoleWindow = fields["console_window"] == "1";
    started.handleValid = fields["handle_valid"] == "1";
    started.handleSet = fields["handle_set"] == "1";
    started.pid = static_cast<DWORD>(std::stoul("0" + fields["pid"]));
    // Until it ends, the program's file is in use and its report could be
    // taken for the next one's.
    WaitForExit(started.pid);
    DeleteFileA(reportPath_.c_str());
    return started;
}

bool ProbeWatch::EventSetByChild() const
{
    return WaitForSingleObject(event_.get(), 0) == WAIT_OBJECT_0;
}
