#pragma once
// Opening a real GNSS module: its CDC WDM character device as the driver's USB device.

#include <memory>
#include <string>

#include "platform/cdc_wdm_usb_target.h"

namespace geolumen::host {

// Opens the device at `path`; 0, or the negative errno of the failure. The kernel driver hands out a byte
// stream, so the target cuts it at the multiplex frame boundaries: every fetch is one whole message, as
// the message stack expects.
[[nodiscard]] int OpenModuleDevice(const std::string& path, std::unique_ptr<CdcWdmUsbTarget>& out);

}  // namespace geolumen::host
