// The host's real-module back end hands out one message per fetch even when the device gives several in
// one piece. A FIFO stands in for the character device: like the kernel driver's buffer, it keeps no
// message boundaries.
#include "host/module_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
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

}  // namespace
}  // namespace geolumen::host
