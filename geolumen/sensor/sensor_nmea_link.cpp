// NMEA sentences for the data field, built from a copy of the report while a client has them on.
#include "sensor/sensor_ddi.h"

namespace geolumen {

void cSensorDDI::BuildFixNmea(const LocationFix&, std::string& out) { out.clear(); }

void cSensorDDI::BuildSatelliteNmea(const SatelliteReport&, std::string& out) { out.clear(); }

}  // namespace geolumen
