// The radio tool: plays radio management in a process of its own. It loads libgeolumen.so, creates the
// radio manager through the library's class object, and lists, reads and switches the GNSS radio of a
// running host, which it reaches only through the device interface the host publishes.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver/queue.h"
#include "host/command_line.h"
#include "host/library_path.h"
#include "host/radio_options.h"
#include "host/run_dir.h"
#include "host/stop_signals.h"
#include "platform/device_interface_channel.h"
#include "platform/driver_host.h"
#include "radio/radio_interfaces.h"

namespace {

using namespace geolumen;

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 2,
    kExitLibrary = 3,
    kExitNoDevice = 4,
    kExitRefused = 5,
    kExitTimeout = 6,
};

// How often `watch` reads the radio state, to see switches made through other managers (other
// processes): often enough to look immediate to a person, rare enough to cost the driver nothing.
constexpr uint32_t kWatchPollMs = 250;
// How often a switch past its time-out is checked for its end: a person waits for it, no machine.
constexpr uint32_t kLateSwitchPollMs = 50;

std::mutex outputLock;

void Say(const std::string& line) {
    std::lock_guard lock(outputLock);
    std::printf("geolumen-radio: %s\n", line.c_str());
    std::fflush(stdout);
}

int Fail(int code, const std::string& message) {
    std::lock_guard lock(outputLock);
    std::fprintf(stderr, "geolumen-radio: error: %s\n", message.c_str());
    std::fflush(stderr);
    return code;
}

std::string StateName(DEVICE_RADIO_STATE state) {
    switch (state) {
        case DRS_RADIO_ON:
            return "on";
        case DRS_SW_RADIO_OFF:
            return "off";
        case DRS_HW_RADIO_OFF:
            return "off (hardware)";
        case DRS_SW_HW_RADIO_OFF:
            return "off (software and hardware)";
        case DRS_HW_RADIO_ON_UNCONTROLLABLE:
            return "on, not controllable";
        case DRS_HW_RADIO_OFF_UNCONTROLLABLE:
            return "off, not controllable";
        default:
            return "invalid (" + std::to_string(state) + ")";
    }
}

std::string Text(BSTR text) {
    std::string out = text ? text : "";
    SysFreeString(text);
    return out;
}

// Prints every notification of the manager's connection point.
class PrintingSink final : public ComObject<IMediaRadioManagerNotifySink> {
  public:
    HRESULT OnInstanceAdd(IRadioInstance* instance) override {
        BSTR name = nullptr;
        (void)instance->GetFriendlyName(0, &name);
        Say("notification: radio added: " + Text(name));
        return S_OK;
    }
    HRESULT OnInstanceRemove(BSTR signature) override {
        Say(std::string("notification: radio removed: ") + (signature ? signature : ""));
        return S_OK;
    }
    HRESULT OnInstanceRadioChange(BSTR signature, DEVICE_RADIO_STATE state) override {
        {
            std::lock_guard lock(mutex_);
            last_ = state;
        }
        Say(std::string("notification: ") + (signature ? signature : "") + " radio " + StateName(state));
        return S_OK;
    }
    // The state the watch starts from: nothing to announce.
    void Seed(DEVICE_RADIO_STATE state) {
        std::lock_guard lock(mutex_);
        last_ = state;
    }
    // A state read from the device; announced when it differs from the last one announced.
    void Observed(DEVICE_RADIO_STATE state) {
        {
            std::lock_guard lock(mutex_);
            if (last_ == state) return;
            last_ = state;
        }
        Say(std::string("notification: ") + kRadioInstanceSignature + " radio " + StateName(state) +
            " (switched elsewhere)");
    }

  private:
    std::mutex mutex_;
    std::optional<DEVICE_RADIO_STATE> last_;
};

class RadioTool {
  public:
    RadioTool(const host::RadioOptions& options, ComPtr<IMediaRadioManager> manager)
        : options_(options), manager_(std::move(manager)) {}

    int Run() {
        ComPtr<IRadioInstanceCollection> collection;
        if (FAILED(manager_->GetRadioInstances(collection.ReleaseAndGetAddressOf())) || !collection) {
            return Fail(kExitLibrary, "the radio manager lists no radios");
        }
        uint32_t count = 0;
        (void)collection->GetCount(&count);
        for (uint32_t i = 0; i < count; ++i) {
            ComPtr<IRadioInstance> instance;
            if (SUCCEEDED(collection->GetAt(i, instance.ReleaseAndGetAddressOf())))
                radios_.push_back(instance);
        }
        if (radios_.empty()) return Fail(kExitLibrary, "the radio manager has no radio");
        switch (options_.command) {
            case host::RadioCommand::kList:
                return List();
            case host::RadioCommand::kGet:
                return Get();
            case host::RadioCommand::kSet:
                return Set();
            case host::RadioCommand::kSystem:
                return System();
            case host::RadioCommand::kWatch:
                return Watch();
        }
        return kExitUsage;
    }

  private:
    int NoDevice() {
        return Fail(kExitNoDevice, "no GNSS device: no running geolumen-host publishes its interface under " +
                                       (EnvironmentRunDir() / "interfaces").string());
    }

    // The radio's state; nullopt (after the message) when no device answers.
    std::optional<DEVICE_RADIO_STATE> ReadState(IRadioInstance* radio, bool previous = false) {
        DEVICE_RADIO_STATE state = DRS_RADIO_INVALID;
        const HRESULT hr = previous ? radio->GetPreviousRadioState(&state) : radio->GetRadioState(&state);
        if (hr != S_OK) return std::nullopt;
        return state;
    }

    int List() {
        for (const auto& radio : radios_) {
            BSTR name = nullptr, signature = nullptr;
            (void)radio->GetFriendlyName(0, &name);
            (void)radio->GetInstanceSignature(&signature);
            const auto state = ReadState(radio.Get());
            Say(Text(name) + " (" + Text(signature) + "): " + (state ? StateName(*state) : "no device"));
        }
        return kExitOk;
    }

    int Get() {
        const auto state = ReadState(radios_[0].Get());
        if (!state) return NoDevice();
        const auto previous = ReadState(radios_[0].Get(), true);
        Say("GNSS radio: " + StateName(*state) +
            "; previous: " + (previous ? StateName(*previous) : "unknown"));
        return kExitOk;
    }

    int Set() {
        IRadioInstance* radio = radios_[0].Get();
        if (!ReadState(radio)) return NoDevice();
        const DEVICE_RADIO_STATE target = options_.on ? DRS_RADIO_ON : DRS_SW_RADIO_OFF;
        Say("switching the GNSS radio " + StateName(target));
        const HRESULT hr = radio->SetRadioState(target, options_.timeoutSeconds);
        return Finish(hr, "GNSS radio " + StateName(target));
    }

    int System() {
        const SYSTEM_RADIO_STATE target = options_.on ? SRS_RADIO_ENABLED : SRS_RADIO_DISABLED;
        if (!ReadState(radios_[0].Get())) return NoDevice();
        Say(std::string("passing the system radio switch: ") + (options_.on ? "enabled" : "disabled"));
        const HRESULT hr = manager_->OnSystemRadioStateChange(target, options_.timeoutSeconds);
        const int code = Finish(hr, "system radio switch passed");
        if (code == kExitOk) {
            const auto state = ReadState(radios_[0].Get());
            Say("GNSS radio: " + (state ? StateName(*state) : std::string("unknown")));
        }
        return code;
    }

    int Finish(HRESULT hr, const std::string& done) {
        if (hr == S_OK) {
            Say(done);
            return kExitOk;
        }
        if (hr == RPC_S_CALLPENDING) {
            return Fail(kExitTimeout, "the switch did not finish within " +
                                          std::to_string(options_.timeoutSeconds) +
                                          " s; it goes on, and the tool waits for it to end");
        }
        if (hr == E_FAIL) return Fail(kExitRefused, "the switch was refused: the radio is not controllable");
        if (hr == S_FALSE) return Fail(kExitRefused, "the device refused the switch");
        return Fail(kExitRefused, "the device refused the switch (" + DescribeHresult(hr) + ")");
    }

    int Watch() {
        auto sink = MakeCom<PrintingSink>();
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        if (FAILED(manager_.As(container)) ||
            FAILED(container->FindConnectionPoint(IMediaRadioManagerNotifySink::kIid,
                                                  point.ReleaseAndGetAddressOf())) ||
            FAILED(point->Advise(static_cast<IMediaRadioManagerNotifySink*>(sink.Get()), &cookie))) {
            return Fail(kExitLibrary, "the radio manager takes no notification sink");
        }
        IRadioInstance* radio = radios_[0].Get();
        const auto first = ReadState(radio);
        Say("watching the GNSS radio (" + (first ? StateName(*first) : std::string("no device")) +
            "); Ctrl-C ends");
        if (first) sink->Seed(*first);
        while (!host::WaitForStop(kWatchPollMs)) {
            if (const auto state = ReadState(radio)) sink->Observed(*state);
        }
        (void)point->Unadvise(cookie);
        Say("watch ended");
        return kExitOk;
    }

    const host::RadioOptions& options_;
    ComPtr<IMediaRadioManager> manager_;
    std::vector<ComPtr<IRadioInstance>> radios_;
};

// The radio manager from the library's class object, as radio management creates it.
ComPtr<IMediaRadioManager> CreateManager(const DriverLibrary& library) {
    ComPtr<IClassFactory> factory;
    ComPtr<IMediaRadioManager> manager;
    if (FAILED(library.Entry().getClassObject(&CLSID_GeolumenRadioManager, &IClassFactory::kIid,
                                              reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()))) ||
        !factory) {
        return manager;
    }
    (void)factory->CreateInstance(nullptr, IMediaRadioManager::kIid,
                                  reinterpret_cast<void**>(manager.ReleaseAndGetAddressOf()));
    return manager;
}

// A switch past its time-out is still carried out by its work item, which holds the radio objects until
// its routine ends; ending the process earlier would drop the request. Waits until the library holds no
// object any more, or until SIGINT or SIGTERM (false then).
bool AwaitLateSwitch(const DriverEntryPoints& entry) {
    while (entry.canUnloadNow() != S_OK) {
        if (host::WaitForStop(kLateSwitchPollMs)) return false;
    }
    Say("the late switch has ended");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    int exit = kExitOk;
    const auto options =
        host::CommandLineOrExit("geolumen-radio",
                                host::ParseRadioOptions(std::vector<std::string>(argv + 1, argv + argc),
                                                        host::DefaultLibraryPath(), &error),
                                error, host::RadioUsage(), &exit);
    if (!options) return exit;
    // Blocked before the library starts any thread, so only `watch` takes them, synchronously.
    host::BlockStopSignals();
    // The library finds the host's interfaces through the environment, as every radio manager does; the
    // tool's own choice goes there, found the way the host and geolumen-client find the run directory.
    const auto runDir = host::ResolveRunDir(options->runDir);
    setenv(host::kRunDirVariable, runDir.c_str(), 1);
    // The library refuses an interface folder that another user could have laid out; the tool says why.
    // A missing folder is no host, which the radio's own answer reports.
    if (const CheckedFolder folder = OpenDeviceInterfaceClassFolder(runDir, kRadioDeviceInterface);
        !folder.Valid() && folder.error != -ENOENT) {
        return Fail(kExitNoDevice, folder.text);
    }

    auto library = DriverLibrary::Open(options->library, &error);
    if (!library) return Fail(kExitLibrary, error);
    int code = kExitOk;
    {
        ComPtr<IMediaRadioManager> manager = CreateManager(*library);
        if (!manager) return Fail(kExitLibrary, "the library has no radio manager");
        code = RadioTool(*options, std::move(manager)).Run();
    }
    if (code == kExitTimeout && !AwaitLateSwitch(library->Entry())) {
        // Stopped by the user while the switch still runs inside the library: leave without unloading it
        // under that thread.
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(code);
    }
    return code;
}
