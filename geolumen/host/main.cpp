// The driver host: runs libgeolumen.so with one device on the simulated module or on a CDC WDM character
// device, and reports every step of the device's life.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/command_line.h"
#include "host/host_options.h"
#include "host/idle_power.h"
#include "host/module_device.h"
#include "host/run_dir.h"
#include "host/sensor_server.h"
#include "host/stop_signals.h"
#include "platform/cdc_wdm_usb_target.h"
#include "platform/device_store.h"
#include "platform/driver_host.h"
#include "platform/interface_server.h"
#include "platform/trace.h"
#include "sim/sim_demo_fix.h"
#include "sim/sim_location_service.h"
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
    kExitSocket = 7,
    kExitState = 8,
};

void Say(const std::string& line) {
    std::printf("geolumen-host: %s\n", line.c_str());
    std::fflush(stdout);
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "geolumen-host: error: %s\n", message.c_str());
    return code;
}

// A device without its interfaces still serves its sensor clients, so a failure is reported, not fatal.
void PublishInterfaces(HostInterfaceServer& interfaces, const std::filesystem::path& runDir) {
    std::string why;
    if (const int r = interfaces.Publish(runDir, &why); r != 0) {
        Say("device interfaces not published in " + runDir.string() + ": " +
            (why.empty() ? std::string(std::strerror(-r)) : why));
        return;
    }
    for (const auto& entry : interfaces.Entries()) Say("device interface: " + entry.string());
}

// Runs the device's whole life; the exit code.
int RunDevice(const DriverLibrary& library, const std::string& instanceId,
              const std::shared_ptr<UsbTarget>& target, sim::SimModule* module,
              const host::HostOptions& options) {
    DriverHost host(library.Entry(), instanceId, Say);
    host.SetUsbTarget(target);
    // Sensor clients reach the sensor through the class extension, which finds the server on the device.
    host::SensorServer clients(Say);
    host.AddDeviceExtension(clients.ClientHost());
    if (FAILED(host.LoadDriver())) return Fail(kExitLibrary, "the driver could not be created");
    if (FAILED(host.AddDevice())) {
        (void)host.UnloadDriver();
        return Fail(kExitDevice, "the device could not be added");
    }
    if (auto device = host.Device()) {
        clients.SetFileCleanup([device](IWDFFile* file) {
            if (auto cleanup = device->FileCleanup()) cleanup->OnCleanupFile(file);
        });
    }
    host::IdlePower idle(host);
    int exitCode = kExitOk;
    // Radio management reaches the device through its published interfaces; they go before the device.
    HostInterfaceServer interfaces(host.Device());
    if (FAILED(host.StartDevice())) {
        exitCode = Fail(kExitDevice, "the device could not be started");
    } else {
        const auto runDir = host::ResolveRunDir(options.runDir);
        PublishInterfaces(interfaces, runDir);
        const auto socket = host::SensorSocketPath(runDir, options.socket);
        std::string why;
        if (const int status = clients.Start(socket, &why); status != 0) {
            exitCode = Fail(kExitSocket, "cannot serve sensor clients at " + socket.string() + ": " +
                                             (why.empty() ? std::string(std::strerror(-status)) : why));
        } else {
            Say("sensor clients: " + socket.string());
            if (options.idle || (host.Device() && host::IdlePower::EnabledByDriver(*host.Device())))
                idle.Start();
            Say(options.runMs ? "device running for " + std::to_string(*options.runMs) + " ms"
                              : std::string("device running; SIGINT or SIGTERM removes it"));
            (void)host::WaitForStop(options.runMs);
            idle.Stop();
        }
    }
    interfaces.Stop();
    // An orderly removal lets the clients go first, as their handles close; after a surprise removal
    // the sensor is gone and the connections end without it.
    if (!options.surprise) clients.CloseAllClients();
    if (options.surprise && module) {
        // The module goes first, as when the cable is pulled: nothing it would answer can arrive.
        sim::Fault gone;
        gone.mode = sim::FaultMode::Disconnect;
        module->SetFault(gone);
    }
    const auto device = host.Device();
    (void)host.RemoveDevice(options.surprise);
    clients.Stop();
    if (device && device->UnmatchedResumeIdleCount() > 0) {
        Say("idle control: " + std::to_string(device->UnmatchedResumeIdleCount()) +
            " ResumeIdle calls without a StopIdle");
    }
    if (host.UnloadDriver() != S_OK && exitCode == kExitOk) {
        exitCode = Fail(kExitUnload, "the driver still holds objects; the library cannot be unloaded");
    }
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    int exit = kExitOk;
    const auto options =
        host::CommandLineOrExit("geolumen-host",
                                host::ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc),
                                                       GEOLUMEN_DEFAULT_LIBRARY, &error),
                                error, host::HostUsage(), &exit);
    if (!options) return exit;
    host::BlockStopSignals();
    if (!options->stateDir.empty()) setenv("GEOLUMEN_STATE_DIR", options->stateDir.c_str(), 1);
    // Folders that are not safe are refused before anything runs, never repaired: the host says why.
    if (const CheckedFolder state = OpenDeviceStoreRoot(); !state.Valid()) {
        return Fail(kExitState, state.text + (state.path.empty() ? " (give --state-dir DIR)" : ""));
    }
    if (const CheckedFolder run = host::OpenHostRunDir(host::ResolveRunDir(options->runDir)); !run.Valid()) {
        return Fail(kExitSocket, run.text);
    }
    if (options->trace) {
        // The library reads it when it is loaded; the host's own copy (the USB back end) is set here.
        setenv(kTraceEnvironment, std::to_string(*options->trace).c_str(), 1);
        RegisterTraceProvider();
        ApplyTraceEnvironment();
    }

    // The USB back end first: without it there is no device to run.
    std::unique_ptr<sim::SimModule> module;
    std::unique_ptr<sim::SimLocationService> locationService;
    std::shared_ptr<UsbTarget> target;
    std::string instanceId = options->instanceId;
    CdcWdmUsbTarget* device = nullptr;
    host::ModuleDeviceCheck check;
    if (options->usb == "sim") {
        module = std::make_unique<sim::SimModule>();
        // The module's location service reports the demo fix at the session's interval, and the host
        // says what the module was asked, so a run shows the clients' effect on the session.
        locationService = std::make_unique<sim::SimLocationService>(*module);
        locationService->SetPeriodicPosition(sim::DemoFix());
        locationService->SetSessionObserver([](bool running, uint32_t intervalMs, uint32_t accuracy) {
            Say(running ? "simulated module: session started, interval " + std::to_string(intervalMs) +
                              " ms, accuracy " + std::to_string(accuracy)
                        : std::string("simulated module: session stopped"));
        });
        target = std::make_shared<sim::SimUsbTarget>(*module);
        if (instanceId.empty()) instanceId = "USB\\VID_0000&PID_0000\\SIM0";
        Say("USB back end: simulated module");
    } else {
        check = host::CheckModuleDevice(options->usb);
        const char* any = std::getenv("GEOLUMEN_HOST_ANY_DEVICE");
        const bool anyDevice = any != nullptr && std::strcmp(any, "1") == 0;
        if (const std::string refusal = host::ModuleDeviceRefusal(options->usb, check, anyDevice);
            !refusal.empty()) {
            return Fail(kExitUsb, refusal);
        }
        if (check.kind != host::ModuleDeviceCheck::Kind::kCdcWdm) {
            Say("warning: " + options->usb + " is not a CDC WDM device (" + check.description +
                "); run as GEOLUMEN_HOST_ANY_DEVICE asks");
        }
        std::unique_ptr<CdcWdmUsbTarget> opened;
        const int status = host::OpenModuleDevice(options->usb, opened);
        if (status != 0 || !opened) {
            return Fail(kExitUsb,
                        "cannot open the USB device " + options->usb + ": " + std::strerror(-status));
        }
        device = opened.get();
        target = std::move(opened);
        if (instanceId.empty()) instanceId = "USB\\CDC_WDM\\" + options->usb;
        Say("USB back end: " + options->usb);
    }

    auto library = DriverLibrary::Open(options->library, &error);
    if (!library) return Fail(kExitLibrary, error);
    Say("library loaded: " + options->library);

    const int exitCode = RunDevice(*library, instanceId, target, module.get(), *options);
    if (device != nullptr) {
        if (const std::string note = host::SilentModuleNote(options->usb, check, device->BytesReceived());
            !note.empty()) {
            std::fprintf(stderr, "geolumen-host: warning: %s\n", note.c_str());
        }
    }
    // The back end goes before the library: the driver left callbacks in it whose code is the library's.
    // The module's reports stop before the back end that announces them goes.
    locationService.reset();
    target.reset();
    module.reset();
    library.reset();
    Say(exitCode == kExitOk ? "library unloaded" : "stopped after an error");
    return exitCode;
}
