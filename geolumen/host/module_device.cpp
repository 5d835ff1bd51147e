#include "host/module_device.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "halyx/halyx_mux.h"

namespace geolumen::host {

namespace fs = std::filesystem;

ModuleDeviceCheck CheckModuleDevice(const std::string& path, const std::string& sysRoot) {
    ModuleDeviceCheck check;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        check.error = errno;
        check.description = "not found";
        return check;
    }
    if (!S_ISCHR(st.st_mode)) {
        check.kind = ModuleDeviceCheck::Kind::kNotCharacterDevice;
        check.description = S_ISREG(st.st_mode)    ? "a regular file"
                            : S_ISDIR(st.st_mode)  ? "a directory"
                            : S_ISFIFO(st.st_mode) ? "a FIFO"
                            : S_ISBLK(st.st_mode)  ? "a block device"
                                                   : "not a device";
        return check;
    }
    const std::string number = std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
    const fs::path node = fs::path(sysRoot) / "dev" / "char" / number;
    std::error_code ec;
    const std::string subsystem = fs::read_symlink(node / "subsystem", ec).filename().string();
    const std::string name = ec ? std::string() : fs::canonical(node, ec).filename().string();
    const bool cdcWdm = !ec && subsystem == "usbmisc" && name.rfind("cdc-wdm", 0) == 0;
    check.kind = cdcWdm ? ModuleDeviceCheck::Kind::kCdcWdm : ModuleDeviceCheck::Kind::kOtherCharacterDevice;
    check.description = "character device " + number;
    if (!ec && !subsystem.empty()) {
        check.description += " of class " + subsystem + " (" + name + ")";
    } else {
        check.description += " of no class sysfs knows";
    }
    return check;
}

std::string ModuleDeviceRefusal(const std::string& path, const ModuleDeviceCheck& check,
                                bool anyCharacterDevice) {
    using Kind = ModuleDeviceCheck::Kind;
    if (check.kind == Kind::kCdcWdm) return {};
    if (check.kind == Kind::kOtherCharacterDevice && anyCharacterDevice) return {};
    const std::string expected = "; a GNSS module shows as /dev/cdc-wdmN of class usbmisc";
    switch (check.kind) {
        case Kind::kMissing:
            return "cannot open the USB device " + path + ": " + std::generic_category().message(check.error);
        case Kind::kNotCharacterDevice:
            return path + " is not a character device: " + check.description + expected;
        default:
            return path + " is not a CDC WDM device: " + check.description + expected;
    }
}

std::string SilentModuleNote(const std::string& path, const ModuleDeviceCheck& check,
                             std::uint64_t bytesReceived) {
    if (bytesReceived != 0) return {};
    std::string note = "the module never answered: not a byte came from " + path;
    if (check.kind != ModuleDeviceCheck::Kind::kCdcWdm) {
        note += ", which is not a CDC WDM device (" + check.description + ")";
    }
    return note;
}

int OpenModuleDevice(const std::string& path, std::unique_ptr<CdcWdmUsbTarget>& out) {
    const int status = CdcWdmUsbTarget::Open(path, out);
    if (status != 0 || !out) return status != 0 ? status : -1;
    out->SetFrameRule(&halyx_mux_frame_check);
    return 0;
}

}  // namespace geolumen::host
