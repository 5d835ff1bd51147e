// What the library does when it is loaded and unloaded: the trace provider lives exactly as long as the
// library. Kept apart from the exports so that programs linking the driver statically (the tests)
// register no provider behind their back.
#include "platform/trace.h"

namespace {

struct DriverModuleLifetime {
    DriverModuleLifetime() { geolumen::RegisterTraceProvider(); }
    ~DriverModuleLifetime() { geolumen::UnregisterTraceProvider(); }
};

// Constructed before the host can call any export, destroyed at unload.
const DriverModuleLifetime g_lifetime;

}  // namespace
