#pragma once
// What a driver host offers the sensor class extension so that sensor clients outside the driver reach
// the sensor: the class extension finds it on the framework device, hands it the sensor's callbacks when
// it is initialised, forwards every posted event and state change to it, and takes the callbacks back
// when it is uninitialised. Host and driver library each have their own copy of the platform code, so
// everything between them goes through these virtual calls.

#include <cstdint>

#include "platform/com.h"
#include "platform/portable_values.h"
#include "platform/sensor_driver.h"
#include "platform/wdf.h"

namespace geolumen {

// {2C4DD2E2-4FEF-4AB5-BAAF-A7E57B976CF5}
struct ISensorClientHost : IUnknown {
    static constexpr IID kIid = WdfGuid(0x2C4DD2E2, 0x4FEF, 0x4AB5, 0xBAAF, 0xA7E57B976CF5);
    // The host calls the sensor's callbacks for its clients from now on; it keeps a reference.
    virtual HRESULT AttachSensorDriver(ISensorDriver* driver) = 0;
    // When this returns no call of the host is inside the callbacks and none will start; the host has
    // dropped its reference and ended its clients' connections.
    virtual void DetachSensorDriver() = 0;
    // The host copies what it needs before returning: the driver reuses the value sets.
    virtual HRESULT PostEvent(const char* sensorId, IPortableDeviceValuesCollection* events) = 0;
    virtual HRESULT PostStateChange(const char* sensorId, uint32_t state) = 0;
};

}  // namespace geolumen
