// The driver host: runs libgeolumen.so with one device on the simulated module or on a CDC WDM character
// device, and reports every step of the device's life. A device that is pulled is removed as the platform
// removes it, and added again when it comes back.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/command_line.h"
#include "host/device_life.h"
#include "host/host_events.h"
#include "host/host_log.h"
#include "host/host_options.h"
#include "host/library_path.h"
#include "host/run_dir.h"
#include "host/usb_back_end.h"
#include "platform/device_store.h"
#include "platform/driver_host.h"
#include "platform/trace.h"

using namespace geolumen;
using namespace geolumen::host;

int main(int argc, char** argv) {
    std::string error;
    int exit = kExitOk;
    const auto options = CommandLineOrExit(
        "geolumen-host",
        ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc), DefaultLibraryPath(), &error),
        error, HostUsage(), &exit);
    if (!options) return exit;
    // Before the first thread: the signals are taken by the main thread's wait alone.
    HostEvents events(options->usb == "sim");
    if (!events.Ready())
        return Fail(kExitUsage, std::string("cannot wait for signals: ") + std::strerror(errno));
    if (!options->stateDir.empty()) setenv("GEOLUMEN_STATE_DIR", options->stateDir.c_str(), 1);
    // Folders that are not safe are refused before anything runs, never repaired: the host says why.
    if (const CheckedFolder state = OpenDeviceStoreRoot(); !state.Valid()) {
        return Fail(kExitState, state.text + (state.path.empty() ? " (give --state-dir DIR)" : ""));
    }
    std::optional<gid_t> socketGroup;
    if (!options->socketGroup.empty()) {
        socketGroup = LookUpGroup(options->socketGroup);
        if (!socketGroup) return Fail(kExitUsage, "--socket-group: no group " + options->socketGroup);
    }
    {
        const CheckedFolder run = OpenHostRunDir(ResolveRunDir(options->runDir), socketGroup);
        if (!run.Valid()) return Fail(kExitSocket, run.text);
        if (socketGroup) {
            if (const std::string problem = GroupReachProblem(run, *socketGroup, options->socketGroup);
                !problem.empty())
                Say("warning: " + problem);
        }
    }
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
    Say("USB back end: " + backEnds.Name());

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
