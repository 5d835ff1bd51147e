#pragma once
// The device's default queue: every I/O control of the device arrives here. The sensor platform's
// message controls go to the class extension, the driver's four radio-state controls to the sensor
// interface; everything else is refused as not supported.

#include <cstddef>
#include <cstdint>

#include "driver/module_lock.h"
#include "platform/com.h"
#include "platform/wdf.h"

namespace geolumen {

class cMainDevice;

// Portable-device message controls of the sensor platform (device type 0x40, function 0x42, buffered).
inline constexpr uint32_t kIoctlPortableDeviceMessageReadWrite = 0x0040C108;
inline constexpr uint32_t kIoctlPortableDeviceMessageRead = 0x00404108;

// The radio state travels as one 32-bit number.
inline constexpr size_t kRadioStateBytes = 4;

// The driver's own controls (device type 0x5500, buffered) through which radio management reads and
// writes the radio state.
struct RadioControl {
    uint32_t code;
    bool set;       // true: the value comes in the input buffer; false: it goes out in the output buffer
    bool previous;  // the previous radio state instead of the current one
};
inline constexpr RadioControl kRadioControls[] = {
    {0x55006008, false, false},  // get the current radio state
    {0x5500600C, false, true},   // get the previous radio state
    {0x5500A000, true, false},   // set the current radio state
    {0x5500A004, true, true},    // set the previous radio state
};
[[nodiscard]] const RadioControl* FindRadioControl(uint32_t code);

// The device interface class published with the queue; radio management opens the driver through it.
// {4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB}
inline constexpr GUID kRadioDeviceInterface = WdfGuid(0x4C2BC2BF, 0xBA90, 0x4BD2, 0xAF0A, 0x79FBD09CF1CB);

class cQueue final : public ComObject<IQueueCallbackDeviceIoControl> {
  public:
    explicit cQueue(cMainDevice* owner);

    void OnDeviceIoControl(IWDFIoQueue* queue, IWDFIoRequest* request, uint32_t controlCode,
                           size_t inputLength, size_t outputLength) override;

  private:
    ModuleLock moduleLock_;
    ComPtr<IPnpCallback> owner_;  // counted reference to the owning device object
    cMainDevice* device_;
};

// Creates the default queue of `device` with a cQueue of `owner` and publishes the device interface.
[[nodiscard]] HRESULT CreateDefaultQueue(IWDFDevice* device, cMainDevice* owner, IWDFIoQueue** queue);

}  // namespace geolumen
