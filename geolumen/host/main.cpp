// The driver host: runs libgeolumen.so with one device on the simulated module or on a CDC WDM character
// device, and reports every step of the device's life.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/host_options.h"
#include "platform/cdc_wdm_usb_target.h"
#include "platform/driver_host.h"
#include "platform/event.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace {

using namespace geolumen;

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 2,
    kExitLibrary = 3,
    kExitUsb = 4,
    kExitDevice = 5,
    kExitUnload = 6,
};

Event g_stop(Event::Reset::kManual);

void OnSignal(int) {
    // Setting an event takes a lock; a flag read by a watcher would be the strict choice, but the host
    // only waits on this event and does nothing else while a signal can arrive.
    g_stop.Set();
}

void Say(const std::string& line) {
    std::printf("geolumen-host: %s\n", line.c_str());
    std::fflush(stdout);
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "geolumen-host: error: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    auto options = host::ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc), GEOLUMEN_DEFAULT_LIBRARY,
                                          &error);
    if (!options) {
        std::fprintf(stderr, "geolumen-host: error: %s\n%s", error.c_str(), host::HostUsage());
        return kExitUsage;
    }
    if (options->help) {
        std::fputs(host::HostUsage(), stdout);
        return kExitOk;
    }
    if (!options->stateDir.empty()) setenv("GEOLUMEN_STATE_DIR", options->stateDir.c_str(), 1);

    // The USB back end first: without it there is no device to run.
    std::unique_ptr<sim::SimModule> module;
    std::shared_ptr<UsbTarget> target;
    std::string instanceId = options->instanceId;
    if (options->usb == "sim") {
        module = std::make_unique<sim::SimModule>();
        target = std::make_shared<sim::SimUsbTarget>(*module);
        if (instanceId.empty()) instanceId = "USB\\VID_0000&PID_0000\\SIM0";
        Say("USB back end: simulated module");
    } else {
        std::unique_ptr<CdcWdmUsbTarget> device;
        const int status = CdcWdmUsbTarget::Open(options->usb, device);
        if (status != 0 || !device) {
            return Fail(kExitUsb, "cannot open the USB device " + options->usb + ": " + std::strerror(-status));
        }
        target = std::move(device);
        if (instanceId.empty()) instanceId = "USB\\CDC_WDM\\" + options->usb;
        Say("USB back end: " + options->usb);
    }

    auto library = DriverLibrary::Open(options->library, &error);
    if (!library) return Fail(kExitLibrary, error);
    Say("library loaded: " + options->library);

    int exitCode = kExitOk;
    {
        DriverHost host(library->Entry(), instanceId, Say);
        host.SetUsbTarget(target);
        if (FAILED(host.LoadDriver())) return Fail(kExitLibrary, "the driver could not be created");
        if (FAILED(host.AddDevice())) {
            (void)host.UnloadDriver();
            return Fail(kExitDevice, "the device could not be added");
        }
        if (FAILED(host.StartDevice())) {
            exitCode = Fail(kExitDevice, "the device could not be started");
        } else {
            std::signal(SIGINT, OnSignal);
            std::signal(SIGTERM, OnSignal);
            if (options->runMs) {
                Say("device running for " + std::to_string(*options->runMs) + " ms");
                (void)g_stop.Wait(*options->runMs);
            } else {
                Say("device running; SIGINT or SIGTERM removes it");
                (void)g_stop.Wait(INFINITE);
            }
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
        }
        if (options->surprise && module) {
            // The module goes first, as when the cable is pulled: nothing it would answer can arrive.
            sim::Fault gone;
            gone.mode = sim::FaultMode::Disconnect;
            module->SetFault(gone);
        }
        (void)host.RemoveDevice(options->surprise);
        if (host.UnloadDriver() != S_OK && exitCode == kExitOk) {
            exitCode = Fail(kExitUnload, "the driver still holds objects; the library cannot be unloaded");
        }
    }
    target.reset();
    module.reset();
    library.reset();
    Say(exitCode == kExitOk ? "library unloaded" : "stopped after an error");
    return exitCode;
}
