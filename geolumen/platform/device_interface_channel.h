#pragma once
// The device-interface channel: how a process outside the driver host finds a device interface the
// driver published and sends it I/O controls.
//
// The host publishes each interface as a Unix stream socket <run-dir>/interfaces/{CLASS}/N. An interface
// is present when its entry accepts a connection; the first one is the one with the lowest name. One
// connection stands for one open handle. Each I/O control is one request frame and one reply frame, all
// numbers little-endian:
//   request: u32 control code, u32 input length, u32 output length, the input bytes;
//   reply:   i32 completion status, u32 information count, that many output bytes.
// Both sides check every length against kChannelMaxBuffer, and the client also against the output length
// it asked for: a reply that is short, longer than asked or above the cap is an error, never copied.
// A host that serves as many connections as it takes answers a new one with one reply of
// kChannelTooManyHandles before any request, and closes it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/hresult.h"
#include "platform/unix_socket.h"

namespace geolumen {

struct CheckedFolder;

// No input or output buffer of one I/O control is larger; the radio controls carry 4 bytes.
inline constexpr uint32_t kChannelMaxBuffer = 64 * 1024;
inline constexpr size_t kChannelRequestHeaderBytes = 12;
inline constexpr size_t kChannelReplyHeaderBytes = 8;
// The host bounds each request by its own completion time-out (30 s); the client waits a little longer so
// that the host's time-out answer arrives before the client gives up.
inline constexpr uint32_t kChannelReplyTimeoutMs = 35000;

inline constexpr DWORD ERROR_INVALID_DATA = 13;
inline constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_TIMEOUT = 1460;
// A frame broke the channel's rules (a length above the cap, a reply longer than asked).
inline constexpr HRESULT kChannelBadFrame = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
inline constexpr DWORD ERROR_BUSY = 170;
// The host turned the connection away: it serves as many as it takes.
inline constexpr HRESULT kChannelTooManyHandles = HRESULT_FROM_WIN32(ERROR_BUSY);
// The other side went away before the frame was complete.
inline constexpr HRESULT kChannelDisconnected = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);

// The environment's run directory: GEOLUMEN_RUN_DIR, else $XDG_RUNTIME_DIR/geolumen, else /run/geolumen.
// Empty variables count as unset. `env` reads one variable (null: unset); the default reads the process's.
[[nodiscard]] std::filesystem::path EnvironmentRunDir();
[[nodiscard]] std::filesystem::path EnvironmentRunDir(
    const std::function<const char*(const char* name)>& env);

// <runDir>/interfaces/{CLASS}
[[nodiscard]] std::filesystem::path DeviceInterfaceClassDir(const std::filesystem::path& runDir,
                                                            const GUID& interfaceClass);

// The class folder as a client opens it before connecting: every folder from the run directory down must
// exist, be no link, belong to this process's user or root, and be writable by nobody else (see
// secure_files.h, which a caller includes). -ENOENT when there is no such folder (no host published one).
[[nodiscard]] CheckedFolder OpenDeviceInterfaceClassFolder(const std::filesystem::path& runDir,
                                                           const GUID& interfaceClass);

// Every entry of the class folder, lowest name first (numbers in numeric order); present or not.
[[nodiscard]] std::vector<std::filesystem::path> ListDeviceInterfaceEntries(
    const std::filesystem::path& runDir, const GUID& interfaceClass);

// The first present interface of the class; HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS) when none is,
// E_ACCESSDENIED when the class folder is not one to trust.
[[nodiscard]] HRESULT FirstPresentDeviceInterface(const std::filesystem::path& runDir,
                                                  const GUID& interfaceClass, std::filesystem::path* entry);

// One request as the host receives it.
struct ChannelRequest {
    uint32_t code = 0;
    uint32_t outputLength = 0;
    std::vector<uint8_t> input;
};

// One reply; the information count is the size of `output`.
struct ChannelReply {
    HRESULT status = S_OK;
    std::vector<uint8_t> output;
};

// The frames as bytes on the wire.
[[nodiscard]] std::vector<uint8_t> EncodeChannelRequest(uint32_t code, std::span<const uint8_t> input,
                                                        uint32_t outputLength);
[[nodiscard]] std::vector<uint8_t> EncodeChannelReply(const ChannelReply& reply);

// Reads one request from a connection; 0 with *request filled, -ECONNRESET at a clean end of stream or
// inside a frame, -EMSGSIZE for a length above the cap, other -errno from the socket.
[[nodiscard]] int ReadChannelRequest(int fd, ChannelRequest* request);

// The client side of one open interface.
class DeviceInterfaceHandle {
  public:
    DeviceInterfaceHandle() = default;
    explicit DeviceInterfaceHandle(UnixFd fd) : fd_(std::move(fd)) {}

    // Opens the entry: S_OK, or HRESULT_FROM_WIN32 of the system error.
    [[nodiscard]] static HRESULT Open(const std::filesystem::path& entry, DeviceInterfaceHandle* handle);

    [[nodiscard]] bool IsOpen() const { return fd_.Valid(); }
    void Close() { fd_.Reset(); }

    // Sends one I/O control and waits for its completion. On return *information holds the number of bytes
    // written into `output` (0 on any channel error). The result is the driver's completion status, or a
    // channel error: kChannelBadFrame, kChannelDisconnected, HRESULT_FROM_WIN32(ERROR_TIMEOUT), E_HANDLE
    // when not open, E_INVALIDARG for a buffer above the cap.
    [[nodiscard]] HRESULT IoControl(uint32_t code, std::span<const uint8_t> input, std::span<uint8_t> output,
                                    size_t* information);

  private:
    UnixFd fd_;
};

}  // namespace geolumen
