// The process heap: HeapAlloc and HeapFree over the host allocator, with a
// record of live blocks so that a double or foreign free is caught.

#include "core_internal.h"

#include <hxsim/world.h>

#include <cstdlib>
#include <mutex>
#include <unordered_set>

namespace hxsim::detail {
namespace {

class ProcessHeap {
public:
    HANDLE handle() { return this; }

    void* Allocate(SIZE_T bytes, bool zero) {
        // The platform hands out a distinct block even for zero bytes.
        void* block = zero ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
        if (!block) return nullptr;
        std::lock_guard<std::mutex> lock(mutex_);
        live_.insert(block);
        return block;
    }

    bool Free(void* block) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (live_.erase(block) == 0) return false;
        }
        std::free(block);
        return true;
    }

    size_t LiveBlocks() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return live_.size();
    }

    // Blocks still live at a reset are forgotten, not freed: a thread of the
    // product may still hold them.
    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        live_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::unordered_set<void*> live_;
};

ProcessHeap& Heap() {
    static auto* heap = new ProcessHeap;
    return *heap;
}

}  // namespace

void ResetHeap() { Heap().Reset(); }

}  // namespace hxsim::detail

namespace hxsim {

size_t LiveHeapBlocks() { return detail::Heap().LiveBlocks(); }

}  // namespace hxsim

using namespace hxsim::detail;

extern "C" {

HANDLE WINAPI GetProcessHeap(void) {
    if (ShouldFail("GetProcessHeap")) return nullptr;
    return Heap().handle();
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    CountHeapAllocation();
    if (ShouldFail("HeapAlloc")) return nullptr;
    if (hHeap != Heap().handle()) {
        RecordMisuse("HeapAlloc", reinterpret_cast<uintptr_t>(hHeap));
        return nullptr;
    }
    void* block = Heap().Allocate(dwBytes, (dwFlags & HEAP_ZERO_MEMORY) != 0);
    if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
    if (ShouldFail("HeapFree")) return FALSE;
    if (!lpMem) return TRUE;
    if (hHeap != Heap().handle() || !Heap().Free(lpMem)) {
        RecordMisuse("HeapFree", reinterpret_cast<uintptr_t>(lpMem));
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
