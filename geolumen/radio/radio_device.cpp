#include "radio/radio_device.h"

#include <cstring>
#include <string>

#include "driver/queue.h"

namespace geolumen {
namespace {

[[nodiscard]] std::vector<uint8_t> StateBytes(uint32_t state) {
    return {static_cast<uint8_t>(state), static_cast<uint8_t>(state >> 8), static_cast<uint8_t>(state >> 16),
            static_cast<uint8_t>(state >> 24)};
}

}  // namespace

HRESULT FindDeviceInterfacePath(const GUID& interfaceClass, char* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return E_INVALIDARG;
    std::memset(buffer, 0, capacity);
    std::filesystem::path entry;
    if (const HRESULT hr = FirstPresentDeviceInterface(EnvironmentRunDir(), interfaceClass, &entry);
        FAILED(hr)) {
        return hr;
    }
    const std::string path = entry.string();
    if (path.size() > capacity - 1) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return S_OK;
}

RadioDevice::RadioDevice() : locator_(FindDeviceInterfacePath) {}

RadioDevice::RadioDevice(DeviceInterfaceLocator locator) : locator_(std::move(locator)) {}

HRESULT RadioDevice::OpenRadioDevice() {
    if (handle_.IsOpen()) return S_FALSE;
    char path[kRadioDevicePathChars];
    if (!locator_ || FAILED(locator_(kRadioDeviceInterface, path, sizeof(path)))) return S_FALSE;
    // A locator that filled the whole buffer without a terminator names no path.
    if (std::memchr(path, '\0', sizeof(path)) == nullptr) return S_FALSE;
    return SUCCEEDED(DeviceInterfaceHandle::Open(path, &handle_)) ? S_OK : S_FALSE;
}

HRESULT RadioDevice::QueryRadioState(uint32_t code, uint32_t* state) {
    if (!state) return E_POINTER;
    *state = kRadioStateUnknown;
    if (!handle_.IsOpen()) return E_FAIL;
    uint8_t bytes[kRadioStateBytes] = {};
    size_t information = 0;
    const HRESULT hr = handle_.IoControl(code, {}, bytes, &information);
    if (FAILED(hr)) return hr;
    // Anything but the whole value is no value.
    if (information != kRadioStateBytes) return kChannelBadFrame;
    *state = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
             static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return S_OK;
}

HRESULT RadioDevice::SendRadioState(uint32_t code, uint32_t state) {
    if (!handle_.IsOpen()) return E_FAIL;
    const std::vector<uint8_t> bytes = StateBytes(state);
    size_t information = 0;
    const HRESULT hr = handle_.IoControl(code, bytes, {}, &information);
    return FAILED(hr) ? hr : S_OK;
}

}  // namespace geolumen
