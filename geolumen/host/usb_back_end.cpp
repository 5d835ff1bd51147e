#include "host/usb_back_end.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "host/host_log.h"
#include "sim/sim_demo_fix.h"

namespace geolumen::host {

BackEnds::BackEnds(const HostOptions& options, HostEvents& events) : options_(options), events_(events) {
    const char* any = std::getenv("GEOLUMEN_HOST_ANY_DEVICE");
    anyDevice_ = any != nullptr && std::strcmp(any, "1") == 0;
}

std::string BackEnds::Name() const { return Simulated() ? "simulated module" : options_.usb; }

std::string BackEnds::Open(BackEnd& out, bool quiet) {
    std::shared_ptr<UsbTarget> target;
    if (Simulated()) {
        out.module = std::make_unique<sim::SimModule>();
        // The module's location service reports the demo fix at the session's interval, and the host
        // says what the module was asked, so a run shows the clients' effect on the session.
        out.locationService = std::make_unique<sim::SimLocationService>(*out.module);
        out.locationService->SetPeriodicPosition(sim::DemoFix());
        out.locationService->SetSessionObserver([](bool running, uint32_t intervalMs, uint32_t accuracy) {
            Say(running ? "simulated module: session started, interval " + std::to_string(intervalMs) +
                              " ms, accuracy " + std::to_string(accuracy)
                        : std::string("simulated module: session stopped"));
        });
        auto sim = std::make_shared<sim::SimUsbTarget>(*out.module);
        out.simTarget = sim.get();
        target = std::move(sim);
    } else {
        check_ = CheckModuleDevice(options_.usb);
        if (std::string refusal = ModuleDeviceRefusal(options_.usb, check_, anyDevice_); !refusal.empty()) {
            return refusal;
        }
        if (!quiet && check_.kind != ModuleDeviceCheck::Kind::kCdcWdm) {
            Say("warning: " + options_.usb + " is not a CDC WDM device (" + check_.description +
                "); run as GEOLUMEN_HOST_ANY_DEVICE asks");
        }
        std::unique_ptr<CdcWdmUsbTarget> opened;
        const int status = OpenModuleDevice(options_.usb, opened);
        if (status != 0 || !opened) {
            return "cannot open the USB device " + options_.usb + ": " + std::strerror(-status);
        }
        out.device = opened.get();
        target = std::move(opened);
        openedCheck_ = check_;
        opened_ = NodeAt(options_.usb);
        sawMissing_ = false;
    }
    HostEvents* events = &events_;
    out.watch = std::make_shared<RemovalWatch>(std::move(target), [events](int) { events->Removed(); });
    return {};
}

void BackEnds::Close(BackEnd& backEnd) {
    if (backEnd.device) bytesReceived_ += backEnd.device->BytesReceived();
    // The module's reports stop before the back end that announces them goes.
    backEnd.locationService.reset();
    if (backEnd.watch) backEnd.watch->ReleaseInner();
    backEnd.watch.reset();
    backEnd.simTarget = nullptr;
    backEnd.device = nullptr;
    backEnd.module.reset();
    // A node that went with the device may be back before the first look for it.
    if (!Simulated() && !NodeAt(options_.usb)) sawMissing_ = true;
}

bool BackEnds::Renewed() {
    if (Simulated()) return true;
    const auto node = NodeAt(options_.usb);
    if (!node) {
        sawMissing_ = true;
        return false;
    }
    return sawMissing_ || !opened_ || *node != *opened_;
}

bool BackEnds::Missing() const { return !Simulated() && check_.kind == ModuleDeviceCheck::Kind::kMissing; }

std::string BackEnds::SilentNote() const {
    return Simulated() ? std::string() : SilentModuleNote(options_.usb, openedCheck_, bytesReceived_);
}

std::optional<BackEnds::Node> BackEnds::NodeAt(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return Node{st.st_dev, st.st_ino, st.st_rdev};
}

}  // namespace geolumen::host
