#pragma once
// Portable-device values and keys: the ordered key/value records through which sensor clients, the sensor
// class extension and the driver exchange properties, data fields and events.

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

// The key with all-zero set and id 0, which readers skip.
inline constexpr PROPERTYKEY PKEY_NULL{GUID_NULL, 0};

// A time value: 100-ns units since 1601-01-01 UTC. A struct of its own so that a time never passes for a
// plain number.
struct FileTimeValue {
    uint64_t ticks = 0;
    friend constexpr bool operator==(const FileTimeValue&, const FileTimeValue&) = default;
};

// An error recorded in place of a value (a refused property, a key that could not be read).
struct ErrorValue {
    HRESULT hr = S_OK;
    friend constexpr bool operator==(const ErrorValue&, const ErrorValue&) = default;
};

using ByteVector = std::vector<uint8_t>;

// A value of a set. Each alternative stands for one variant type of the clients' value records:
//   std::monostate VT_EMPTY, GUID VT_CLSID, uint32_t VT_UI4, int32_t VT_I4, double VT_R8,
//   std::string VT_LPWSTR (UTF-8 here), FileTimeValue VT_FILETIME, ByteVector VT_VECTOR|VT_UI1,
//   ErrorValue VT_ERROR, float VT_R4.
using PropValue = std::variant<std::monostate, GUID, uint32_t, int32_t, double, std::string, FileTimeValue,
                               ByteVector, ErrorValue, float>;

using VARTYPE = uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R4 = 4;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_UI4 = 19;
inline constexpr VARTYPE VT_LPWSTR = 31;
inline constexpr VARTYPE VT_FILETIME = 64;
inline constexpr VARTYPE VT_CLSID = 72;
inline constexpr VARTYPE VT_VECTOR = 0x1000;

// The variant type a value carries.
[[nodiscard]] VARTYPE PropVarType(const PropValue& value);

// {0C15D503-D017-47CE-9016-7B3F978721CC}
inline constexpr CLSID CLSID_PortableDeviceValues =
    WdfGuid(0x0C15D503, 0xD017, 0x47CE, 0x9016, 0x7B3F978721CC);
// {3882134D-14CF-4220-9CB4-435F86D83F60}
inline constexpr CLSID CLSID_PortableDeviceValuesCollection =
    WdfGuid(0x3882134D, 0x14CF, 0x4220, 0x9CB4, 0x435F86D83F60);
// {DE2D022D-2480-43BE-97F0-D1FA2CF98F4F}
inline constexpr CLSID CLSID_PortableDeviceKeyCollection =
    WdfGuid(0xDE2D022D, 0x2480, 0x43BE, 0x97F0, 0xD1FA2CF98F4F);

// {6848F6F2-3155-4F86-B6F5-263EEEAB3143}
struct IPortableDeviceValues : IUnknown {
    static constexpr IID kIid = WdfGuid(0x6848F6F2, 0x3155, 0x4F86, 0xB6F5, 0x263EEEAB3143);
    virtual HRESULT Clear() = 0;
    // Replaces the value of an existing key in place, else appends.
    virtual HRESULT SetValue(const PROPERTYKEY& key, const PropValue& value) = 0;
    virtual HRESULT GetCount(uint32_t* count) = 0;
    // E_INVALIDARG for an index past the end.
    virtual HRESULT GetAt(uint32_t index, PROPERTYKEY* key, PropValue* value) = 0;
    // HRESULT_FROM_WIN32(ERROR_NOT_FOUND) for a key that has no value.
    virtual HRESULT GetValue(const PROPERTYKEY& key, PropValue* value) = 0;
};

// {6E3F2D79-4E07-48C4-8208-D8C2E5AF4A99}
struct IPortableDeviceValuesCollection : IUnknown {
    static constexpr IID kIid = WdfGuid(0x6E3F2D79, 0x4E07, 0x48C4, 0x8208, 0xD8C2E5AF4A99);
    virtual HRESULT Add(IPortableDeviceValues* values) = 0;
    virtual HRESULT GetCount(uint32_t* count) = 0;
    virtual HRESULT GetAt(uint32_t index, IPortableDeviceValues** values) = 0;
};

// An ordered list of keys (duplicates kept, as added).
// {4B0F9D27-61C3-4E58-A2D4-7C3E91B05F6A}
struct IPortableDeviceKeyCollection : IUnknown {
    static constexpr IID kIid = WdfGuid(0x4B0F9D27, 0x61C3, 0x4E58, 0xA2D4, 0x7C3E91B05F6A);
    virtual HRESULT GetCount(uint32_t* count) = 0;
    // E_INVALIDARG for an index past the end.
    virtual HRESULT GetAt(uint32_t index, PROPERTYKEY* key) = 0;
    virtual HRESULT Add(const PROPERTYKEY& key) = 0;
    virtual HRESULT Clear() = 0;
    // E_INVALIDARG for an index past the end.
    virtual HRESULT RemoveAt(uint32_t index) = 0;
};

[[nodiscard]] HRESULT CreatePortableDeviceValues(IPortableDeviceValues** out);
[[nodiscard]] HRESULT CreatePortableDeviceValuesCollection(IPortableDeviceValuesCollection** out);
[[nodiscard]] HRESULT CreatePortableDeviceKeyCollection(IPortableDeviceKeyCollection** out);

}  // namespace geolumen
