// Threads: CreateThread on host threads (see host_threads.cpp), priorities,
// exit codes, and the record of started threads that tests read and wait for.

#include "core_internal.h"
#include "kernel_objects.h"

#include <hxsim/world.h>

#include <atomic>
#include <condition_variable>

namespace hxsim::detail {
namespace {

struct StartedThread {
    std::shared_ptr<Thread> thread;
    SIZE_T stackSize = 0;
    DWORD creationFlags = 0;
};

// Threads started through CreateThread: the record tests read, and the
// count of routines still running that WaitForThreadsToEnd waits on.
class ThreadRegistry {
public:
    void Started(StartedThread started) {
        std::lock_guard<std::mutex> lock(mutex_);
        started_.push_back(std::move(started));
        ++running_;
    }

    // A thread that could not be started after all.
    void Abandoned() {
        std::lock_guard<std::mutex> lock(mutex_);
        started_.pop_back();
        --running_;
    }

    void Ended() {
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        ended_.notify_all();
    }

    bool WaitForAll(Millis timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return ended_.wait_for(lock, timeout, [this] { return running_ == 0; });
    }

    std::vector<StartedThread> Started() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return started_;
    }

    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        started_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::vector<StartedThread> started_;
    size_t running_ = 0;
};

ThreadRegistry& Registry() {
    static auto* registry = new ThreadRegistry;
    return *registry;
}

// The thread object of the calling thread; set at start for threads of the
// substitute, made on first use for others.
thread_local std::shared_ptr<Thread> t_self;

bool IsValidPriority(int priority) {
    return (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST) ||
           priority == THREAD_PRIORITY_IDLE || priority == THREAD_PRIORITY_TIME_CRITICAL;
}

std::shared_ptr<Thread> ResolveThread(HANDLE handle, const char* api) {
    std::shared_ptr<Object> object = ResolveHandle(handle, api);
    std::shared_ptr<Thread> thread = AsThread(object);
    if (!thread) SetLastError(ERROR_INVALID_HANDLE);
    return thread;
}

// What CreateThread hands to a host thread.
struct ThreadStart {
    std::shared_ptr<Thread> thread;
    LPTHREAD_START_ROUTINE start;
    LPVOID parameter;
    DWORD process;  // the creator's
};

// The life of one thread of the world on a host thread that may have run
// others before: it starts as a new thread does, with no last-error code, and
// lets go of everything it holds before it counts as ended.
void RunThread(void* argument) {
    std::unique_ptr<ThreadStart> begun(static_cast<ThreadStart*>(argument));
    t_self = begun->thread;
    SetThreadProcess(begun->process);
    SetLastError(0);
    DWORD exitCode = begun->start(begun->parameter);
    EndThreadWindowing();
    {
        KernelGuard lock(KernelLock());
        begun->thread->FinishLocked(exitCode);
    }
    begun.reset();
    t_self.reset();
    SetThreadProcess(0);
    Registry().Ended();
}

}  // namespace

DWORD AllocateThreadId() {
    // Ids are multiples of 4, as on the platform, and distinct from the
    // process id.
    static std::atomic<DWORD> next{0x400};
    return next.fetch_add(4);
}

std::shared_ptr<Object> CurrentThreadObject() {
    if (!t_self) t_self = std::make_shared<Thread>(AllocateThreadId());
    return t_self;
}

void ResetThreads() { Registry().Reset(); }

}  // namespace hxsim::detail

namespace hxsim {

std::vector<ThreadRecord> CreatedThreads() {
    std::vector<ThreadRecord> records;
    auto started = detail::Registry().Started();
    detail::KernelGuard lock(detail::KernelLock());
    for (const auto& s : started) {
        ThreadRecord r;
        r.id = s.thread->id();
        r.stackSize = s.stackSize;
        r.creationFlags = s.creationFlags;
        r.priority = s.thread->PriorityLocked();
        r.finished = s.thread->IsSignaledLocked();
        r.exitCode = s.thread->ExitCodeLocked();
        records.push_back(r);
    }
    return records;
}

bool WaitForThreadsToEnd(Millis timeout) { return detail::Registry().WaitForAll(timeout); }

}  // namespace hxsim

using namespace hxsim::detail;

extern "C" {

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T dwStackSize,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                           DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (ShouldFail("CreateThread")) return nullptr;
    if (dwCreationFlags & CREATE_SUSPENDED) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!lpStartAddress) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The stack-size argument is recorded only: host threads get the host's
    // normal stack, which is larger than any size the product asks for.
    auto thread = std::make_shared<Thread>(AllocateThreadId());
    HANDLE handle = InsertHandle(thread);
    Registry().Started(StartedThread{thread, dwStackSize, dwCreationFlags});
    auto begun = std::make_unique<ThreadStart>(ThreadStart{thread, lpStartAddress, lpParameter, CurrentProcessId()});
    if (!RunOnHostThread(RunThread, begun.get())) {
        Registry().Abandoned();
        CloseHandleValue(handle, "CreateThread");
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    begun.release();  // RunThread owns it now
    if (lpThreadId) *lpThreadId = thread->id();
    return handle;
}

BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority) {
    if (ShouldFail("SetThreadPriority")) return FALSE;
    std::shared_ptr<Thread> thread = ResolveThread(hThread, "SetThreadPriority");
    if (!thread) return FALSE;
    if (!IsValidPriority(nPriority)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    KernelGuard lock(KernelLock());
    thread->SetPriorityLocked(nPriority);
    return TRUE;
}

int WINAPI GetThreadPriority(HANDLE hThread) {
    if (ShouldFail("GetThreadPriority")) return THREAD_PRIORITY_ERROR_RETURN;
    std::shared_ptr<Thread> thread = ResolveThread(hThread, "GetThreadPriority");
    if (!thread) return THREAD_PRIORITY_ERROR_RETURN;
    KernelGuard lock(KernelLock());
    return thread->PriorityLocked();
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    if (ShouldFail("GetExitCodeThread")) return FALSE;
    std::shared_ptr<Thread> thread = ResolveThread(hThread, "GetExitCodeThread");
    if (!thread) return FALSE;
    KernelGuard lock(KernelLock());
    if (lpExitCode) *lpExitCode = thread->ExitCodeLocked();
    return TRUE;
}

DWORD WINAPI GetCurrentThreadId(void) {
    return std::static_pointer_cast<Thread>(CurrentThreadObject())->id();
}

}  // extern "C"
