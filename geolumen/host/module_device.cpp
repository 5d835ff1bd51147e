#include "host/module_device.h"

#include "halyx/halyx_mux.h"

namespace geolumen::host {

int OpenModuleDevice(const std::string& path, std::unique_ptr<CdcWdmUsbTarget>& out) {
    const int status = CdcWdmUsbTarget::Open(path, out);
    if (status != 0 || !out) return status != 0 ? status : -1;
    out->SetFrameRule(&halyx_mux_frame_check);
    return 0;
}

}  // namespace geolumen::host
