// The radio state of the sensor.
#include "sensor/sensor_ddi.h"

namespace geolumen {

HRESULT cSensorDDI::GetRadioStateIoctl(IWDFIoRequest*, bool) { return E_NOTIMPL; }

HRESULT cSensorDDI::SetRadioStateIoctl(IWDFIoRequest*, bool) { return E_NOTIMPL; }

HRESULT cSensorDDI::ApplyRadioState() { return S_OK; }

}  // namespace geolumen
