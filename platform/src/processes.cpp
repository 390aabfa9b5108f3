// Starting programs: CreateProcessA records what it would start instead of
// starting it, and hands back real process and thread handles of a program
// that has already ended, so a handle the caller forgets shows as a leak.
// GetWindowsDirectoryA answers from the configured directory. OpenProcess
// opens the tests' own process, a started program while a handle to it is
// open, and the processes that tests run on threads of their own.
// GetCommandLineA gives the command line a test set for this process.

#include "sim_internal.h"
#include "kernel_objects.h"

#include <hxsim/world.h>

#include <cctype>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace hxsim::detail {
namespace {

constexpr const char* kDefaultWindowsDirectory = "C:\\windows";
constexpr DWORD kFirstProcessId = 0x420;
constexpr const char* kDefaultCommandLine = "\"C:\\Program Files\\hxMonitor\\hxmonctl.exe\"";

std::string Folded(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The program a command line names: the quoted first token, or the text up to
// the first blank, with ".exe" implied when the name has no extension.
std::string ProgramOf(const std::string& commandLine) {
    std::string program;
    if (!commandLine.empty() && commandLine[0] == '"') {
        program = commandLine.substr(1, commandLine.find('"', 1) - 1);
    } else {
        program = commandLine.substr(0, commandLine.find_first_of(" \t"));
    }
    const size_t nameStart = program.find_last_of("\\/:") + 1;  // npos + 1 == 0
    if (!program.empty() && program.find('.', nameStart) == std::string::npos) program += ".exe";
    return program;
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/:") + 1); }

class Processes {
public:
    std::mutex mutex;
    std::condition_variable launched;
    std::vector<Launch> launches;
    std::function<void(const std::string&)> hook;
    std::string windowsDirectory = kDefaultWindowsDirectory;
    std::string commandLine = kDefaultCommandLine;
    std::set<std::string> missing;  // folded program paths or bare file names
    DWORD nextProcessId = kFirstProcessId;
    // By id, while anything holds them; running ones are held here too.
    std::map<DWORD, std::weak_ptr<Object>> byId;
    std::map<DWORD, std::shared_ptr<Process>> running;

    bool IsMissingLocked(const std::string& program) const {
        const std::string folded = Folded(program);
        return missing.count(folded) || missing.count(FileNameOf(folded));
    }

    void ResetLocked() {
        launches.clear();
        hook = nullptr;
        windowsDirectory = kDefaultWindowsDirectory;
        commandLine = kDefaultCommandLine;
        missing.clear();
        byId.clear();
        running.clear();
    }
};

Processes& State() {
    static auto* processes = new Processes;
    return *processes;
}

using Guard = std::lock_guard<std::mutex>;

// Why the platform would refuse to start this command, or ERROR_SUCCESS.
DWORD RefusalLocked(const Processes& state, const std::string& commandLine, LPCSTR currentDirectory) {
    const std::string program = ProgramOf(commandLine);
    if (program.empty() || program.find_first_not_of(" \t") == std::string::npos) return ERROR_FILE_NOT_FOUND;
    if (state.IsMissingLocked(program)) return ERROR_FILE_NOT_FOUND;
    // An empty name is no directory.
    if (currentDirectory && !*currentDirectory) return ERROR_DIRECTORY;
    return ERROR_SUCCESS;
}

}  // namespace

bool IsProgramMissing(const std::string& path) {
    Guard guard(State().mutex);
    return State().IsMissingLocked(path);
}

std::string ConfiguredWindowsDirectory() {
    Guard guard(State().mutex);
    return State().windowsDirectory;
}

void ResetProcesses() {
    Guard guard(State().mutex);
    State().ResetLocked();
}

}  // namespace hxsim::detail

using namespace hxsim::detail;
using hxsim::Launch;

extern "C" {

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    if (ShouldFail("GetWindowsDirectoryA")) return 0;
    std::string directory;
    {
        Guard guard(State().mutex);
        directory = State().windowsDirectory;
    }
    const UINT needed = static_cast<UINT>(directory.size() + 1);
    // Too small: nothing is written, and the size with the terminator is returned.
    if (!lpBuffer || uSize < needed) return needed;
    std::memcpy(lpBuffer, directory.c_str(), needed);
    return needed - 1;
}

LPSTR WINAPI GetCommandLineA(void) {
    // The process's own copy: callers read it, and it lives as long as the
    // command line stays as set.
    Guard guard(State().mutex);
    return State().commandLine.data();
}

HANDLE WINAPI OpenProcess(DWORD, BOOL, DWORD dwProcessId) {
    if (ShouldFail("OpenProcess")) return nullptr;
    std::shared_ptr<Object> process = TestsProcess(dwProcessId);
    if (!process) {
        Guard guard(State().mutex);
        auto found = State().byId.find(dwProcessId);
        if (found != State().byId.end()) process = found->second.lock();
    }
    // An ended program whose last handle is closed is gone, as on the platform.
    if (!process) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return InsertHandle(std::move(process));
}

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment,
                           LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
    if (ShouldFail("CreateProcessA")) return FALSE;
    if ((!lpApplicationName && !lpCommandLine) || !lpStartupInfo || !lpProcessInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string commandLine = lpCommandLine ? lpCommandLine : lpApplicationName;

    std::function<void(const std::string&)> hook;
    {
        Guard guard(State().mutex);
        hook = State().hook;
    }
    if (hook) hook(commandLine);

    Launch launch;
    if (lpApplicationName) launch.applicationName = lpApplicationName;
    launch.commandLine = commandLine;
    launch.inheritHandles = bInheritHandles != FALSE;
    launch.creationFlags = dwCreationFlags;
    launch.ownEnvironment = lpEnvironment == nullptr;
    if (lpCurrentDirectory) launch.currentDirectory = lpCurrentDirectory;
    launch.startupCb = lpStartupInfo->cb;

    DWORD refusal;
    std::shared_ptr<Object> process;
    {
        Guard guard(State().mutex);
        Processes& state = State();
        refusal = RefusalLocked(state, lpApplicationName ? std::string("\"") + lpApplicationName + "\"" : commandLine,
                                lpCurrentDirectory);
        launch.started = refusal == ERROR_SUCCESS;
        launch.error = refusal;
        launch.when = std::chrono::steady_clock::now();
        if (launch.started) {
            lpProcessInformation->dwProcessId = (state.nextProcessId += 4);
            process = MakeSignaledObject(ObjectKind::Process);
            state.byId[lpProcessInformation->dwProcessId] = process;
        }
        state.launches.push_back(launch);
    }
    State().launched.notify_all();
    if (refusal != ERROR_SUCCESS) {
        SetLastError(refusal);
        return FALSE;
    }

    // The stand-in program has already run to its end.
    std::shared_ptr<Object> thread = MakeSignaledObject(ObjectKind::Thread);
    lpProcessInformation->dwThreadId = AsThread(thread)->id();
    lpProcessInformation->hProcess = InsertHandle(std::move(process));
    lpProcessInformation->hThread = InsertHandle(std::move(thread));
    return TRUE;
}

}  // extern "C"

namespace hxsim {

std::vector<Launch> Launches() {
    detail::Guard guard(detail::State().mutex);
    return detail::State().launches;
}

bool WaitForLaunches(size_t count, Millis timeout) {
    std::unique_lock<std::mutex> lock(detail::State().mutex);
    return detail::State().launched.wait_for(lock, timeout,
                                             [count] { return detail::State().launches.size() >= count; });
}

void OnCreateProcess(std::function<void(const std::string& commandLine)> hook) {
    detail::Guard guard(detail::State().mutex);
    detail::State().hook = std::move(hook);
}

DWORD BeginProcess() {
    auto process = std::make_shared<detail::Process>();
    DWORD id;
    {
        detail::Guard guard(detail::State().mutex);
        id = (detail::State().nextProcessId += 4);
        detail::State().byId[id] = process;
        detail::State().running[id] = process;
    }
    detail::SetThreadProcess(id);
    return id;
}

void EndProcess() {
    std::shared_ptr<detail::Process> process;
    {
        detail::Guard guard(detail::State().mutex);
        auto found = detail::State().running.find(detail::CurrentProcessId());
        if (found == detail::State().running.end()) return;
        process = std::move(found->second);
        detail::State().running.erase(found);
    }
    detail::SetThreadProcess(0);
    detail::KernelGuard lock(detail::KernelLock());
    process->EndLocked();
}

void SetWindowsDirectory(const std::string& dir) {
    detail::Guard guard(detail::State().mutex);
    detail::State().windowsDirectory = dir;
}

void SetCommandLine(const std::string& commandLine) {
    detail::Guard guard(detail::State().mutex);
    detail::State().commandLine = commandLine;
}

void SetProgramMissing(const std::string& program, bool missing) {
    const std::string name = detail::Folded(detail::ProgramOf("\"" + program + "\""));
    detail::Guard guard(detail::State().mutex);
    if (missing)
        detail::State().missing.insert(name);
    else
        detail::State().missing.erase(name);
}

}  // namespace hxsim
