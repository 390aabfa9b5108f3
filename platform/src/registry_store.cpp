// The simulated registry's tree of keys, and the controls tests use to fill
// it and to read what the program did with it.

#include "registry_store.h"

#include <cctype>

namespace hxsim::detail {
namespace {

struct Registry {
    std::mutex lock;
    KeyPtr classesRoot, currentUser, localMachine, users;
    std::vector<std::string> writes;
    std::vector<REGSAM> openAccess;
    bool denyMachineWrites = false;

    Registry() { Clear(); }

    void Clear() {
        // Keys still open from before keep their old nodes, which now answer
        // ERROR_KEY_DELETED like any deleted key.
        for (KeyPtr* root : {&classesRoot, &currentUser, &localMachine, &users})
            if (*root) MarkDeleted(**root);
        classesRoot = std::make_shared<KeyNode>("HKCR");
        currentUser = std::make_shared<KeyNode>("HKCU");
        localMachine = std::make_shared<KeyNode>("HKLM");
        users = std::make_shared<KeyNode>("HKU");
        writes.clear();
        openAccess.clear();
        denyMachineWrites = false;
    }

    static void MarkDeleted(KeyNode& key) {
        key.deleted = true;
        for (auto& child : key.children) MarkDeleted(*child.second);
    }
};

Registry& State() {
    static auto* registry = new Registry;
    return *registry;
}

// Predefined keys are sign-extended 32-bit values; a value that went through
// a 32-bit field comes back zero-extended, which the platform also accepts.
bool IsPredefined(HKEY key, uint32_t value) {
    const auto bits = reinterpret_cast<uintptr_t>(key);
    return bits == static_cast<uintptr_t>(static_cast<intptr_t>(static_cast<int32_t>(value))) || bits == value;
}

KeyPtr FindOrMakeChild(KeyNode& parent, const std::string& name, bool create, bool* created) {
    const std::string folded = FoldKeyName(name);
    auto it = parent.children.find(folded);
    if (it != parent.children.end()) return it->second;
    if (!create) return nullptr;
    auto child = std::make_shared<KeyNode>(parent.path + "\\" + name);
    child->parent = parent.weak_from_this();
    parent.children.emplace(folded, child);
    if (created) *created = true;
    return child;
}

KeyPtr LocalMachineLocked() { return State().localMachine; }

}  // namespace

std::mutex& RegistryLock() { return State().lock; }

KeyPtr PredefinedRootLocked(HKEY key) {
    Registry& registry = State();
    if (IsPredefined(key, 0x80000000u)) return registry.classesRoot;
    if (IsPredefined(key, 0x80000001u)) return registry.currentUser;
    if (IsPredefined(key, 0x80000002u)) return registry.localMachine;
    if (IsPredefined(key, 0x80000003u)) return registry.users;
    return nullptr;
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = path.find('\\', start);
        const std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!name.empty()) names.push_back(name);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return names;
}

std::string FoldKeyName(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

KeyPtr WalkLocked(const KeyPtr& from, const std::vector<std::string>& names, bool create, bool* created) {
    KeyPtr key = from;
    for (const std::string& name : names) {
        key = FindOrMakeChild(*key, name, create, created);
        if (!key) return nullptr;
    }
    return key;
}

void DeleteTreeLocked(const KeyPtr& key) {
    const KeyPtr keep = key;  // the caller's reference may live in the parent's map
    if (KeyPtr parent = keep->parent.lock()) {
        for (auto it = parent->children.begin(); it != parent->children.end(); ++it)
            if (it->second == keep) {
                parent->children.erase(it);
                break;
            }
    }
    Registry::MarkDeleted(*keep);
}

void RecordRegistryWrite(const std::string& call) {
    RegistryGuard guard(RegistryLock());
    State().writes.push_back(call);
}

void RecordRegistryOpen(REGSAM access) {
    RegistryGuard guard(RegistryLock());
    State().openAccess.push_back(access);
}

bool MachineWritesDeniedLocked(const KeyNode& key) {
    return State().denyMachineWrites && key.path.compare(0, 4, "HKLM") == 0;
}

// One line per key below `key` and per value, in name order, for RegistryTree.
void DescribeTreeLocked(const KeyNode& key, const std::string& prefix, std::vector<std::string>* lines) {
    static const char digits[] = "0123456789abcdef";
    for (const auto& [folded, value] : key.values) {
        std::string line = prefix + "\"" + value.name + "\" = " + std::to_string(value.data.type) + ":";
        for (uint8_t byte : value.data.bytes) {
            if (byte >= 0x20 && byte < 0x7f) {
                line += static_cast<char>(byte);
            } else {
                line += "\\x";
                line += digits[byte >> 4];
                line += digits[byte & 15];
            }
        }
        lines->push_back(line);
    }
    for (const auto& [folded, child] : key.children) {
        const std::string path = prefix + child->path.substr(child->path.find_last_of('\\') + 1);
        lines->push_back(path + "\\");
        DescribeTreeLocked(*child, path + "\\", lines);
    }
}

size_t CountOpenKeys() { return CountOpenHandles(ObjectKind::RegistryKey); }

void ResetRegistry() {
    RegistryGuard guard(RegistryLock());
    State().Clear();
}

}  // namespace hxsim::detail

namespace hxsim {

void SetValue(const std::string& keyPath, const std::string& name, const RegData& data) {
    detail::RegistryGuard guard(detail::RegistryLock());
    detail::KeyPtr key = detail::WalkLocked(detail::LocalMachineLocked(), detail::SplitKeyPath(keyPath), true);
    key->values[detail::FoldKeyName(name)] = detail::RegistryValue{name, data};
}

void CreateKey(const std::string& keyPath) {
    detail::RegistryGuard guard(detail::RegistryLock());
    detail::WalkLocked(detail::LocalMachineLocked(), detail::SplitKeyPath(keyPath), true);
}

void DeleteKey(const std::string& keyPath) {
    detail::RegistryGuard guard(detail::RegistryLock());
    std::vector<std::string> names = detail::SplitKeyPath(keyPath);
    if (names.empty()) return;  // the root stays
    const std::string last = names.back();
    names.pop_back();
    detail::KeyPtr parent = detail::WalkLocked(detail::LocalMachineLocked(), names);
    if (!parent) return;
    auto it = parent->children.find(detail::FoldKeyName(last));
    if (it != parent->children.end()) detail::DeleteTreeLocked(it->second);
}

std::vector<std::string> RegistryWrites() {
    detail::RegistryGuard guard(detail::RegistryLock());
    return detail::State().writes;
}

void DenyMachineWrites(bool deny) {
    detail::RegistryGuard guard(detail::RegistryLock());
    detail::State().denyMachineWrites = deny;
}

std::vector<std::string> RegistryTree(const std::string& keyPath) {
    detail::RegistryGuard guard(detail::RegistryLock());
    std::vector<std::string> lines;
    detail::KeyPtr key = detail::WalkLocked(detail::LocalMachineLocked(), detail::SplitKeyPath(keyPath));
    if (key) detail::DescribeTreeLocked(*key, "", &lines);
    return lines;
}

std::vector<REGSAM> RegistryOpenAccess() {
    detail::RegistryGuard guard(detail::RegistryLock());
    return detail::State().openAccess;
}

}  // namespace hxsim
