#pragma once
// The contract between a driver library and the host that loads it: the exported names, their
// signatures, the version record and the class factory through which the host creates the driver.

#include <cstdint>

#include "platform/com.h"
#include "platform/wdf.h"

namespace geolumen {

// {00000001-0000-0000-C000-000000000046}
struct IClassFactory : IUnknown {
    static constexpr IID kIid = WdfGuid(0x00000001, 0x0000, 0x0000, 0xC000, 0x000000000046);
    // `outer` must be null (no aggregation).
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};

// The class under which the driver's installation registers it; the host creates this class.
// {5E0C9A4B-2D71-4F3E-8B6A-91C4D7E2A058}
inline constexpr CLSID CLSID_GeolumenDriver = WdfGuid(0x5E0C9A4B, 0x2D71, 0x4F3E, 0x8B6A, 0x91C4D7E2A058);

// The framework version the host offers; a library built for another major version is refused, and one
// built for a newer minor version too.
inline constexpr uint32_t kHostUmdfMajor = 1;
inline constexpr uint32_t kHostUmdfMinor = 11;

inline constexpr const char* kExportGetClassObject = "DllGetClassObject";
inline constexpr const char* kExportCanUnloadNow = "DllCanUnloadNow";
inline constexpr const char* kExportVersion = "Microsoft_WDF_UMDF_Version";

using DllGetClassObjectFn = HRESULT (*)(const CLSID* clsid, const IID* iid, void** out);
using DllCanUnloadNowFn = HRESULT (*)();

}  // namespace geolumen
