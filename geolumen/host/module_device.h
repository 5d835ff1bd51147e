#pragma once
// Opening a real GNSS module: its CDC WDM character device as the driver's USB device.

#include <memory>
#include <string>

#include "platform/cdc_wdm_usb_target.h"

namespace geolumen::host {

// Opens the device at `path`; 0, or the negative errno of the failure. The kernel driver hands out the
// responses that arrived before a read in one piece, so the target splits them at the multiplex frame
// boundaries: every fetch is one message, as the message stack expects.
[[nodiscard]] int OpenModuleDevice(const std::string& path, std::unique_ptr<CdcWdmUsbTarget>& out);

}  // namespace geolumen::host
