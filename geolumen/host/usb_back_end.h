#pragma once
// The host's USB back end, opened as often as the device comes and goes: the simulated module (a fresh
// one at each return) or the module's character device, each behind the watch that reports its removal.
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "host/host_events.h"
#include "host/host_options.h"
#include "host/module_device.h"
#include "host/removal_watch.h"
#include "platform/cdc_wdm_usb_target.h"
#include "sim/sim_location_service.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace geolumen::host {

// One plug-in of the USB device.
struct BackEnd {
    std::unique_ptr<sim::SimModule> module;
    std::unique_ptr<sim::SimLocationService> locationService;
    sim::SimUsbTarget* simTarget = nullptr;
    CdcWdmUsbTarget* device = nullptr;
    std::shared_ptr<RemovalWatch> watch;  // what the driver is given

    [[nodiscard]] bool Present() const { return watch != nullptr; }
};

class BackEnds {
  public:
    // Removals are reported to `events`.
    BackEnds(const HostOptions& options, HostEvents& events);

    [[nodiscard]] bool Simulated() const { return options_.usb == "sim"; }
    // "simulated module" or the device's path, for the log.
    [[nodiscard]] std::string Name() const;

    // Opens the back end into `out`; empty, or the reason it cannot be opened. `quiet` leaves out the
    // warning about a device that is not a CDC WDM one (said at the start already).
    [[nodiscard]] std::string Open(BackEnd& out, bool quiet);
    // Lets the back end go once the driver has let go of it.
    void Close(BackEnd& backEnd);

    // Whether a device may be back at the path: a pulled module's node goes with it, and its return is a
    // node made anew, whereas a node that stayed (a device that failed, or a file that is no device) would
    // only fail again. A node with the same identity counts as new once the path was seen empty.
    [[nodiscard]] bool Renewed();
    // The last Open found no device file at the path.
    [[nodiscard]] bool Missing() const;
    // The line to say at the end of a run on a module that never sent a byte; empty when it did.
    [[nodiscard]] std::string SilentNote() const;

  private:
    // A device node told apart from another: its file system, inode and device number.
    using Node = std::tuple<dev_t, ino_t, dev_t>;
    [[nodiscard]] static std::optional<Node> NodeAt(const std::string& path);

    const HostOptions& options_;
    HostEvents& events_;
    bool anyDevice_ = false;
    ModuleDeviceCheck check_;        // of the last look at the path
    ModuleDeviceCheck openedCheck_;  // of the last device opened
    std::uint64_t bytesReceived_ = 0;
    std::optional<Node> opened_;
    bool sawMissing_ = false;
};

}  // namespace geolumen::host
