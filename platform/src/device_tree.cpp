// The simulated device tree: the devices tests add, their properties and
// interfaces, and whether they are present.

#include "device_tree.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <mutex>
#include <stdexcept>

namespace hxsim {

const GUID kImageClassGuid = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};

}  // namespace hxsim

namespace hxsim::detail {
namespace {

constexpr DWORD kFirstDevInst = 0x100;

std::string FoldCase(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

class DeviceTree {
public:
    DeviceId Add(const DeviceDesc& desc) {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::string key = FoldCase(desc.instanceId);
        auto existing = byInstance_.find(key);
        if (existing != byInstance_.end() && existing->second->present)
            throw std::invalid_argument("device already present: " + desc.instanceId);
        for (const std::string& path : desc.interfaces) {
            auto owner = byPath_.find(FoldCase(path));
            if (owner != byPath_.end() && owner->second->present &&
                FoldCase(owner->second->desc.instanceId) != key)
                throw std::invalid_argument("interface path already in use: " + path);
        }

        const DeviceId id = nextId_++;
        std::shared_ptr<DeviceNode> node;
        if (existing != byInstance_.end()) {
            // The same instance again: the same devnode, in the old one's place.
            const std::shared_ptr<DeviceNode> old = existing->second;
            node = std::make_shared<DeviceNode>(id, desc, old->devInst);
            *std::find(order_.begin(), order_.end(), old) = node;
            for (const std::string& path : old->desc.interfaces) {
                auto owner = byPath_.find(FoldCase(path));
                if (owner != byPath_.end() && owner->second == old) byPath_.erase(owner);
            }
            existing->second = node;
        } else {
            node = std::make_shared<DeviceNode>(id, desc, kFirstDevInst + static_cast<DWORD>(order_.size()));
            order_.push_back(node);
            byInstance_.emplace(key, node);
        }
        for (const std::string& path : desc.interfaces) byPath_[FoldCase(path)] = node;
        byId_.emplace(id, node);
        return id;
    }

    std::vector<NodePtr> Current() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return {order_.begin(), order_.end()};
    }

    NodePtr ById(DeviceId id) const {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = byId_.find(id);
        return it == byId_.end() ? nullptr : it->second;
    }

    NodePtr ByPath(const std::string& path, size_t* index) const {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = byPath_.find(FoldCase(path));
        if (it == byPath_.end()) return nullptr;
        if (index) {
            const auto& paths = it->second->desc.interfaces;
            *index = static_cast<size_t>(
                std::find_if(paths.begin(), paths.end(), [&](const std::string& p) { return SamePath(p, path); }) -
                paths.begin());
        }
        return it->second;
    }

    bool MarkUnplugged(DeviceId id) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = byId_.find(id);
        if (it == byId_.end()) throw std::invalid_argument("unknown device id " + std::to_string(id));
        return it->second->present.exchange(false);
    }

    // Ids start again at 0 so that tests can name the devices they add in order.
    void Reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        order_.clear();
        byInstance_.clear();
        byPath_.clear();
        byId_.clear();
        nextId_ = 0;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<DeviceNode>> order_;
    std::map<std::string, std::shared_ptr<DeviceNode>> byInstance_;  // folded instance id
    std::map<std::string, std::shared_ptr<DeviceNode>> byPath_;      // folded interface path
    std::map<DeviceId, std::shared_ptr<DeviceNode>> byId_;           // every plug-in, gone ones too
    DeviceId nextId_ = 0;
};

DeviceTree& Tree() {
    static auto* tree = new DeviceTree;
    return *tree;
}

std::string Index4(int index) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d", index);
    return digits;
}

}  // namespace

std::vector<NodePtr> CurrentNodes() { return Tree().Current(); }

NodePtr NodeById(DeviceId id) { return Tree().ById(id); }

NodePtr NodeByInterfacePath(const std::string& path, size_t* index) { return Tree().ByPath(path, index); }

bool MarkUnplugged(DeviceId id) { return Tree().MarkUnplugged(id); }

std::string PropertyText(const RegData& data) {
    std::string text(data.bytes.begin(), data.bytes.end());
    return text.substr(0, text.find('\0'));
}

bool SamePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

void ResetDeviceTree() { Tree().Reset(); }

void ResetDevices() {
    ResetNotifications();
    ResetDevInfoSets();
    ResetDeviceTree();
}

}  // namespace hxsim::detail

namespace hxsim {

DeviceDesc CameraDesc(int index) {
    const std::string n = detail::Index4(index);
    DeviceDesc desc;
    desc.instanceId = "ROOT\\IMAGE\\" + n;
    desc.service = RegData::Text("RUdiDOVUDIRUR");
    desc.driver = RegData::Text("{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\" + n);
    desc.interfaces = {"\\\\?\\root#image#" + n + "#{6bdd1fc6-810f-11d0-bec7-08002be2092f}"};
    desc.description = RegData::Text("Stand-in still camera");
    return desc;
}

// Another driver's scanner: its own instance ids and driver numbers, so it
// can sit beside a camera of the same index.
DeviceDesc OtherImageDesc(int index) {
    const std::string n = detail::Index4(index);
    DeviceDesc desc;
    desc.instanceId = "USB\\VID_04A9&PID_220E\\" + n;
    desc.service = RegData::Text("usbscan");
    desc.driver = RegData::Text("{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\" + detail::Index4(index + 100));
    desc.interfaces = {"\\\\?\\usb#vid_04a9&pid_220e#" + n + "#{6bdd1fc6-810f-11d0-bec7-08002be2092f}"};
    return desc;
}

DeviceId AddDevice(const DeviceDesc& desc) {
    const DeviceId id = detail::Tree().Add(desc);
    // An installed device has its driver key, as the installer made it.
    if (desc.driver && desc.driver->type == REG_SZ) {
        const std::string driver = detail::PropertyText(*desc.driver);
        if (!driver.empty()) CreateKey("SYSTEM\\CurrentControlSet\\Control\\Class\\" + driver);
    }
    return id;
}

}  // namespace hxsim
