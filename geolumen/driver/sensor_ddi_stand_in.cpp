#include "driver/sensor_ddi_link.h"

namespace geolumen {

HRESULT cSensorDdiStandIn::InitializeSensorDdi(IWDFDevice* device, cMainDevice* owner) {
    return device && owner ? S_OK : E_INVALIDARG;
}

void cSensorDdiStandIn::SetEventHandles(Event*, Event*) {}

HRESULT cSensorDdiStandIn::CopyDataValues(IPortableDeviceValues* target) {
    return target ? E_UNEXPECTED : E_POINTER;
}

}  // namespace geolumen
