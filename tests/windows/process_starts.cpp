#include "process_starts.h"

#include <stdexcept>
#include <string>

#include "win_owned.h"

namespace {

// Children join their parent's job as they are created, so the job's total
// counts each creation at once, whatever the child does later. A process
// joins a job once and for good: one job serves the whole test program.
HANDLE ThisProgramsJob()
{
    static const UniqueHandle job = [] {
        UniqueHandle made(CreateJobObjectA(nullptr, nullptr));
        if (!made || !AssignProcessToJobObject(made.get(), GetCurrentProcess()))
            throw std::runtime_error("cannot put the test program in a job, error " +
                                     std::to_string(GetLastError()));
        return made;
    }();
    return job.get();
}

}  // namespace

DWORD ProcessesStartedSoFar()
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    if (!QueryInformationJobObject(ThisProgramsJob(), JobObjectBasicAccountingInformation,
                                   &accounting, sizeof(accounting), nullptr))
        throw std::runtime_error("cannot read the job's accounting, error " +
                                 std::to_string(GetLastError()));
    return accounting.TotalProcesses;
}
