// What the library does when it is loaded and unloaded: the trace provider lives exactly as long as the
// library. Kept apart from the exports so that programs linking the driver statically (the tests)
// register no provider behind their back.
#include "platform/trace.h"

namespace {

struct DriverModuleLifetime {
    DriverModuleLifetime() {
        geolumen::RegisterTraceProvider();
        // A host that wants the trace says so in the environment; the host's own settings cannot reach
        // this copy of the trace state.
        geolumen::ApplyTraceEnvironment();
    }
    ~DriverModuleLifetime() { geolumen::UnregisterTraceProvider(); }
};

// Constructed before the host can call any export, destroyed at unload.
const DriverModuleLifetime g_lifetime;

}  // namespace
