#include "registry_scratch.h"

#include <stdexcept>

namespace {

std::runtime_error RegistryFailure(const std::string &what, LONG status)
{
    return std::runtime_error(what + " failed with " + std::to_string(status));
}

// Creates a key (and nothing above it), telling whether it was new.
UniqueKey CreateKey(const std::string &path, bool *created)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                  &disposition);
    if (status != ERROR_SUCCESS)
        throw RegistryFailure("creating HKLM\\" + path, status);
    if (created != nullptr)
        *created = disposition == REG_CREATED_NEW_KEY;
    return UniqueKey(key);
}

}  // namespace

ScratchKey::ScratchKey(std::string path, Leftover leftover) : path_(std::move(path))
{
    if (leftover == Leftover::Remove)
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, path_.c_str());

    // One level at a time, to learn which is the first one this test adds.
    std::string::size_type end = 0;
    do {
        end = path_.find('\\', end + 1);
        const std::string prefix = path_.substr(0, end);
        bool created = false;
        CreateKey(prefix, &created);
        if (created && createdRoot_.empty())
            createdRoot_ = prefix;
    } while (end != std::string::npos);
}

ScratchKey::~ScratchKey()
{
    for (const auto &value : written_) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, value.first.c_str(), 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, value.second.c_str());
            RegCloseKey(key);
        }
    }
    if (!createdRoot_.empty())
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, createdRoot_.c_str());
}

std::string ScratchKey::SubkeyPath(const std::string &subkey) const
{
    return subkey.empty() ? path_ : path_ + "\\" + subkey;
}

void ScratchKey::SetValue(const std::string &subkey, const std::string &name, DWORD type,
                          const std::string &data)
{
    const std::string keyPath = SubkeyPath(subkey);
    UniqueKey key = CreateKey(keyPath, nullptr);
    LONG status = RegSetValueExA(key.get(), name.c_str(), 0, type,
                                 reinterpret_cast<const BYTE *>(data.data()),
                                 static_cast<DWORD>(data.size()));
    if (status != ERROR_SUCCESS)
        throw RegistryFailure("writing \"" + name + "\" under HKLM\\" + keyPath, status);
    written_.emplace_back(keyPath, name);
}

void ScratchKey::SetText(const std::string &subkey, const std::string &name,
                         const std::string &text)
{
    SetValue(subkey, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

UniqueKey ScratchKey::OpenForReading() const
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_READ, &key);
    if (status != ERROR_SUCCESS)
        throw RegistryFailure("opening HKLM\\" + path_, status);
    return UniqueKey(key);
}
