#include "platform/device_interface_channel.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/secure_files.h"

namespace geolumen {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

[[nodiscard]] uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Entry names are numbers: order them as numbers, and anything else after them by name.
[[nodiscard]] bool EntryBefore(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::string x = a.filename().string();
    const std::string y = b.filename().string();
    auto numeric = [](const std::string& s) {
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const bool nx = numeric(x), ny = numeric(y);
    if (nx != ny) return nx;
    if (nx && x.size() != y.size()) return x.size() < y.size();
    return x < y;
}

void SetTimeouts(int fd, uint32_t ms) {
    timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
    (void)::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    (void)::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
}

[[nodiscard]] HRESULT ChannelError(int error) {
    if (error == -EAGAIN || error == -EWOULDBLOCK) return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    return kChannelDisconnected;
}

}  // namespace

std::filesystem::path EnvironmentRunDir() {
    return EnvironmentRunDir([](const char* name) { return std::getenv(name); });
}

std::filesystem::path EnvironmentRunDir(const std::function<const char*(const char* name)>& env) {
    auto set = [&](const char* name) -> const char* {
        const char* value = env ? env(name) : nullptr;
        return value && *value ? value : nullptr;
    };
    if (const char* dir = set("GEOLUMEN_RUN_DIR")) return dir;
    if (const char* runtime = set("XDG_RUNTIME_DIR")) return std::filesystem::path(runtime) / "geolumen";
    return "/run/geolumen";
}

std::filesystem::path DeviceInterfaceClassDir(const std::filesystem::path& runDir,
                                              const GUID& interfaceClass) {
    return runDir / "interfaces" / FormatGuid(interfaceClass);
}

CheckedFolder OpenDeviceInterfaceClassFolder(const std::filesystem::path& runDir,
                                             const GUID& interfaceClass) {
    return OpenCheckedFolderBelow(runDir,
                                  DeviceInterfaceClassDir(runDir, interfaceClass).lexically_relative(runDir),
                                  ClientRunDirRules());
}

std::vector<std::filesystem::path> ListDeviceInterfaceEntries(const std::filesystem::path& runDir,
                                                              const GUID& interfaceClass) {
    std::vector<std::filesystem::path> entries;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(DeviceInterfaceClassDir(runDir, interfaceClass), ec), end;
         !ec && it != end; it.increment(ec)) {
        entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end(), EntryBefore);
    return entries;
}

HRESULT FirstPresentDeviceInterface(const std::filesystem::path& runDir, const GUID& interfaceClass,
                                    std::filesystem::path* entry) {
    if (!entry) return E_POINTER;
    entry->clear();
    const CheckedFolder folder = OpenDeviceInterfaceClassFolder(runDir, interfaceClass);
    if (!folder.Valid()) {
        return folder.error == -ENOENT ? HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS) : E_ACCESSDENIED;
    }
    for (const auto& candidate : ListDeviceInterfaceEntries(runDir, interfaceClass)) {
        // Through the checked folder: a path swapped after the check cannot lead elsewhere.
        if (ConnectUnixSocket(PathThroughFolder(folder, candidate.filename().string())).Valid()) {
            *entry = candidate;
            return S_OK;
        }
    }
    return HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS);
}

std::vector<uint8_t> EncodeChannelRequest(uint32_t code, std::span<const uint8_t> input,
                                          uint32_t outputLength) {
    std::vector<uint8_t> out;
    out.reserve(kChannelRequestHeaderBytes + input.size());
    PutU32(out, code);
    PutU32(out, static_cast<uint32_t>(input.size()));
    PutU32(out, outputLength);
    out.insert(out.end(), input.begin(), input.end());
    return out;
}

std::vector<uint8_t> EncodeChannelReply(const ChannelReply& reply) {
    std::vector<uint8_t> out;
    out.reserve(kChannelReplyHeaderBytes + reply.output.size());
    PutU32(out, static_cast<uint32_t>(reply.status));
    PutU32(out, static_cast<uint32_t>(reply.output.size()));
    out.insert(out.end(), reply.output.begin(), reply.output.end());
    return out;
}

int ReadChannelRequest(int fd, ChannelRequest* request) {
    uint8_t header[kChannelRequestHeaderBytes];
    if (const int r = ReceiveAll(fd, header); r != 0) return r;
    const uint32_t inputLength = GetU32(header + 4);
    const uint32_t outputLength = GetU32(header + 8);
    if (inputLength > kChannelMaxBuffer || outputLength > kChannelMaxBuffer) return -EMSGSIZE;
    request->code = GetU32(header);
    request->outputLength = outputLength;
    request->input.assign(inputLength, 0);
    return ReceiveAll(fd, request->input);
}

HRESULT DeviceInterfaceHandle::Open(const std::filesystem::path& entry, DeviceInterfaceHandle* handle) {
    if (!handle) return E_POINTER;
    handle->Close();
    UnixFd fd = ConnectUnixSocket(entry);
    if (!fd.Valid())
        return HRESULT_FROM_WIN32(errno == ENOENT ? ERROR_FILE_NOT_FOUND : static_cast<DWORD>(errno));
    SetTimeouts(fd.Get(), kChannelReplyTimeoutMs);
    handle->fd_ = std::move(fd);
    return S_OK;
}

HRESULT DeviceInterfaceHandle::IoControl(uint32_t code, std::span<const uint8_t> input,
                                         std::span<uint8_t> output, size_t* information) {
    size_t ignored = 0;
    size_t& info = information ? *information : ignored;
    info = 0;
    if (!fd_.Valid()) return E_HANDLE;
    if (input.size() > kChannelMaxBuffer || output.size() > kChannelMaxBuffer) return E_INVALIDARG;
    const std::vector<uint8_t> frame =
        EncodeChannelRequest(code, input, static_cast<uint32_t>(output.size()));
    // After a failure inside a frame the stream is no longer at a frame boundary, so the handle closes.
    auto broken = [&](HRESULT hr) {
        fd_.Reset();
        return hr;
    };
    uint8_t header[kChannelReplyHeaderBytes];
    if (const int r = SendAll(fd_.Get(), frame); r != 0) {
        // A host that turned the connection away (too many handles) answered before it closed; the
        // answer still waits to be read and says more than the broken pipe does.
        if ((r == -EPIPE || r == -ECONNRESET) && ReceiveAll(fd_.Get(), header) == 0)
            return broken(static_cast<HRESULT>(GetU32(header)));
        return broken(ChannelError(r));
    }

    if (const int r = ReceiveAll(fd_.Get(), header); r != 0) return broken(ChannelError(r));
    const HRESULT status = static_cast<HRESULT>(GetU32(header));
    const uint32_t count = GetU32(header + 4);
    if (count > output.size()) return broken(kChannelBadFrame);
    if (const int r = ReceiveAll(fd_.Get(), output.first(count)); r != 0) return broken(ChannelError(r));
    info = count;
    return status;
}

}  // namespace geolumen
