// The process's handle table: maps handle values to kernel objects and keeps
// the record of every use of a handle that was not open.

#include "sim_internal.h"
#include "core_internal.h"

#include <hxsim/world.h>

#include <cstdio>
#include <mutex>
#include <unordered_map>

namespace hxsim::detail {
namespace {

// Handle values step by 4 as on Windows and stay below 2^32; a value is
// handed out again only after the whole range has been used.
constexpr uint32_t kFirstHandle = 0x1c;
constexpr uint32_t kLastHandle = 0xfffffff0;

class HandleTable {
public:
    HANDLE Insert(std::shared_ptr<Object> object) {
        std::lock_guard<std::mutex> lock(mutex_);
        uint32_t value = next_;
        while (objects_.count(value)) value = Advance(value);
        next_ = Advance(value);
        objects_.emplace(value, std::move(object));
        return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    }

    std::shared_ptr<Object> Find(uintptr_t value) const {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = objects_.find(value);
        return it == objects_.end() ? nullptr : it->second;
    }

    // The object is released outside the table's lock: its destructor may
    // take other locks.
    std::shared_ptr<Object> Remove(uintptr_t value) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = objects_.find(value);
        if (it == objects_.end()) return nullptr;
        std::shared_ptr<Object> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

    size_t Count(ObjectKind kind) const {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t n = 0;
        for (const auto& entry : objects_) n += entry.second->kind() == kind;
        return n;
    }

    size_t CountTo(uintptr_t value) const {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = objects_.find(value);
        if (it == objects_.end()) return 0;
        size_t n = 0;
        for (const auto& entry : objects_) n += entry.second == it->second;
        return n;
    }

    void RecordMisuse(std::string entry) {
        std::lock_guard<std::mutex> lock(mutex_);
        misuse_.push_back(std::move(entry));
    }

    std::vector<std::string> Misuse() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return misuse_;
    }

    // Values are not rewound, so a handle kept from before a reset is still
    // recognised as stale.
    void Reset() {
        std::unordered_map<uint32_t, std::shared_ptr<Object>> released;
        std::lock_guard<std::mutex> lock(mutex_);
        released.swap(objects_);
        misuse_.clear();
    }

private:
    static uint32_t Advance(uint32_t value) { return value >= kLastHandle ? kFirstHandle : value + 4; }

    mutable std::mutex mutex_;
    std::unordered_map<uint32_t, std::shared_ptr<Object>> objects_;
    uint32_t next_ = kFirstHandle;
    std::vector<std::string> misuse_;
};

HandleTable& Table() {
    static auto* table = new HandleTable;
    return *table;
}

bool IsNullOrInvalid(HANDLE handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }

}  // namespace

HANDLE InsertHandle(std::shared_ptr<Object> object) { return Table().Insert(std::move(object)); }

std::shared_ptr<Object> ReferenceHandle(HANDLE handle, const char* api) {
    std::shared_ptr<Object> object;
    if (!IsNullOrInvalid(handle)) {
        object = Table().Find(reinterpret_cast<uintptr_t>(handle));
        if (!object) RecordMisuse(api, reinterpret_cast<uintptr_t>(handle));
    }
    if (!object) ::SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

std::shared_ptr<Object> ReferenceHandle(HANDLE handle, ObjectKind kind, const char* api) {
    std::shared_ptr<Object> object = ReferenceHandle(handle, api);
    if (object && object->kind() != kind) {
        RecordMisuse(api, reinterpret_cast<uintptr_t>(handle));
        ::SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object;
}

bool CloseHandleValue(HANDLE handle, const char* api) {
    if (!IsNullOrInvalid(handle) && Table().Remove(reinterpret_cast<uintptr_t>(handle))) return true;
    if (!IsNullOrInvalid(handle)) RecordMisuse(api, reinterpret_cast<uintptr_t>(handle));
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

void RecordMisuse(const char* api, uintptr_t value) {
    char entry[160];
    std::snprintf(entry, sizeof entry, "%s(0x%llx)", api, static_cast<unsigned long long>(value));
    Table().RecordMisuse(entry);
}

size_t CountOpenHandles(ObjectKind kind) { return Table().Count(kind); }

void ResetHandleTable() { Table().Reset(); }

}  // namespace hxsim::detail

namespace hxsim {

std::vector<std::string> HandleMisuse() { return detail::Table().Misuse(); }

size_t OpenHandlesTo(HANDLE handle) { return detail::Table().CountTo(reinterpret_cast<uintptr_t>(handle)); }

}  // namespace hxsim
