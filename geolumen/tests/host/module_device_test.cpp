// The host's real-module back end hands out one message per fetch even when the device gives several in
// one piece. A FIFO stands in for the character device: like the kernel driver's buffer, it keeps no
// message boundaries.
#include "host/module_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

namespace geolumen::host {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ModuleDevice, ResponsesReadInOnePieceAreFetchedOneByOne) {
    const auto fifo =
        std::filesystem::temp_directory_path() / ("geolumen-module-" + std::to_string(::getpid()));
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::unique_ptr<CdcWdmUsbTarget> device;
    ASSERT_EQ(OpenModuleDevice(fifo.string(), device), 0);
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    // Two frames: length field 5 -> 6 bytes, length field 6 -> 7 bytes.
    const Bytes first{0x01, 0x05, 0x00, 0x00, 0x10, 0x05};
    const Bytes second{0x01, 0x06, 0x00, 0x00, 0x10, 0x05, 0xAA};
    Bytes both = first;
    both.insert(both.end(), second.begin(), second.end());
    ASSERT_EQ(::write(writer, both.data(), both.size()), static_cast<ssize_t>(both.size()));

    Bytes buffer(4096);
    std::size_t n = 0;
    ASSERT_EQ(device->ControlTransfer(kGetEncapsulatedResponse, buffer, n), 0);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(n)), first);
    ASSERT_EQ(device->ControlTransfer(kGetEncapsulatedResponse, buffer, n), 0);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(n)), second);

    std::unique_ptr<CdcWdmUsbTarget> missing;
    EXPECT_LT(OpenModuleDevice("/nonexistent/cdc-wdm9", missing), 0);
    ::close(writer);
    device.reset();
    std::filesystem::remove(fifo);
}

// A sysfs tree of its own under a temporary root: /dev/null (1:3) as whatever the row makes it.
class FakeSysfs {
  public:
    FakeSysfs()
        : root_(std::filesystem::temp_directory_path() / ("geolumen-sysfs-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "dev" / "char");
    }
    ~FakeSysfs() { std::filesystem::remove_all(root_); }
    // Makes 1:3 a device named `name` of class `subsystem`.
    void Node(const std::string& subsystem, const std::string& name) {
        const auto dir = root_ / "devices" / "usb1" / "1-1:1.0" / subsystem / name;
        std::filesystem::create_directories(dir);
        std::filesystem::create_directories(root_ / "class" / subsystem);
        std::filesystem::create_directory_symlink(root_ / "class" / subsystem, dir / "subsystem");
        std::filesystem::create_directory_symlink(dir, root_ / "dev" / "char" / "1:3");
    }
    std::string Root() const { return root_.string(); }

  private:
    std::filesystem::path root_;
};

TEST(ModuleDevice, PathIsCheckedForACdcWdmCharacterDevice) {
    using Kind = ModuleDeviceCheck::Kind;
    const auto file =
        std::filesystem::temp_directory_path() / ("geolumen-file-" + std::to_string(::getpid()));
    { std::ofstream(file) << "x"; }
    const struct {
        const char* legend;
        std::string path;
        std::string subsystem;  // empty: no sysfs entry for 1:3
        std::string name;
        Kind kind;
        std::string description;
    } rows[] = {
        {"the module's device", "/dev/null", "usbmisc", "cdc-wdm0", Kind::kCdcWdm,
         "character device 1:3 of class usbmisc (cdc-wdm0)"},
        {"another usbmisc device", "/dev/null", "usbmisc", "hiddev0", Kind::kOtherCharacterDevice,
         "character device 1:3 of class usbmisc (hiddev0)"},
        {"named cdc-wdm but a terminal", "/dev/null", "tty", "cdc-wdm0", Kind::kOtherCharacterDevice,
         "character device 1:3 of class tty (cdc-wdm0)"},
        {"a character device sysfs does not know", "/dev/null", "", "", Kind::kOtherCharacterDevice,
         "character device 1:3 of no class sysfs knows"},
        {"a regular file", file.string(), "", "", Kind::kNotCharacterDevice, "a regular file"},
        {"a directory", "/tmp", "", "", Kind::kNotCharacterDevice, "a directory"},
        {"nothing there", "/nonexistent/cdc-wdm9", "", "", Kind::kMissing, "not found"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        FakeSysfs sys;
        if (!row.subsystem.empty()) sys.Node(row.subsystem, row.name);
        const ModuleDeviceCheck check = CheckModuleDevice(row.path, sys.Root());
        EXPECT_EQ(check.kind, row.kind);
        EXPECT_EQ(check.description, row.description);
    }
    std::filesystem::remove(file);
    // The machine's own sysfs knows /dev/null as the memory device it is.
    EXPECT_EQ(CheckModuleDevice("/dev/null").kind, Kind::kOtherCharacterDevice);
}

TEST(ModuleDevice, RefusalsAndTheSilentModuleSayWhatThePathIs) {
    using Kind = ModuleDeviceCheck::Kind;
    const ModuleDeviceCheck cdc{Kind::kCdcWdm, 0, "character device 180:0 of class usbmisc (cdc-wdm0)"};
    const ModuleDeviceCheck serial{Kind::kOtherCharacterDevice, 0,
                                   "character device 4:64 of class tty (ttyS0)"};
    const ModuleDeviceCheck file{Kind::kNotCharacterDevice, 0, "a regular file"};
    const ModuleDeviceCheck missing{Kind::kMissing, ENOENT, "not found"};
    const std::string hint = "; a GNSS module shows as /dev/cdc-wdmN of class usbmisc";
    EXPECT_EQ(ModuleDeviceRefusal("/dev/cdc-wdm0", cdc, false), "");
    EXPECT_EQ(ModuleDeviceRefusal("/dev/ttyS0", serial, false),
              "/dev/ttyS0 is not a CDC WDM device: character device 4:64 of class tty (ttyS0)" + hint);
    EXPECT_EQ(ModuleDeviceRefusal("/dev/ttyS0", serial, true), "") << "let through on request";
    EXPECT_EQ(ModuleDeviceRefusal("/tmp/x", file, true),
              "/tmp/x is not a character device: a regular file" + hint)
        << "never let through";
    EXPECT_EQ(ModuleDeviceRefusal("/dev/cdc-wdm9", missing, true),
              "cannot open the USB device /dev/cdc-wdm9: No such file or directory");

    EXPECT_EQ(SilentModuleNote("/dev/cdc-wdm0", cdc, 12), "");
    EXPECT_EQ(SilentModuleNote("/dev/cdc-wdm0", cdc, 0),
              "the module never answered: not a byte came from /dev/cdc-wdm0");
    EXPECT_EQ(SilentModuleNote("/dev/ttyS0", serial, 0),
              "the module never answered: not a byte came from /dev/ttyS0, which is not a CDC WDM device "
              "(character device 4:64 of class tty (ttyS0))");
}

}  // namespace
}  // namespace geolumen::host
