#include "host/device_life.h"

#include <cstring>

#include "host/host_log.h"
#include "host/run_dir.h"
#include "sim/sim_module.h"

namespace geolumen::host {

namespace {

// The sensor's state while its device is away: not available.
constexpr uint32_t kSensorStateNotAvailable = 1;

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

}  // namespace

DeviceLife::DeviceLife(const DriverLibrary& library, const std::string& instanceId, BackEnds& backEnds,
                       BackEnd& backEnd, HostEvents& events, const HostOptions& options)
    : host_(library.Entry(), instanceId, Say),
      clients_(Say, SensorServer::Limits{kMaxQueuedBytesPerClient, options.maxClients, kConnectTimeout}),
      idle_(host_),
      backEnds_(backEnds),
      backEnd_(backEnd),
      events_(events),
      options_(options),
      runDir_(ResolveRunDir(options.runDir)) {
    // Sensor clients reach the sensor through the class extension, which finds the server on the
    // device.
    host_.AddDeviceExtension(clients_.ClientHost());
}

int DeviceLife::Run() {
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
        const auto socket = SensorSocketPath(runDir_, options_.socket);
        std::string why;
        if (const int status = clients_.Start(socket, &why); status != 0) {
            exitCode = Fail(kExitSocket, "cannot serve sensor clients at " + socket.string() + ": " +
                                             (why.empty() ? std::string(std::strerror(-status)) : why));
        } else {
            Say("sensor clients: " + socket.string());
            StartIdle();
            Say(options_.runMs ? "device running for " + std::to_string(*options_.runMs) + " ms"
                               : std::string("device running; SIGINT, SIGTERM or SIGHUP removes it"));
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

bool DeviceLife::StartAdded() {
    if (auto device = host_.Device()) {
        clients_.SetFileCleanup([device](IWDFFile* file) {
            if (auto cleanup = device->FileCleanup()) cleanup->OnCleanupFile(file);
        });
    }
    // Radio management reaches the device through its published interfaces; they go before the
    // device.
    interfaces_.emplace(host_.Device(), options_.maxClients);
    if (FAILED(host_.StartDevice())) return false;
    PublishInterfaces(*interfaces_, runDir_);
    return true;
}

void DeviceLife::StartIdle() {
    if (options_.idle || (host_.Device() && IdlePower::EnabledByDriver(*host_.Device()))) idle_.Start();
}

int DeviceLife::Serve() {
    using Clock = HostEvents::Clock;
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
            case HostEvent::kStop:
            case HostEvent::kFailed:
                return kExitOk;
            case HostEvent::kTimeUp:
                if (end && Clock::now() >= *end) return kExitOk;
                if (lookForPath) (void)Return();
                break;
            case HostEvent::kUnplug:
                if (backEnd_.simTarget) backEnd_.simTarget->Unplug();
                break;
            case HostEvent::kReplug:
                if (!backEnd_.Present() && backEnds_.Simulated()) (void)Return();
                break;
            case HostEvent::kRemoved:
                // News of a back end that has gone already is stale.
                if (!backEnd_.Present() || backEnd_.watch->GoneStatus() == 0) break;
                if (Pulled()) return Fail(kExitRemoved, "the USB device was removed");
                break;
        }
    }
}

bool DeviceLife::Pulled() {
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

void DeviceLife::Remove(bool surprise) {
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

bool DeviceLife::Return() {
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

}  // namespace geolumen::host
