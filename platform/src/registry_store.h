// The simulated registry's keys and values, shared by the registry API and
// the test controls in hxsim/world.h. All of it is guarded by one lock.
#pragma once

#include "sim_internal.h"

#include <hxsim/world.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hxsim::detail {

struct RegistryValue {
    std::string name;  // as first written
    RegData data;
};

struct KeyNode : std::enable_shared_from_this<KeyNode> {
    explicit KeyNode(std::string path) : path(std::move(path)) {}

    const std::string path;  // from the root, e.g. "HKLM\SOFTWARE\Microsoft", for records
    std::weak_ptr<KeyNode> parent;
    std::map<std::string, std::shared_ptr<KeyNode>> children;  // by folded name
    std::map<std::string, RegistryValue> values;               // by folded name; "" is the default value
    bool deleted = false;  // open handles of a deleted key answer ERROR_KEY_DELETED
};

using KeyPtr = std::shared_ptr<KeyNode>;

std::mutex& RegistryLock();
using RegistryGuard = std::lock_guard<std::mutex>;

// The root behind a predefined key (HKEY_LOCAL_MACHINE ...); nullptr for any
// other value. Call with the registry lock held.
KeyPtr PredefinedRootLocked(HKEY key);

// Splits "a\b\\c\" into its names, skipping empty ones as the platform does.
std::vector<std::string> SplitKeyPath(const std::string& path);
std::string FoldKeyName(const std::string& name);

// The subkey reached by `names`; nullptr when one is missing. With `create`,
// missing keys are made on the way and *created tells whether any was.
KeyPtr WalkLocked(const KeyPtr& from, const std::vector<std::string>& names, bool create = false,
                  bool* created = nullptr);
// Removes `key` from its parent and marks it and everything below it deleted.
void DeleteTreeLocked(const KeyPtr& key);

// Records of the API's use: write attempts, and the access masks of opens.
void RecordRegistryWrite(const std::string& call);
void RecordRegistryOpen(REGSAM access);

// Whether HKLM refuses changes, as for a user without administrator rights.
// Call with the registry lock held.
bool MachineWritesDeniedLocked(const KeyNode& key);

}  // namespace hxsim::detail
