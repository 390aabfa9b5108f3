// Contracts among the core families (kernel objects, threads, windows and
// messages) that the device, registry and process families do not need.
#pragma once

#include "sim_internal.h"

// Each family keeps its state in one object made on first use and never
// destroyed, so that a detached thread still running at process exit finds
// it intact.

namespace hxsim::detail {

// Parts of ResetKernel, one per family.
void ResetHandleTable();
void ResetThreads();
void ResetNamedObjects();
void ResetHeap();
void ResetSrwLocks();
void ResetDebugOutput();
void ResetCounters();
void ResetCodePage();

// Thread ids are unique in the world: threads of started programs take
// theirs from the same sequence.
DWORD AllocateThreadId();

// The objects behind the pseudo-handles GetCurrentThread() and
// GetCurrentProcess(). Threads the substitute did not start (a test's own)
// get a thread object on first use.
std::shared_ptr<Object> CurrentThreadObject();
std::shared_ptr<Object> CurrentProcessObject();
// ReferenceHandle, with the two pseudo-handles resolved as the platform does.
std::shared_ptr<Object> ResolveHandle(HANDLE handle, const char* api);

// Runs routine(argument) on a host thread that is idle or newly started;
// false when no host thread could be started. Host threads are reused, so
// what a routine leaves in thread_local state meets the next routine there.
// The host thread itself allocates and frees nothing around a routine: what
// the routine releases before it reports its end is all there is, which
// keeps a fuzzer's count of allocations and frees per input balanced.
bool RunOnHostThread(void (*routine)(void*), void* argument);

// Called on a thread the substitute started, after its routine returned and
// before its handle is signalled: the window manager releases the thread's
// windows and queue, as the platform does at thread exit.
void EndThreadWindowing();

// Counters behind hxsim::ReadCounters().
void CountWaitWakeup();
void CountMessageRetrieved();

}  // namespace hxsim::detail
