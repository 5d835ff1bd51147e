#pragma once
// The sensor class extension: the platform component between the driver and sensor clients. The driver
// hands it the client I/O controls and posts its events and state changes through it.
//
// This in-process implementation keeps the driver side of the contract: it accepts Initialize and
// Uninitialize and passes posted events and state changes to a listener (trace, tests). When the
// framework device offers an ISensorClientHost (platform/sensor_client_host.h), the sensor's callbacks
// are attached to it and every post is forwarded to it: that host serves the sensor clients. The client
// message controls are answered as not supported, since clients reach the sensor through that host.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/com.h"
#include "platform/portable_values.h"
#include "platform/wdf.h"

namespace geolumen {

// {6101F767-998E-452B-B54A-E836DD486BAD}
inline constexpr CLSID CLSID_SensorClassExtension =
    WdfGuid(0x6101F767, 0x998E, 0x452B, 0xB54A, 0xE836DD486BAD);

// {A31253BA-6F73-4BC9-ABAA-26C8833C58FF}
struct ISensorClassExtension : IUnknown {
    static constexpr IID kIid = WdfGuid(0xA31253BA, 0x6F73, 0x4BC9, 0xABAA, 0x26C8833C58FF);
    // `device` is the framework device, `driver` the driver's sensor callback object (its ISensorDriver,
    // when it has one); both required.
    virtual HRESULT Initialize(IUnknown* device, IUnknown* driver) = 0;
    virtual HRESULT Uninitialize() = 0;
    // Completes the request itself.
    virtual HRESULT ProcessIoControl(IWDFIoRequest* request) = 0;
    virtual HRESULT PostEvent(const char* sensorId, IPortableDeviceValuesCollection* events) = 0;
    virtual HRESULT PostStateChange(const char* sensorId, uint32_t state) = 0;
    virtual HRESULT CleanupFile(IWDFFile* file) = 0;
};

// What the class extension was asked to post.
struct SensorPost {
    enum class Kind { kEvent, kStateChange } kind;
    std::string sensorId;
    uint32_t state = 0;                              // state changes
    ComPtr<IPortableDeviceValuesCollection> events;  // events
};

// Receives every post of every class extension in this module (empty: none). Returns the previous one.
std::function<void(const SensorPost&)> SetSensorPostListener(std::function<void(const SensorPost&)> listener);

[[nodiscard]] HRESULT CreateSensorClassExtension(ISensorClassExtension** out);

}  // namespace geolumen
