// The simulated device tree shared by the device installer functions, the
// device notifications and the camera driver. Tests fill it through
// hxsim::AddDevice / PlugIn / Unplug.
#pragma once

#include "sim_internal.h"

#include <hxsim/world.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hxsim::detail {

// One plug-in of a device. Its description never changes; a device plugged
// in again is a new node that takes the place of the old one in the tree,
// while information sets built earlier keep the node they saw, as the
// platform keeps an unplugged device's registry entries.
struct DeviceNode {
    DeviceNode(DeviceId id, DeviceDesc desc, DWORD devInst)
        : id(id), desc(std::move(desc)), devInst(devInst) {}

    const DeviceId id;
    const DeviceDesc desc;
    const DWORD devInst;  // the devnode number reported in SP_DEVINFO_DATA
    std::atomic<bool> present{true};
};

using NodePtr = std::shared_ptr<const DeviceNode>;

// The current node of every instance, present or not, in the tree's order.
std::vector<NodePtr> CurrentNodes();
// The node that a test's DeviceId names; nullptr when unknown.
NodePtr NodeById(DeviceId id);
// The current node owning an interface path (compared without regard to
// case), with the index of the interface; nullptr when no node has it.
NodePtr NodeByInterfacePath(const std::string& path, size_t* index = nullptr);

// Marks the device unplugged; false when it was not present.
bool MarkUnplugged(DeviceId id);

// The text of a string property as the driver's loader reads it: the bytes
// up to the first terminator, whatever the stored type.
std::string PropertyText(const RegData& data);

// Paths compare without regard to ASCII case, as the object manager does.
bool SamePath(const std::string& a, const std::string& b);

// Each piece of the device families resets its own state.
void ResetDeviceTree();
void ResetDevInfoSets();
void ResetNotifications();
// The camera driver lets go of what it holds for a device that is gone.
void DriverDeviceRemoved(DeviceId id);

}  // namespace hxsim::detail
