// The driver host: runs libgeolumen.so with one device on the simulated module or on a CDC WDM character
// device, and reports every step of the device's life. A device that is pulled is removed as the platform
// removes it, and added again when it comes back.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "host/command_line.h"
#include "host/host_events.h"
#include "host/host_options.h"
#include "host/idle_power.h"
#include "host/module_device.h"
#include "host/removal_watch.h"
#include "host/run_dir.h"
#include "host/sensor_server.h"
#include "platform/cdc_wdm_usb_target.h"
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
    kExitRemoved = 8,
};

// How often the host looks for a pulled device's path while it is away: a client is to have data again
// within two seconds of the module's return, of which the session's start and first report take most;
// a stat() ten times a second, only while the device is away, costs nothing.
constexpr auto kReturnPollInterval = std::chrono::milliseconds(100);
// The sensor's state while its device is away: not available.
constexpr uint32_t kSensorStateNotAvailable = 1;

void Say(const std::string& line) {
    std::printf("geolumen-host: %s\n", line.c_str());
    std::fflush(stdout);
}

int Fail(int code, const std::string& message) {
    std::fprintf(stderr, "geolumen-host: error: %s\n", message.c_str());
    return code;
}

// One plug-in of the USB device: the simulated module or the opened device file, behind the watch that
// reports its removal.
struct BackEnd {
    std::unique_ptr<sim::SimModule> module;
    std::unique_ptr<sim::SimLocationService> locationService;
    sim::SimUsbTarget* simTarget = nullptr;
    CdcWdmUsbTarget* device = nullptr;
    std::shared_ptr<host::RemovalWatch> watch;

    [[nodiscard]] bool Present() const { return watch != nullptr; }
};

// Opens and closes the back end the options name, as often as the device comes and goes.
class BackEnds {
  public:
    BackEnds(const host::HostOptions& options, host::HostEvents& events)
        : options_(options), events_(events) {
        const char* any = std::getenv("GEOLUMEN_HOST_ANY_DEVICE");
        anyDevice_ = any != nullptr && std::strcmp(any, "1") == 0;
    }

    [[nodiscard]] bool Simulated() const { return options_.usb == "sim"; }
    [[nodiscard]] std::string Name() const { return Simulated() ? "simulated module" : options_.usb; }

    // Opens the back end into `out`; empty, or the reason it cannot be opened. `quiet` leaves out the
    // warning about a device that is not a CDC WDM one (said at the start already).
    std::string Open(BackEnd& out, bool quiet) {
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
            check_ = host::CheckModuleDevice(options_.usb);
            if (std::string refusal = host::ModuleDeviceRefusal(options_.usb, check_, anyDevice_);
                !refusal.empty()) {
                return refusal;
            }
            if (!quiet && check_.kind != host::ModuleDeviceCheck::Kind::kCdcWdm) {
                Say("warning: " + options_.usb + " is not a CDC WDM device (" + check_.description +
                    "); run as GEOLUMEN_HOST_ANY_DEVICE asks");
            }
            std::unique_ptr<CdcWdmUsbTarget> opened;
            const int status = host::OpenModuleDevice(options_.usb, opened);
            if (status != 0 || !opened) {
                return "cannot open the USB device " + options_.usb + ": " + std::strerror(-status);
            }
            out.device = opened.get();
            target = std::move(opened);
            opened_ = NodeAt(options_.usb);
            sawMissing_ = false;
        }
        host::HostEvents* events = &events_;
        out.watch =
            std::make_shared<host::RemovalWatch>(std::move(target), [events](int) { events->Removed(); });
        return {};
    }

    // Lets the back end go once the driver has let go of it.
    void Close(BackEnd& backEnd) {
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

    // Whether a device may be back at the path: a pulled module's node goes with it, and its return is a
    // node made anew, whereas a node that stayed (a device that failed, or a file that is no device) would
    // only fail again. A node with the same identity counts as new once the path was seen empty.
    [[nodiscard]] bool Renewed() {
        if (Simulated()) return true;
        const auto node = NodeAt(options_.usb);
        if (!node) {
            sawMissing_ = true;
            return false;
        }
        return sawMissing_ || !opened_ || *node != *opened_;
    }

    // The last Open found no device file at the path.
    [[nodiscard]] bool Missing() const {
        return !Simulated() && check_.kind == host::ModuleDeviceCheck::Kind::kMissing;
    }

    // The line to say at the end of a run on a module that never sent a byte; empty when it did.
    [[nodiscard]] std::string SilentNote() const {
        return Simulated() ? std::string() : host::SilentModuleNote(options_.usb, check_, bytesReceived_);
    }

  private:
    // A device node told apart from another: its file system, inode and device number.
    using Node = std::tuple<dev_t, ino_t, dev_t>;
    static std::optional<Node> NodeAt(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return std::nullopt;
        return Node{st.st_dev, st.st_ino, st.st_rdev};
    }

    const host::HostOptions& options_;
    host::HostEvents& events_;
    bool anyDevice_ = false;
    host::ModuleDeviceCheck check_;
    std::uint64_t bytesReceived_ = 0;
    std::optional<Node> opened_;
    bool sawMissing_ = false;
};

// A device without its interfaces still serves its sensor clients, so a failure is reported, not fatal.
void PublishInterfaces(HostInterfaceServer& interfaces, const std::filesystem::path& runDir) {
    if (const int r = interfaces.Publish(runDir); r != 0) {
        Say("device interfaces not published in " + runDir.string() + ": " + std::strerror(-r));
        return;
    }
    for (const auto& entry : interfaces.Entries()) Say("device interface: " + entry.string());
}

// The device's whole life, from its first add to its last removal, through every pull and return.
class DeviceLife {
  public:
    DeviceLife(const DriverLibrary& library, const std::string& instanceId, BackEnds& backEnds,
               BackEnd& backEnd, host::HostEvents& events, const host::HostOptions& options)
        : host_(library.Entry(), instanceId, Say),
          clients_(Say),
          idle_(host_),
          backEnds_(backEnds),
          backEnd_(backEnd),
          events_(events),
          options_(options),
          runDir_(host::ResolveRunDir(options.runDir)) {
        // Sensor clients reach the sensor through the class extension, which finds the server on the
        // device.
        host_.AddDeviceExtension(clients_.ClientHost());
    }

    // Runs until a stop, the run time, or (with --exit-on-removal) a removal; the exit code.
    int Run() {
        host_.SetUsbTarget(backEnd_.watch);
        if (FAILED(host_.LoadDriver())) return Fail(kExitLibrary, "the driver could not be created");
        if (FAILED(host_.AddDevice())) {
            (void)host_.UnloadDriver();
            return Fail(kExitDevice, "the device could not be added");
        }
        int exitCode = kExitOk;
        if (!StartAdded()) {
            exitCode = Fail(kExitDevice, "the device could not be started");
        } else {
            const auto socket = host::SensorSocketPath(runDir_, options_.socket);
            if (const int status = clients_.Start(socket); status != 0) {
                exitCode = Fail(kExitSocket, "cannot serve sensor clients at " + socket.string() + ": " +
                                                 std::strerror(-status));
            } else {
                Say("sensor clients: " + socket.string());
                StartIdle();
                Say(options_.runMs ? "device running for " + std::to_string(*options_.runMs) + " ms"
                                   : std::string("device running; SIGINT or SIGTERM removes it"));
                exitCode = Serve();
                idle_.Stop();
            }
        }
        if (interfaces_) interfaces_->Stop();
        if (backEnd_.Present()) Remove(options_.surprise);
        clients_.Stop();
        if (host_.UnloadDriver() != S_OK && exitCode == kExitOk) {
            exitCode = Fail(kExitUnload, "the driver still holds objects; the library cannot be unloaded");
        }
        return exitCode;
    }

  private:
    // Everything after the device add: start, interfaces, the clients' file cleanup. False when the
    // device did not start.
    bool StartAdded() {
        if (auto device = host_.Device()) {
            clients_.SetFileCleanup([device](IWDFFile* file) {
                if (auto cleanup = device->FileCleanup()) cleanup->OnCleanupFile(file);
            });
        }
        // Radio management reaches the device through its published interfaces; they go before the
        // device.
        interfaces_.emplace(host_.Device());
        if (FAILED(host_.StartDevice())) return false;
        PublishInterfaces(*interfaces_, runDir_);
        return true;
    }

    void StartIdle() {
        if (options_.idle || (host_.Device() && host::IdlePower::EnabledByDriver(*host_.Device())))
            idle_.Start();
    }

    // Waits for the end, removing and adding the device as it goes and comes; the exit code.
    int Serve() {
        using Clock = host::HostEvents::Clock;
        std::optional<Clock::time_point> end;
        if (options_.runMs) end = Clock::now() + std::chrono::milliseconds(*options_.runMs);
        for (;;) {
            std::optional<Clock::time_point> wake = end;
            const bool lookForPath = !backEnd_.Present() && !backEnds_.Simulated();
            if (lookForPath) {
                const auto look = Clock::now() + kReturnPollInterval;
                if (!wake || look < *wake) wake = look;
            }
            switch (events_.Wait(wake)) {
                case host::HostEvent::kStop:
                case host::HostEvent::kFailed:
                    return kExitOk;
                case host::HostEvent::kTimeUp:
                    if (end && Clock::now() >= *end) return kExitOk;
                    if (lookForPath) (void)Return();
                    break;
                case host::HostEvent::kUnplug:
                    if (backEnd_.simTarget) backEnd_.simTarget->Unplug();
                    break;
                case host::HostEvent::kReplug:
                    if (!backEnd_.Present() && backEnds_.Simulated()) (void)Return();
                    break;
                case host::HostEvent::kRemoved:
                    // News of a back end that has gone already is stale.
                    if (!backEnd_.Present() || backEnd_.watch->GoneStatus() == 0) break;
                    if (Pulled()) return Fail(kExitRemoved, "the USB device was removed");
                    break;
            }
        }
    }

    // The device has gone: what the platform does for a pulled device. True when the host is to exit.
    bool Pulled() {
        const int status = backEnd_.watch->GoneStatus();
        Say("USB device removed: " + backEnds_.Name() + " (" + std::strerror(-status) + ")");
        // The sensor leaves: its clients hear that it is not available before their connections end.
        (void)clients_.PostStateChange(kSensorStateNotAvailable);
        idle_.Stop();
        if (interfaces_) interfaces_->Stop();
        Remove(true);
        if (options_.exitOnRemoval) return true;
        Say(backEnds_.Simulated() ? std::string("waiting for the simulated module to return (SIGUSR2)")
                                  : "waiting for " + backEnds_.Name() + " to return");
        return false;
    }

    // Removes the device and lets its back end go.
    void Remove(bool surprise) {
        // An orderly removal lets the clients go first, as their handles close; after a surprise removal
        // the sensor is gone and the connections end without it.
        if (!surprise) clients_.CloseAllClients();
        if (surprise && backEnd_.module && backEnd_.watch->GoneStatus() == 0) {
            // The module goes first, as when the cable is pulled: nothing it would answer can arrive.
            backEnd_.module->SetFault(sim::Fault::Of(sim::FaultMode::Disconnect));
        }
        const auto device = host_.Device();
        (void)host_.RemoveDevice(surprise);
        clients_.SetFileCleanup(nullptr);
        interfaces_.reset();
        if (device && device->UnmatchedResumeIdleCount() > 0) {
            Say("idle control: " + std::to_string(device->UnmatchedResumeIdleCount()) +
                " ResumeIdle calls without a StopIdle");
        }
        backEnds_.Close(backEnd_);
        host_.SetUsbTarget(nullptr);
    }

    // Looks for the device's return and adds it as at the start; false while it is not back.
    bool Return() {
        if (!backEnds_.Renewed()) return false;
        const std::string problem = backEnds_.Open(backEnd_, true);
        if (!problem.empty()) {
            // A path that is back but refused is said once, so that the wait for it is not a silent one.
            if (!backEnds_.Missing() && problem != lastProblem_) Say("not yet: " + problem);
            lastProblem_ = problem;
            backEnds_.Close(backEnd_);
            return false;
        }
        lastProblem_.clear();
        Say("USB device returned: " + backEnds_.Name());
        host_.SetUsbTarget(backEnd_.watch);
        if (FAILED(host_.AddDevice()) || !StartAdded()) {
            Say("the returned device could not be started; waiting for it again");
            if (interfaces_) interfaces_->Stop();
            Remove(true);
            return false;
        }
        StartIdle();
        Say("device running again");
        return true;
    }

    DriverHost host_;
    host::SensorServer clients_;
    host::IdlePower idle_;
    std::optional<HostInterfaceServer> interfaces_;
    BackEnds& backEnds_;
    BackEnd& backEnd_;
    host::HostEvents& events_;
    const host::HostOptions& options_;
    const std::filesystem::path runDir_;
    std::string lastProblem_;
};

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
    // Before the first thread: the signals are taken by the main thread's wait alone.
    host::HostEvents events(options->usb == "sim");
    if (!events.Ready())
        return Fail(kExitUsage, std::string("cannot wait for signals: ") + std::strerror(errno));
    if (!options->stateDir.empty()) setenv("GEOLUMEN_STATE_DIR", options->stateDir.c_str(), 1);
    if (options->trace) {
        // The library reads it when it is loaded; the host's own copy (the USB back end) is set here.
        setenv(kTraceEnvironment, std::to_string(*options->trace).c_str(), 1);
        RegisterTraceProvider();
        ApplyTraceEnvironment();
    }

    // The USB back end first: without it there is no device to run.
    BackEnds backEnds(*options, events);
    BackEnd backEnd;
    if (std::string problem = backEnds.Open(backEnd, false); !problem.empty()) return Fail(kExitUsb, problem);
    std::string instanceId = options->instanceId;
    if (instanceId.empty())
        instanceId = backEnds.Simulated() ? "USB\\VID_0000&PID_0000\\SIM0" : "USB\\CDC_WDM\\" + options->usb;
    Say("USB back end: " + (backEnds.Simulated() ? std::string("simulated module") : options->usb));

    auto library = DriverLibrary::Open(options->library, &error);
    if (!library) return Fail(kExitLibrary, error);
    Say("library loaded: " + options->library);

    int exitCode = kExitOk;
    {
        DeviceLife life(*library, instanceId, backEnds, backEnd, events, *options);
        exitCode = life.Run();
    }
    // The back end goes before the library: the driver left callbacks in it whose code is the library's.
    backEnds.Close(backEnd);
    if (const std::string note = backEnds.SilentNote(); !note.empty())
        std::fprintf(stderr, "geolumen-host: warning: %s\n", note.c_str());
    library.reset();
    Say(exitCode == kExitOk ? "library unloaded" : "stopped after an error");
    return exitCode;
}
