#pragma once
// Portable-device value sets: the ordered key/value records the sensor class extension posts with events.
// Only what the driver's event posting uses.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/com.h"
#include "platform/wdf.h"

namespace geolumen {

struct PROPERTYKEY {
    GUID fmtid;
    uint32_t pid;
    friend constexpr bool operator==(const PROPERTYKEY&, const PROPERTYKEY&) = default;
};

// A value of a set: empty, identifier, unsigned, signed, double or text.
using PropValue = std::variant<std::monostate, GUID, uint32_t, int32_t, double, std::string>;

// {0C15D503-D017-47CE-9016-7B3F978721CC}
inline constexpr CLSID CLSID_PortableDeviceValues =
    WdfGuid(0x0C15D503, 0xD017, 0x47CE, 0x9016, 0x7B3F978721CC);
// {3882134D-14CF-4220-9CB4-435F86D83F60}
inline constexpr CLSID CLSID_PortableDeviceValuesCollection =
    WdfGuid(0x3882134D, 0x14CF, 0x4220, 0x9CB4, 0x435F86D83F60);

// {6848F6F2-3155-4F86-B6F5-263EEEAB3143}
struct IPortableDeviceValues : IUnknown {
    static constexpr IID kIid = WdfGuid(0x6848F6F2, 0x3155, 0x4F86, 0xB6F5, 0x263EEEAB3143);
    virtual HRESULT Clear() = 0;
    // Replaces the value of an existing key in place, else appends.
    virtual HRESULT SetValue(const PROPERTYKEY& key, const PropValue& value) = 0;
    virtual HRESULT GetCount(uint32_t* count) = 0;
    // E_INVALIDARG for an index past the end.
    virtual HRESULT GetAt(uint32_t index, PROPERTYKEY* key, PropValue* value) = 0;
};

// {6E3F2D79-4E07-48C4-8208-D8C2E5AF4A99}
struct IPortableDeviceValuesCollection : IUnknown {
    static constexpr IID kIid = WdfGuid(0x6E3F2D79, 0x4E07, 0x48C4, 0x8208, 0xD8C2E5AF4A99);
    virtual HRESULT Add(IPortableDeviceValues* values) = 0;
    virtual HRESULT GetCount(uint32_t* count) = 0;
    virtual HRESULT GetAt(uint32_t index, IPortableDeviceValues** values) = 0;
};

[[nodiscard]] HRESULT CreatePortableDeviceValues(IPortableDeviceValues** out);
[[nodiscard]] HRESULT CreatePortableDeviceValuesCollection(IPortableDeviceValuesCollection** out);

}  // namespace geolumen
