#pragma once
// The radio manager's access to the driver: finds the driver's device interface, opens it, and exchanges
// one 32-bit radio state per custom I/O control. The handle is opened and closed around every operation.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "platform/device_interface_channel.h"
#include "platform/guid.h"
#include "platform/hresult.h"

namespace geolumen {

inline constexpr uint32_t kIoctlGetRadioState = 0x55006008;
inline constexpr uint32_t kIoctlGetPreviousRadioState = 0x5500600C;
inline constexpr uint32_t kIoctlSetRadioState = 0x5500A000;
inline constexpr uint32_t kIoctlSetPreviousRadioState = 0x5500A004;

// Device paths longer than this are not opened.
inline constexpr size_t kRadioDevicePathChars = 256;

// What a query leaves in its output when no state came back: "invalid".
inline constexpr uint32_t kRadioStateUnknown = 5;

// The device path of the first present interface of the class, copied with its terminator into `buffer` of
// `capacity` characters (cleared first). HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS) when none is present,
// HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) when the path does not fit.
[[nodiscard]] HRESULT FindDeviceInterfacePath(const GUID& interfaceClass, char* buffer, size_t capacity);

// The interface lookup a device uses; tests hand in their own.
using DeviceInterfaceLocator =
    std::function<HRESULT(const GUID& interfaceClass, char* buffer, size_t capacity)>;

class RadioDevice {
  public:
    RadioDevice();
    explicit RadioDevice(DeviceInterfaceLocator locator);
    ~RadioDevice() { Close(); }
    RadioDevice(const RadioDevice&) = delete;
    RadioDevice& operator=(const RadioDevice&) = delete;

    // S_OK when opened now; S_FALSE when already open or when it could not be opened.
    [[nodiscard]] HRESULT OpenRadioDevice();
    // For the two get controls: *state is 5 unless exactly four bytes came back with success.
    // E_FAIL without a handle.
    [[nodiscard]] HRESULT QueryRadioState(uint32_t code, uint32_t* state);
    // For the two set controls. E_FAIL without a handle.
    [[nodiscard]] HRESULT SendRadioState(uint32_t code, uint32_t state);
    void Close() { handle_.Close(); }
    [[nodiscard]] bool IsOpen() const { return handle_.IsOpen(); }

  private:
    DeviceInterfaceLocator locator_;
    DeviceInterfaceHandle handle_;
};

}  // namespace geolumen
