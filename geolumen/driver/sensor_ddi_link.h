#pragma once
// What the device and the queue need of the sensor driver interface, the one object per device that
// serves sensor clients, runs the location session and keeps the radio state. The device creates it
// during prepare-hardware through DeviceParts and keeps it as the process-wide singleton.
// The sensor interface itself is cSensorDDI (sensor/sensor_ddi.h).

#include <cstdint>

#include "platform/com.h"
#include "platform/event.h"
#include "platform/portable_values.h"
#include "platform/wdf.h"
#include "sensor/sensor_keys.h"

namespace geolumen {

class cMainDevice;

// Sensor states as clients see them.
enum SensorState : uint32_t {
    SENSOR_STATE_READY = 0,
    SENSOR_STATE_NOT_AVAILABLE = 1,
    SENSOR_STATE_NO_DATA = 2,
    SENSOR_STATE_INITIALIZING = 3,
    SENSOR_STATE_ACCESS_DENIED = 4,
    SENSOR_STATE_ERROR = 5,
};

// {C3D1F0A2-6B4E-4D8C-9E17-5A2B8C0D4F61}
struct ISensorDdi : IUnknown {
    static constexpr IID kIid = WdfGuid(0xC3D1F0A2, 0x6B4E, 0x4D8C, 0x9E17, 0x5A2B8C0D4F61);
    // Called once by prepare-hardware with the framework device and the owning device object.
    virtual HRESULT InitializeSensorDdi(IWDFDevice* device, cMainDevice* owner) = 0;
    // The device's data-ready and state-change events; the sensor interface only sets them.
    virtual void SetEventHandles(Event* dataReady, Event* stateChange) = 0;
    // D0 entry and D0 exit; stopping is idempotent and also runs at release-hardware.
    virtual void StartLocationSession() = 0;
    virtual void StopLocationSession() = 0;
    // Adds the current data fields to `target`; E_UNEXPECTED without data. With `report`, also the number
    // of the last report those fields hold, taken under the same lock as the fields, so that the event
    // thread can tell a report it posted already from a new one.
    virtual HRESULT CopyDataValues(IPortableDeviceValues* target, uint64_t* report = nullptr) = 0;
    [[nodiscard]] virtual uint32_t GetSensorState() = 0;
    // Called after every posted data event.
    virtual void UpdateIdlePolicy() = 0;
    // The radio-state controls; the queue has already checked that the buffer is exactly 4 bytes.
    virtual HRESULT GetRadioStateIoctl(IWDFIoRequest* request, bool previous) = 0;
    virtual HRESULT SetRadioStateIoctl(IWDFIoRequest* request, bool previous) = 0;
};

}  // namespace geolumen
