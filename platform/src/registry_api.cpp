// The registry API (advapi32) over the simulated registry. Opened keys are
// kernel handles, so they count as open handles and a stale one is caught.
// Results follow Wine's kernelbase, checked against it; the functions return
// their error and leave the thread's last error alone, as the platform does.
// Every call of a writer is recorded, so tests can show the monitor never
// writes. With DenyMachineWrites, HKLM answers a writer as it answers a user
// without administrator rights.

#include "registry_store.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace hxsim::detail {
namespace {

constexpr REGSAM kMaximumAllowed = 0x02000000;
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | 0x00040000 /* WRITE_DAC */ |
                                0x00080000 /* WRITE_OWNER */;

class RegistryKey final : public Object {
public:
    RegistryKey(KeyPtr node, REGSAM access) : Object(ObjectKind::RegistryKey), node(std::move(node)), access(access) {}
    const KeyPtr node;
    const REGSAM access;
};

// The key an HKEY stands for and what it may do.
struct KeyRef {
    KeyPtr node;
    REGSAM access = 0;
    bool predefined = false;
};

// Generic rights map to key rights as the platform's generic mapping does.
REGSAM Granted(REGSAM wanted) {
    REGSAM granted = wanted & (KEY_ALL_ACCESS | KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    if (wanted & (GENERIC_READ | GENERIC_EXECUTE)) granted |= KEY_READ;
    if (wanted & GENERIC_WRITE) granted |= KEY_WRITE;
    if (wanted & (GENERIC_ALL | kMaximumAllowed)) granted |= KEY_ALL_ACCESS;
    return granted;
}

// Restores the thread's last error on leaving: the handle table reports
// through it, the registry API does not.
class LastErrorKeeper {
public:
    LastErrorKeeper() : saved_(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(saved_); }

private:
    DWORD saved_;
};

LONG Resolve(HKEY hKey, const char* api, KeyRef* out) {
    {
        RegistryGuard guard(RegistryLock());
        if (KeyPtr root = PredefinedRootLocked(hKey)) {
            *out = KeyRef{root, KEY_ALL_ACCESS, true};
            return ERROR_SUCCESS;
        }
    }
    LastErrorKeeper keep;
    auto key = std::static_pointer_cast<RegistryKey>(
        ReferenceHandle(reinterpret_cast<HANDLE>(hKey), ObjectKind::RegistryKey, api));
    if (!key) return ERROR_INVALID_HANDLE;
    *out = KeyRef{key->node, key->access, false};
    return ERROR_SUCCESS;
}

// How a write attempt names its key in the record.
std::string Describe(HKEY hKey, const char* api) {
    KeyRef key;
    if (Resolve(hKey, api, &key) == ERROR_SUCCESS) return key.node->path;
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hKey)));
    return text;
}

std::string Quoted(LPCSTR text) { return text ? "\"" + std::string(text) + "\"" : "NULL"; }

// The injected failure's code, for APIs that return their error.
LONG InjectedFailure(const char* api) {
    LastErrorKeeper keep;
    return ShouldFail(api) ? static_cast<LONG>(GetLastError()) : ERROR_SUCCESS;
}

HKEY InsertKey(KeyPtr node, REGSAM access) {
    LastErrorKeeper keep;
    return reinterpret_cast<HKEY>(InsertHandle(std::make_shared<RegistryKey>(std::move(node), access)));
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The rights an open of `key` gets, or ERROR_ACCESS_DENIED when it asks for
// a change that the key refuses to this user. MAXIMUM_ALLOWED then gets what
// there is to get, reading. Call with the registry lock held.
LONG GrantLocked(const KeyNode& key, REGSAM wanted, REGSAM* granted) {
    *granted = Granted(wanted);
    if (!(*granted & kWriteRights) || !MachineWritesDeniedLocked(key)) return ERROR_SUCCESS;
    if (!(wanted & kMaximumAllowed)) return ERROR_ACCESS_DENIED;
    *granted &= ~kWriteRights;
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace hxsim::detail

using namespace hxsim::detail;

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    RecordRegistryOpen(samDesired);
    if (LONG injected = InjectedFailure("RegOpenKeyExA")) return injected;
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    KeyRef from;
    if (LONG status = Resolve(hKey, "RegOpenKeyExA", &from)) return status;
    if (lpSubKey && lpSubKey[0] == '\\') return ERROR_BAD_PATHNAME;

    KeyPtr target;
    REGSAM granted = 0;
    {
        RegistryGuard guard(RegistryLock());
        if (from.node->deleted) return ERROR_KEY_DELETED;
        const std::vector<std::string> names = SplitKeyPath(lpSubKey ? lpSubKey : "");
        // No subkey: the same key again; a predefined key is its own answer.
        if (names.empty() && from.predefined) {
            *phkResult = hKey;
            return ERROR_SUCCESS;
        }
        target = WalkLocked(from.node, names);
        if (!target) return ERROR_FILE_NOT_FOUND;
        if (LONG status = GrantLocked(*target, samDesired, &granted)) return status;
    }
    *phkResult = InsertKey(target, granted);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                             LPDWORD lpcbData) {
    if (LONG injected = InjectedFailure("RegQueryValueExA")) return injected;
    if ((lpData && !lpcbData) || lpReserved) return ERROR_INVALID_PARAMETER;
    KeyRef key;
    if (LONG status = Resolve(hKey, "RegQueryValueExA", &key)) return status;
    RegistryGuard guard(RegistryLock());
    if (key.node->deleted) return ERROR_KEY_DELETED;
    if (!(key.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    auto it = key.node->values.find(FoldKeyName(lpValueName ? lpValueName : ""));
    if (it == key.node->values.end()) {
        if (lpType) *lpType = REG_NONE;
        return ERROR_FILE_NOT_FOUND;
    }
    const hxsim::RegData& data = it->second.data;
    const DWORD size = static_cast<DWORD>(data.bytes.size());
    if (lpType) *lpType = data.type;
    if (lpData) {
        // Too small: nothing is copied, and the size needed is reported.
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (size) std::memcpy(lpData, data.bytes.data(), size);
        // A text stored without its terminator gets one when there is room
        // for it, though the size reported stays the stored one.
        if (IsTextType(data.type) && size > 0 && data.bytes.back() != 0 && size < *lpcbData) lpData[size] = 0;
    }
    if (lpcbData) *lpcbData = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    if (LONG injected = InjectedFailure("RegCloseKey")) return injected;
    if (!hKey) return ERROR_INVALID_HANDLE;
    {
        RegistryGuard guard(RegistryLock());
        if (PredefinedRootLocked(hKey)) return ERROR_SUCCESS;
    }
    // The current-process pseudo-handle shares the value; closing it is a no-op.
    if (reinterpret_cast<HANDLE>(hKey) == INVALID_HANDLE_VALUE) return ERROR_SUCCESS;
    // Keys are kernel handles: the platform closes any handle given here.
    LastErrorKeeper keep;
    return CloseHandleValue(reinterpret_cast<HANDLE>(hKey), "RegCloseKey") ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// As Wine's kernelbase: the name's count is in and out in characters, the
// terminator counted going in and not coming out. A name that does not fit
// is cut to the buffer (terminated) with ERROR_MORE_DATA, and so is data
// that does not fit, the name then left alone; type and data size are
// reported either way. Values come in the order of their folded names.
LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                          LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (LONG injected = InjectedFailure("RegEnumValueA")) return injected;
    if ((lpData && !lpcbData) || lpReserved || !lpValueName || !lpcchValueName) return ERROR_INVALID_PARAMETER;
    KeyRef key;
    if (LONG status = Resolve(hKey, "RegEnumValueA", &key)) return status;
    RegistryGuard guard(RegistryLock());
    if (key.node->deleted) return ERROR_KEY_DELETED;
    if (!(key.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (dwIndex >= key.node->values.size()) return ERROR_NO_MORE_ITEMS;
    const RegistryValue& value = std::next(key.node->values.begin(), dwIndex)->second;
    const hxsim::RegData& data = value.data;
    const DWORD size = static_cast<DWORD>(data.bytes.size());
    LONG status = ERROR_SUCCESS;
    if (lpData) {
        if (*lpcbData < size) {
            status = ERROR_MORE_DATA;
        } else {
            if (size) std::memcpy(lpData, data.bytes.data(), size);
            if (IsTextType(data.type) && size > 0 && data.bytes.back() != 0 && size < *lpcbData) lpData[size] = 0;
        }
    }
    if (status == ERROR_SUCCESS) {
        const DWORD length = static_cast<DWORD>(value.name.size());
        if (length >= *lpcchValueName) {
            status = ERROR_MORE_DATA;
            if (*lpcchValueName) {
                std::memcpy(lpValueName, value.name.data(), *lpcchValueName - 1);
                lpValueName[*lpcchValueName - 1] = '\0';
            }
        } else {
            std::memcpy(lpValueName, value.name.c_str(), length + 1);
            *lpcchValueName = length;
        }
    }
    if (lpType) *lpType = data.type;
    if (lpcbData) *lpcbData = size;
    return status;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    RecordRegistryWrite("RegCreateKeyExA(" + Describe(hKey, "RegCreateKeyExA") + ", " + Quoted(lpSubKey) + ")");
    if (LONG injected = InjectedFailure("RegCreateKeyExA")) return injected;
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    KeyRef from;
    if (LONG status = Resolve(hKey, "RegCreateKeyExA", &from)) return status;
    if (lpSubKey && lpSubKey[0] == '\\') return ERROR_BAD_PATHNAME;
    KeyPtr target;
    REGSAM granted = 0;
    bool created = false;
    {
        RegistryGuard guard(RegistryLock());
        if (from.node->deleted) return ERROR_KEY_DELETED;
        const std::vector<std::string> names = SplitKeyPath(lpSubKey ? lpSubKey : "");
        target = WalkLocked(from.node, names);
        if (!target) {
            if (!(from.access & KEY_CREATE_SUB_KEY) || MachineWritesDeniedLocked(*from.node))
                return ERROR_ACCESS_DENIED;
            target = WalkLocked(from.node, names, true, &created);
        }
        if (LONG status = GrantLocked(*target, samDesired, &granted)) return status;
    }
    *phkResult = InsertKey(target, granted);
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    RecordRegistryWrite("RegSetValueExA(" + Describe(hKey, "RegSetValueExA") + ", " + Quoted(lpValueName) + ")");
    if (LONG injected = InjectedFailure("RegSetValueExA")) return injected;
    KeyRef key;
    if (LONG status = Resolve(hKey, "RegSetValueExA", &key)) return status;
    if (!lpData && cbData) return ERROR_NOACCESS;
    RegistryGuard guard(RegistryLock());
    if (key.node->deleted) return ERROR_KEY_DELETED;
    if (!(key.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    // Stored exactly as given. (The platform also counts a terminator that a
    // caller left just past cbData; reading past the buffer is not mirrored.)
    const std::string name = lpValueName ? lpValueName : "";
    key.node->values[FoldKeyName(name)] =
        RegistryValue{name, hxsim::RegData::Binary(std::vector<uint8_t>(lpData, lpData + cbData), dwType)};
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    RecordRegistryWrite("RegDeleteValueA(" + Describe(hKey, "RegDeleteValueA") + ", " + Quoted(lpValueName) + ")");
    if (LONG injected = InjectedFailure("RegDeleteValueA")) return injected;
    KeyRef key;
    if (LONG status = Resolve(hKey, "RegDeleteValueA", &key)) return status;
    RegistryGuard guard(RegistryLock());
    if (key.node->deleted) return ERROR_KEY_DELETED;
    if (!(key.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return key.node->values.erase(FoldKeyName(lpValueName ? lpValueName : "")) ? ERROR_SUCCESS
                                                                               : ERROR_FILE_NOT_FOUND;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    RecordRegistryWrite("RegDeleteKeyA(" + Describe(hKey, "RegDeleteKeyA") + ", " + Quoted(lpSubKey) + ")");
    if (LONG injected = InjectedFailure("RegDeleteKeyA")) return injected;
    KeyRef from;
    if (LONG status = Resolve(hKey, "RegDeleteKeyA", &from)) return status;
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    if (lpSubKey[0] == '\\') return ERROR_BAD_PATHNAME;
    RegistryGuard guard(RegistryLock());
    if (from.node->deleted) return ERROR_KEY_DELETED;
    KeyPtr target = WalkLocked(from.node, SplitKeyPath(lpSubKey));
    if (!target) return ERROR_FILE_NOT_FOUND;
    // The platform opens the key for DELETE first.
    if (MachineWritesDeniedLocked(*target)) return ERROR_ACCESS_DENIED;
    // Roots and keys with subkeys stay.
    if (target->parent.expired() || !target->children.empty()) return ERROR_ACCESS_DENIED;
    DeleteTreeLocked(target);
    return ERROR_SUCCESS;
}

}  // extern "C"
