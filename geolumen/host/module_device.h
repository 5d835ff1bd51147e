#pragma once
// Opening a real GNSS module: its CDC WDM character device as the driver's USB device.

#include <memory>
#include <string>

#include "platform/cdc_wdm_usb_target.h"

namespace geolumen::host {

// What the path given as the module's device is.
struct ModuleDeviceCheck {
    enum class Kind { kMissing, kNotCharacterDevice, kOtherCharacterDevice, kCdcWdm };
    Kind kind = Kind::kMissing;
    int error = 0;            // kMissing: the errno of the look
    std::string description;  // what the path is, in words, for the messages below
};

// Looks at `path` and at its class in sysfs (`sysRoot`/dev/char/MAJ:MIN: the subsystem link names
// usbmisc and the device's name starts with cdc-wdm for a CDC WDM device).
[[nodiscard]] ModuleDeviceCheck CheckModuleDevice(const std::string& path,
                                                  const std::string& sysRoot = "/sys");

// The error line for a device the host will not run; empty when the check allows it. `anyCharacterDevice`
// lets another character device through (a pseudo-terminal standing for the module in a test).
[[nodiscard]] std::string ModuleDeviceRefusal(const std::string& path, const ModuleDeviceCheck& check,
                                              bool anyCharacterDevice);

// The line to say at the end of a run on a module that never sent a byte; empty when it did.
[[nodiscard]] std::string SilentModuleNote(const std::string& path, const ModuleDeviceCheck& check,
                                           std::uint64_t bytesReceived);

// Opens the device at `path`; 0, or the negative errno of the failure. The kernel driver hands out a byte
// stream, so the target cuts it at the multiplex frame boundaries: every fetch is one whole message, as
// the message stack expects.
[[nodiscard]] int OpenModuleDevice(const std::string& path, std::unique_ptr<CdcWdmUsbTarget>& out);

}  // namespace geolumen::host
