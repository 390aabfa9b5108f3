// Watching for the probe program (launchprobe.exe and its copies named like
// the default imaging programs) to be started, and reading what it saw.
#ifndef HX_TESTS_WINDOWS_PROBE_WATCH_H
#define HX_TESTS_WINDOWS_PROBE_WATCH_H

#include <windows.h>

#include <optional>
#include <string>

#include "win_owned.h"

// The directory of this test program. The probe and its copies hxAMCap.exe
// and hxCap.exe are built beside it, where the program search looks first.
std::string TestProgramDirectory();
std::string ProbePath();
std::string WindowsDirectory();
bool SamePath(const std::string &a, const std::string &b);  // without regard to case
std::string FileName(const std::string &path);

// What one started probe wrote about itself.
struct StartedProgram {
    std::string module;
    std::string commandLine;
    std::string currentDirectory;
    std::string console;       // "none", "attached" or "unknown"
    bool consoleWindow = false;
    bool handleValid = false;  // the watch's handle value names an object in it
    bool handleSet = false;    // ... and it could set it as an event
    DWORD pid = 0;
};

// Sets up this process's environment, which a started program inherits, so
// that a probe started from here reports to a file of this watch's own, and
// offers it the value of an inheritable event. Restores the environment and
// removes the report when it goes.
class ProbeWatch {
public:
    ProbeWatch();
    ~ProbeWatch();
    ProbeWatch(const ProbeWatch &) = delete;
    ProbeWatch &operator=(const ProbeWatch &) = delete;

    // Waits (generously: a cold Wine can take seconds) for a probe's report,
    // then for that probe to end. Empty when no probe reported.
    std::optional<StartedProgram> WaitForStart();
    // True once a started program has set the inheritable event through its
    // own handle: proof that the very object reached it.
    bool EventSetByChild() const;
    HANDLE InheritableEvent() const { return event_.get(); }

private:
    std::string reportPath_;
    std::optional<std::string> savedReport_;
    std::optional<std::string> savedHandle_;
    UniqueHandle event_;
};

#endif
